// What the update run shows on the third page of the main window: the status
// label, the progress bar, the details list with its toggle button and the
// state image of each update part. The window implements it; the run only
// talks to this interface, so it can be driven without a window. Texts are
// ANSI (code page 1251).
#pragma once

#include <string>
#include <vector>

#include "app/run_state.h"

namespace app {

// Pictures of the state images.
enum TStateImage { siNotRun = 0, siRunning = 1, siSucceeded = 2, siFailed = 3 };

class IProgressView {
 public:
  virtual ~IProgressView() = default;

  virtual std::string StatusText() const = 0;
  virtual void SetStatusText(const std::string& text) = 0;

  virtual int ProgressMin() const = 0;
  virtual int ProgressMax() const = 0;
  virtual void SetProgressRange(int min, int max) = 0;
  virtual int ProgressPosition() const = 0;
  virtual void SetProgressPosition(int position) = 0;

  // One line of the details list; the line holds no line break.
  virtual void AddDetailLine(const std::string& line) = 0;
  virtual std::vector<std::string> DetailLines() const = 0;
  virtual void ClearDetails() = 0;
  virtual bool DetailsButtonEnabled() const = 0;
  virtual void SetDetailsButtonEnabled(bool enabled) = 0;

  // Shows picture `image` in the state image of `part` and repaints it.
  virtual void SetStateImage(TUpdatePhase part, TStateImage image) = 0;

  // Lets the window handle what is pending, so it stays alive during long steps.
  virtual void ProcessMessages() = 0;
};

// Moves the bar to the nearest integer (halves to the even neighbour)
// clamped to its range, then lets pending messages through.
void MoveProgress(IProgressView& view, double position);

}  // namespace app
