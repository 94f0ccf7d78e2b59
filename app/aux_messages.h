// What auxiliary programs report back while the updater waits for them:
// progress, their result and error texts arrive as window messages sent to
// the main window, whose handle they get on their command line (<HANDLE>).
// The handlers below are the window's answers to those messages; the
// receiver at the end lets any progress view stand in for the window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/progress_view.h"
#include "platform/message_loop.h"
#include "platform/window_messages.h"

namespace app {

// ---- Feedback state ----------------------------------------------------------

// The running program's command line; the source of blocks logged from its
// messages.
extern std::string ChildCommandLine;
// False once the running program reported a failure; a success report sets
// it again.
extern bool ChildResultOk;
// The number (from 1) of the settings item that is running.
extern int32_t SettingsItemNumber;

// ---- Messages ------------------------------------------------------------------

// WParam: the running item's progress in percent.
inline constexpr std::uint32_t WM_CHILD_PROGRESS = platform::WM_USER + 2;  // 1026
// WParam: 0 success, anything else failure.
inline constexpr std::uint32_t WM_CHILD_RESULT = platform::WM_USER + 3;  // 1027
// WParam: a global atom whose name is the error text.
inline constexpr std::uint32_t WM_CHILD_ERROR = platform::WM_USER + 4;  // 1028

// The longest error text an atom passes on: its buffer holds 255 characters
// with the terminating zero.
inline constexpr std::size_t kChildErrorTextMax = 254;

// Each handler answers 0.
// Moves the bar to WParam percent of the item's share past the item's start.
std::intptr_t WMChildProgress(IProgressView& view, const platform::WindowMessage& message);
// A failure logs a block for the settings item and clears ChildResultOk.
std::intptr_t WMChildResult(IProgressView& view, const platform::WindowMessage& message);
// Logs the atom's name (the atom stays; the sender owns it), or
// "Неопределенная ошибка" when it has none, and clears ChildResultOk.
std::intptr_t WMChildError(IProgressView& view, const platform::WindowMessage& message);
// The copied text up to its first zero, never past the copied bytes: during
// the reference-group transfer an error (logged, clears ChildResultOk),
// during the settings update the status text, otherwise ignored.
std::intptr_t WMCopyData(IProgressView& view, const platform::WindowMessage& message);

// The handler's answer for the four messages above; no value for others.
std::optional<std::intptr_t> DispatchChildMessage(IProgressView& view,
                                                  const platform::WindowMessage& message);

// The window's end of the channel: a receiver whose messages reach the
// handlers above through `loop`, so they run while the loop is pumped (the
// wait for a child pumps it). Its handle becomes MainWindowHandle, the
// number <HANDLE> gives the children; it is set back to 0 on destruction.
// Messages the handlers do not know are answered with 0.
class TChildMessageReceiver {
 public:
  explicit TChildMessageReceiver(IProgressView& view,
                                 platform::MessageLoop& loop = platform::MessageLoop::Current());
  ~TChildMessageReceiver();
  TChildMessageReceiver(const TChildMessageReceiver&) = delete;
  TChildMessageReceiver& operator=(const TChildMessageReceiver&) = delete;

  platform::WindowHandle Handle() const { return receiver_.Handle(); }

 private:
  platform::WindowReceiver receiver_;
};

}  // namespace app
