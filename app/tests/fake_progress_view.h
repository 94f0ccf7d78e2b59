// A progress view without a window: it records what the run shows, so tests
// can look at the details list, the bar and the state images.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/progress_view.h"

namespace app::testing {

class FakeProgressView : public IProgressView {
 public:
  std::string StatusText() const override { return status; }
  void SetStatusText(const std::string& text) override { status = text; }

  int ProgressMin() const override { return min; }
  int ProgressMax() const override { return max; }
  void SetProgressRange(int new_min, int new_max) override {
    min = new_min;
    max = new_max;
  }
  int ProgressPosition() const override { return position; }
  void SetProgressPosition(int new_position) override { position = new_position; }

  void AddDetailLine(const std::string& line) override { details.push_back(line); }
  std::vector<std::string> DetailLines() const override { return details; }
  void ClearDetails() override { details.clear(); }
  bool DetailsButtonEnabled() const override { return details_enabled; }
  void SetDetailsButtonEnabled(bool enabled) override { details_enabled = enabled; }

  void SetStateImage(TUpdatePhase part, TStateImage image) override { images[part] = image; }
  void ProcessMessages() override { ++messages_processed; }

  std::string status;
  int min = 0;
  int max = 100;
  int position = 0;
  std::vector<std::string> details;
  bool details_enabled = false;
  std::map<TUpdatePhase, TStateImage> images;
  int messages_processed = 0;
};

}  // namespace app::testing
