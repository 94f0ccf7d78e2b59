// Window-message frames come from any process that can reach the socket:
// the header check must refuse what is not sound, and a sound header must
// stand for exactly the message that encodes back to it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/message_frame.h"
#include "platform/window_messages.h"

namespace frame = platform::message_frame;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < frame::kHeaderSize) return 0;
  frame::Header header;
  if (!frame::DecodeHeader(data, header).empty()) return 0;
  if (header.kind == frame::Kind::Reply) {
    if (header.has_copy || header.data_size != 0) std::abort();
    return 0;
  }
  // The receiver reads exactly data_size bytes after the header; a shorter
  // input stands for a frame cut short, which the socket read refuses.
  const size_t rest = size - frame::kHeaderSize;
  if (rest < header.data_size) return 0;
  std::string copied(reinterpret_cast<const char*>(data) + frame::kHeaderSize, header.data_size);
  const platform::WindowMessage message = frame::ToMessage(header, copied);
  const std::string encoded = frame::EncodeMessage(header.kind, message);
  if (encoded.size() != frame::kHeaderSize + header.data_size ||
      std::memcmp(encoded.data(), data, encoded.size()) != 0)
    std::abort();
  return 0;
}
