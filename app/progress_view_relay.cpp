#include "app/progress_view_relay.h"

#include <utility>

namespace app {

TProgressRelay::TBatch::TBatch() {
  calls.reserve(kMaxPending);
  texts.reserve(kMaxPendingText);
}

// The window's thread adds without waiting, and a long text goes alone: a
// batch they grew goes back to its bounds.
void TProgressRelay::TBatch::Clear() {
  if (calls.capacity() > kMaxPending || texts.capacity() > kMaxPendingText) {
    *this = TBatch();
    return;
  }
  calls.clear();
  texts.clear();
}

// An empty batch takes any call, so a text longer than the bound still goes.
bool TProgressRelay::TBatch::Full(size_t text_size) const {
  return !calls.empty() && (calls.size() >= kMaxPending || texts.size() + text_size > kMaxPendingText);
}

TProgressRelay::TProgressRelay(IProgressView& view, std::function<void()> hurry)
    : view_(view),
      hurry_(std::move(hurry)),
      window_thread_(std::this_thread::get_id()),
      status_(view.StatusText()),
      min_(view.ProgressMin()),
      max_(view.ProgressMax()),
      position_(view.ProgressPosition()),
      details_button_(view.DetailsButtonEnabled()) {}

// The batch is taken out while its calls are made: a view that processes
// events may get here again, and then finds a batch of its own.
void TProgressRelay::Deliver() {
  TBatch batch = std::move(spare_);
  unsigned long lines_asked = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(pending_, batch);
    lines_asked = lines_asked_;
  }
  delivered_.notify_all();
  for (const TPendingCall& c : batch.calls) Make(c, batch.texts);
  batch.Clear();
  spare_ = std::move(batch);
  AnswerLines(lines_asked);
}

void TProgressRelay::AnswerLines(unsigned long asked) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lines_answered_ >= asked) return;
  }
  std::vector<std::string> lines = view_.DetailLines();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_answer_ = std::move(lines);
    lines_answered_ = asked;
  }
  delivered_.notify_all();
}

void TProgressRelay::ApplyLines(const TBatch& batch, std::vector<std::string>& lines) {
  for (const TPendingCall& c : batch.calls) {
    if (c.call == TCall::kClear) lines.clear();
    if (c.call == TCall::kLine)
      lines.push_back(batch.texts.substr(static_cast<size_t>(c.first), static_cast<size_t>(c.second)));
  }
}

void TProgressRelay::Make(const TPendingCall& c, const std::string& texts) {
  switch (c.call) {
    case TCall::kStatus:
      view_.SetStatusText(texts.substr(static_cast<size_t>(c.first), static_cast<size_t>(c.second)));
      break;
    case TCall::kLine:
      view_.AddDetailLine(texts.substr(static_cast<size_t>(c.first), static_cast<size_t>(c.second)));
      break;
    case TCall::kRange: view_.SetProgressRange(c.first, c.second); break;
    case TCall::kPosition: view_.SetProgressPosition(c.first); break;
    case TCall::kClear: view_.ClearDetails(); break;
    case TCall::kDetailsButton: view_.SetDetailsButtonEnabled(c.first != 0); break;
    case TCall::kImage:
      view_.SetStateImage(static_cast<TUpdatePhase>(c.first), static_cast<TStateImage>(c.second));
      break;
    case TCall::kProcessMessages: view_.ProcessMessages(); break;
  }
}

// The window's thread never waits here: it is the one that delivers. The
// others ask it to hurry each time they find the batch full, so a request
// made before the window's thread took the last batch is not all they wait on.
void TProgressRelay::Add(std::unique_lock<std::mutex>& lock, TPendingCall call, size_t text_size) {
  if (std::this_thread::get_id() != window_thread_) {
    while (pending_.Full(text_size)) {
      if (hurry_) hurry_();
      delivered_.wait(lock);
    }
  }
  pending_.calls.push_back(call);
}

void TProgressRelay::AddWithText(std::unique_lock<std::mutex>& lock, TCall call, const std::string& text) {
  Add(lock, {call, 0, static_cast<int>(text.size())}, text.size());
  pending_.calls.back().first = static_cast<int>(pending_.texts.size());
  pending_.texts += text;
}

std::string TProgressRelay::StatusText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

void TProgressRelay::SetStatusText(const std::string& text) {
  std::unique_lock<std::mutex> lock(mutex_);
  status_ = text;
  AddWithText(lock, TCall::kStatus, text);
}

int TProgressRelay::ProgressMin() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return min_;
}

int TProgressRelay::ProgressMax() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return max_;
}

void TProgressRelay::SetProgressRange(int min, int max) {
  std::unique_lock<std::mutex> lock(mutex_);
  min_ = min;
  max_ = max;
  Add(lock, {TCall::kRange, min, max});
}

int TProgressRelay::ProgressPosition() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return position_;
}

void TProgressRelay::SetProgressPosition(int position) {
  std::unique_lock<std::mutex> lock(mutex_);
  position_ = position;
  Add(lock, {TCall::kPosition, position, 0});
}

void TProgressRelay::AddDetailLine(const std::string& line) {
  std::unique_lock<std::mutex> lock(mutex_);
  AddWithText(lock, TCall::kLine, line);
}

// The calls made since the list was read are those still pending: the
// asking thread waits, so none of its own are made meanwhile.
std::vector<std::string> TProgressRelay::DetailLines() const {
  if (std::this_thread::get_id() == window_thread_) {
    std::vector<std::string> lines = view_.DetailLines();
    std::lock_guard<std::mutex> lock(mutex_);
    ApplyLines(pending_, lines);
    return lines;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  const unsigned long asked = ++lines_asked_;
  ++lines_waiting_;
  delivered_.wait(lock, [&] { return lines_answered_ >= asked; });
  std::vector<std::string> lines = lines_answer_;
  if (--lines_waiting_ == 0) std::vector<std::string>().swap(lines_answer_);
  ApplyLines(pending_, lines);
  return lines;
}

void TProgressRelay::ClearDetails() {
  std::unique_lock<std::mutex> lock(mutex_);
  Add(lock, {TCall::kClear, 0, 0});
}

bool TProgressRelay::DetailsButtonEnabled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return details_button_;
}

void TProgressRelay::SetDetailsButtonEnabled(bool enabled) {
  std::unique_lock<std::mutex> lock(mutex_);
  details_button_ = enabled;
  Add(lock, {TCall::kDetailsButton, enabled ? 1 : 0, 0});
}

void TProgressRelay::SetStateImage(TUpdatePhase part, TStateImage image) {
  std::unique_lock<std::mutex> lock(mutex_);
  Add(lock, {TCall::kImage, static_cast<int>(part), static_cast<int>(image)});
}

void TProgressRelay::ProcessMessages() {
  std::unique_lock<std::mutex> lock(mutex_);
  Add(lock, {TCall::kProcessMessages, 0, 0});
}

}  // namespace app
