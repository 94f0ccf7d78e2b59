// Sends a window message to a window of another process and prints the
// reply. Auxiliary programs and tests use it to report to the updater.
//
//   sendmsg [--timeout <ms>] [--post] <handle> <msg> <wParam> <lParam>
//   sendmsg [--timeout <ms>] --copydata <handle> <dwData> <text>
//   sendmsg [--timeout <ms>] --copydata <handle> <dwData> --file <path>
//
// Copied text is sent byte for byte as given, followed by a terminating
// zero, because receivers read it as a zero-terminated string.
// Exit status: 0 sent (the reply is printed), 1 no such window, 2 usage or
// any other error.
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/window_messages.h"

namespace {

constexpr int kOk = 0;
constexpr int kNoWindow = 1;
constexpr int kError = 2;

int Usage(const std::string& problem) {
  std::cerr << "sendmsg: " << problem << "\n"
            << "usage: sendmsg [--timeout <ms>] [--post] <handle> <msg> <wParam> <lParam>\n"
            << "       sendmsg [--timeout <ms>] --copydata <handle> <dwData> <text>\n"
            << "       sendmsg [--timeout <ms>] --copydata <handle> <dwData> --file <path>\n";
  return kError;
}

// Decimal (optionally negative) or 0x-prefixed hexadecimal.
std::optional<long long> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  bool negative = text[0] == '-';
  const char* digits = text.c_str() + (negative ? 1 : 0);
  if (!*digits || *digits == '-' || *digits == '+') return std::nullopt;
  unsigned long long magnitude = std::strtoull(digits, &end, 0);
  if (errno || *end) return std::nullopt;
  if (!negative) return static_cast<long long>(magnitude);
  if (magnitude > (1ull << 63)) return std::nullopt;
  return -static_cast<long long>(magnitude - 1) - 1;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Request {
  platform::WindowHandle handle = 0;
  platform::WindowMessage message;
  platform::WaitTimeout timeout;
  bool post = false;
};

// Fills `request` from the arguments; returns a problem text or "".
std::string ParseArguments(std::vector<std::string> args, Request& request) {
  bool copydata = false;
  while (!args.empty() && args[0].rfind("--", 0) == 0 && args[0] != "--file") {
    std::string option = args[0];
    args.erase(args.begin());
    if (option == "--copydata") {
      copydata = true;
    } else if (option == "--post") {
      request.post = true;
    } else if (option == "--timeout" && !args.empty()) {
      auto ms = ParseNumber(args[0]);
      if (!ms || *ms < 0) return "bad time-out " + args[0];
      request.timeout = std::chrono::milliseconds(*ms);
      args.erase(args.begin());
    } else {
      return "unknown option " + option;
    }
  }
  if (copydata && request.post) return "copied data cannot be posted";
  std::size_t expected = copydata ? (args.size() > 2 && args[2] == "--file" ? 4 : 3) : 4;
  if (args.size() != expected) return "wrong number of arguments";
  auto handle = ParseNumber(args[0]);
  if (!handle || *handle <= 0 || *handle > 0xFFFFFFFFll) return "bad window handle " + args[0];
  request.handle = static_cast<platform::WindowHandle>(*handle);
  if (copydata) {
    auto tag = ParseNumber(args[1]);
    if (!tag) return "bad dwData " + args[1];
    std::optional<std::string> text = expected == 4 ? ReadFile(args[3]) : args[2];
    if (!text) return "cannot read " + args[3];
    text->push_back('\0');
    request.message = platform::WindowMessage::CopyDataMessage(
        0, platform::CopyData{static_cast<std::uintptr_t>(*tag), std::move(*text)});
    return {};
  }
  auto msg = ParseNumber(args[1]);
  auto wparam = ParseNumber(args[2]);
  auto lparam = ParseNumber(args[3]);
  if (!msg || *msg < 0 || *msg > 0xFFFFFFFFll) return "bad message number " + args[1];
  if (!wparam) return "bad wParam " + args[2];
  if (!lparam) return "bad lParam " + args[3];
  if (*msg == platform::WM_COPYDATA) return "WM_COPYDATA needs --copydata";
  request.message.msg = static_cast<std::uint32_t>(*msg);
  request.message.wParam = static_cast<std::uintptr_t>(*wparam);
  request.message.lParam = static_cast<std::intptr_t>(*lparam);
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  std::string problem = ParseArguments(std::vector<std::string>(argv + 1, argv + argc), request);
  if (!problem.empty()) return Usage(problem);
  try {
    platform::SendResult result = request.post ? platform::PostMessage(request.handle, request.message)
                                               : platform::SendMessage(request.handle, request.message,
                                                                       request.timeout);
    if (result.status == platform::SendStatus::Ok) {
      std::cout << result.result << '\n';
      return kOk;
    }
    std::cerr << "sendmsg: " << result.error << '\n';
    return result.status == platform::SendStatus::NoSuchWindow ? kNoWindow : kError;
  } catch (const std::exception& e) {
    std::cerr << "sendmsg: " << e.what() << '\n';
    return kError;
  }
}
