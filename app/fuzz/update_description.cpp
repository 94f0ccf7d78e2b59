// "updcfg.xml" ships with a release and may come from anywhere: it must load
// or raise EUpdateDescriptionError, whatever its bytes and encoding.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "app/update_description.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  try {
    testing_fuzz::AcceptRaisedErrors([&] { app::TUpdateDescription::LoadFromBytes(bytes); });
  } catch (const app::EUpdateDescriptionError&) {
  }
  return 0;
}
