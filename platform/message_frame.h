// The byte format of window messages on the socket. Every frame is a fixed
// little-endian header, followed by the copied data of WM_COPYDATA. Replies
// use the same header with no data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/window_messages.h"

namespace platform::message_frame {

enum class Kind : std::uint16_t { Send = 1, Post = 2, Reply = 3 };

// How a reply ends: handled, or why not.
enum class ReplyStatus : std::uint32_t { Handled = 0, WindowGone = 1, HandlerFailed = 2 };

constexpr std::size_t kHeaderSize = 48;

struct Header {
  Kind kind = Kind::Send;
  std::uint32_t msg = 0;
  bool has_copy = false;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;
  std::uint64_t dwData = 0;
  std::uint32_t data_size = 0;
  ReplyStatus status = ReplyStatus::Handled;
};

std::string EncodeMessage(Kind kind, const WindowMessage& message);
std::string EncodeReply(ReplyStatus status, std::intptr_t result);

// Checks and decodes kHeaderSize bytes. Returns an empty string when the
// header is sound, else what is wrong with it.
std::string DecodeHeader(const unsigned char* bytes, Header& header);

// The message a checked header and its data stand for.
WindowMessage ToMessage(const Header& header, std::string data);

}  // namespace platform::message_frame
