// The busy cursor a component shows while it works (a data set's
// SQLScreenCursor). The layer has no windows: the application installs the
// hooks that show a cursor and put the previous one back; without them
// nothing is shown. Cursor numbers are the class library's (0 is the
// default cursor and means "no change").
#pragma once

#include <functional>

namespace fib {

// Shows `cursor` over the one shown now; the previous one stays underneath.
using TShowScreenCursorHook = std::function<void(int cursor)>;
// Puts back the cursor that the matching show covered.
using TRestoreScreenCursorHook = std::function<void()>;

// Installs both hooks; empty hooks remove them. Calls made by guards alive
// at the change still end in the hooks that saw them begin.
void SetScreenCursorHooks(TShowScreenCursorHook show, TRestoreScreenCursorHook restore);

// Shows a cursor for as long as it lives (nothing for cursor 0 or without
// hooks), then puts the previous one back; nesting guards stack.
class TScreenCursorGuard {
 public:
  explicit TScreenCursorGuard(int cursor);
  ~TScreenCursorGuard();
  TScreenCursorGuard(const TScreenCursorGuard&) = delete;
  TScreenCursorGuard& operator=(const TScreenCursorGuard&) = delete;

 private:
  TRestoreScreenCursorHook restore_;
};

}  // namespace fib
