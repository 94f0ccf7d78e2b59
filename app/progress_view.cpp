#include "app/progress_view.h"

#include <algorithm>
#include <cmath>

#include "classlib/currency.h"

namespace app {

void MoveProgress(IProgressView& view, double position) {
  // Clamped before rounding, so no value is too large to round; a share that
  // is no number at all leaves the bar at its start.
  double min = view.ProgressMin();
  double max = std::max(min, static_cast<double>(view.ProgressMax()));
  double clamped = std::isnan(position) ? min : std::clamp(position, min, max);
  view.SetProgressPosition(static_cast<int>(classlib::Round(clamped)));
  view.ProcessMessages();
}

}  // namespace app
