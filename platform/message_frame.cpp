#include "platform/message_frame.h"

namespace platform::message_frame {

namespace {

constexpr std::uint32_t kMagic = 0x314D5755;  // "UWM1"
constexpr std::uint16_t kVersion = 1;
constexpr std::uint32_t kHasCopy = 1;

void PutLe(std::string& out, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetLe(const unsigned char* in, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | in[at + i];
  return value;
}

std::string EncodeHeader(const Header& h) {
  std::string out(kHeaderSize, '\0');
  PutLe(out, 0, kMagic, 4);
  PutLe(out, 4, kVersion, 2);
  PutLe(out, 6, static_cast<std::uint16_t>(h.kind), 2);
  PutLe(out, 8, h.msg, 4);
  PutLe(out, 12, h.has_copy ? kHasCopy : 0, 4);
  PutLe(out, 16, h.wParam, 8);
  PutLe(out, 24, static_cast<std::uint64_t>(h.lParam), 8);
  PutLe(out, 32, h.dwData, 8);
  PutLe(out, 40, h.data_size, 4);
  PutLe(out, 44, static_cast<std::uint32_t>(h.status), 4);
  return out;
}

}  // namespace

std::string EncodeMessage(Kind kind, const WindowMessage& message) {
  Header h;
  h.kind = kind;
  h.msg = message.msg;
  h.wParam = message.wParam;
  h.lParam = message.lParam;
  if (message.copy) {
    h.has_copy = true;
    h.dwData = message.copy->dwData;
    h.data_size = static_cast<std::uint32_t>(message.copy->data.size());
  }
  std::string out = EncodeHeader(h);
  if (message.copy) out += message.copy->data;
  return out;
}

std::string EncodeReply(ReplyStatus status, std::intptr_t result) {
  Header h;
  h.kind = Kind::Reply;
  h.lParam = result;
  h.status = status;
  return EncodeHeader(h);
}

std::string DecodeHeader(const unsigned char* bytes, Header& h) {
  if (GetLe(bytes, 0, 4) != kMagic) return "not a window message frame (bad magic)";
  if (GetLe(bytes, 4, 2) != kVersion) return "unsupported frame version " + std::to_string(GetLe(bytes, 4, 2));
  auto kind = GetLe(bytes, 6, 2);
  if (kind < 1 || kind > 3) return "unknown frame kind " + std::to_string(kind);
  auto flags = GetLe(bytes, 12, 4);
  if (flags & ~std::uint64_t{kHasCopy}) return "unknown frame flags";
  h.kind = static_cast<Kind>(kind);
  h.msg = static_cast<std::uint32_t>(GetLe(bytes, 8, 4));
  h.has_copy = flags & kHasCopy;
  h.wParam = GetLe(bytes, 16, 8);
  h.lParam = static_cast<std::int64_t>(GetLe(bytes, 24, 8));
  h.dwData = GetLe(bytes, 32, 8);
  h.data_size = static_cast<std::uint32_t>(GetLe(bytes, 40, 4));
  auto status = GetLe(bytes, 44, 4);
  if (h.data_size > kMaxCopyData)
    return "copied data of " + std::to_string(h.data_size) + " bytes exceeds the limit of " +
           std::to_string(kMaxCopyData);
  if (h.has_copy != (h.msg == WM_COPYDATA)) return "copied data and message number disagree";
  if (!h.has_copy && (h.data_size != 0 || h.dwData != 0)) return "data in a frame without copied data";
  if (h.kind == Kind::Reply) {
    if (h.has_copy) return "a reply cannot carry data";
    if (status > static_cast<std::uint32_t>(ReplyStatus::HandlerFailed)) return "unknown reply status";
    h.status = static_cast<ReplyStatus>(status);
  } else if (status != 0) {
    return "a message frame with a reply status";
  }
  return {};
}

WindowMessage ToMessage(const Header& h, std::string data) {
  WindowMessage message;
  message.msg = h.msg;
  message.wParam = static_cast<std::uintptr_t>(h.wParam);
  message.lParam = static_cast<std::intptr_t>(h.lParam);
  if (h.has_copy) message.copy = CopyData{static_cast<std::uintptr_t>(h.dwData), std::move(data)};
  return message;
}

}  // namespace platform::message_frame
