// What the Firebird layer asks of the window, which it has none of: the
// database login dialog, the busy cursor of its data sets, and a box for
// errors its timers raise and for a lost connection that ends the program.
// Installed for the life of an object.
#pragma once

#include <Qt>
#include <memory>

namespace app {

class TPostedCalls;

class TFibWindowHooks {
 public:
  // Needs the application object; call it on the window's thread.
  TFibWindowHooks();
  ~TFibWindowHooks();
  TFibWindowHooks(const TFibWindowHooks&) = delete;
  TFibWindowHooks& operator=(const TFibWindowHooks&) = delete;

 private:
  // What other threads ask of the window waits here for the window's thread.
  const std::unique_ptr<TPostedCalls> window_calls_;
};

// The window system's cursor for a cursor number of the class library
// (crHourGlass -11, crSQLWait -17, ...); a number it has no shape for shows
// the wait cursor.
Qt::CursorShape CursorShapeOf(int cursor);

}  // namespace app
