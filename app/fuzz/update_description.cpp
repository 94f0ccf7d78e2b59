// "updcfg.xml" ships with a release and may come from anywhere: it must load
// or raise EUpdateDescriptionError, whatever its bytes and encoding. The
// values a run reads from it next (the start releases, each step's share of
// the bar, the result release written into the version row) are read too.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/aux_programs.h"
#include "app/update_description.h"
#include "app/update_options.h"
#include "app/version_record.h"
#include "testing/fuzz_input.h"

namespace {

void ReadValues(const app::TUpdateDescription& description) {
  app::IsListedRelease("3.1", description.StartBdVersion);
  app::IsListedRelease(description.StartBdVersion, "3.0;3.1");
  app::VersionInsertStatement("FIREBIRD", 1, description.ResultBdVersion, "admin");
  app::VersionIdentityInsertBatch(1, description.ResultBdVersion, "admin");
  for (const app::TConfigUpdateItem& item : description.ConfigUpdate) {
    testing_fuzz::AcceptRaisedErrors([&] { app::ItemTimePercent(item.TimePercent); });
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  std::unique_ptr<app::TUpdateDescription> description;
  try {
    testing_fuzz::AcceptRaisedErrors(
        [&] { description = app::TUpdateDescription::LoadFromBytes(bytes); });
  } catch (const app::EUpdateDescriptionError&) {
  }
  if (description) ReadValues(*description);
  return 0;
}
