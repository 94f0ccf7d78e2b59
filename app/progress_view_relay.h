// The progress view as work on the statement thread sees it: it keeps what
// the work shows and hands it to the window's view when the window's thread
// asks, between two rounds of its events and once the work is done. The
// view gets the same calls in the same order, at most one round late, so
// the window also processes its events at each point the work asks it to.
// Work that gets far ahead of the window waits for it, and asks the window's
// thread to deliver at once: the calls not yet delivered stay few and take
// a fixed amount of memory.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/progress_view.h"

namespace app {

class TProgressRelay : public IProgressView {
 public:
  // Takes what `view` shows now; made on the window's thread. Another
  // thread that finds the pending calls at their bound calls `hurry` (when
  // given) before it waits: it should make the window's thread deliver
  // soon; the relay asks nothing of how.
  explicit TProgressRelay(IProgressView& view, std::function<void()> hurry = {});

  // On the window's thread: makes on the view the calls made here since the
  // last time, in their order.
  void Deliver();

  // Read back from the relay: what the view shows once the pending calls
  // are made. The details list is not kept here: on the window's thread it
  // is the view's, and another thread waits for the window's thread to read
  // it at its next delivery.
  std::string StatusText() const override;
  void SetStatusText(const std::string& text) override;
  int ProgressMin() const override;
  int ProgressMax() const override;
  void SetProgressRange(int min, int max) override;
  int ProgressPosition() const override;
  void SetProgressPosition(int position) override;
  void AddDetailLine(const std::string& line) override;
  std::vector<std::string> DetailLines() const override;
  void ClearDetails() override;
  bool DetailsButtonEnabled() const override;
  void SetDetailsButtonEnabled(bool enabled) override;
  void SetStateImage(TUpdatePhase part, TStateImage image) override;
  // Delivered like the other calls: the window's thread then processes its
  // pending events at the same point of the run.
  void ProcessMessages() override;

 private:
  enum class TCall { kStatus, kRange, kPosition, kLine, kClear, kDetailsButton, kImage, kProcessMessages };
  // A call's text is the piece [first, first + second) of its batch's
  // texts, so a call costs no allocation of its own.
  struct TPendingCall {
    TCall call;
    int first = 0;
    int second = 0;
  };
  // Calls in their order and the texts they carry, one after the other.
  // Two batches take turns (one filled, one delivered); each is made as
  // large as the bounds once and keeps that size, so a run takes the same
  // few kilobytes however long it is or however far the window falls behind.
  struct TBatch {
    TBatch();
    // Empties the batch and brings it back to the bounds' size.
    void Clear();
    // Whether a call with `text_size` bytes of text must wait for a delivery.
    bool Full(size_t text_size) const;
    std::vector<TPendingCall> calls;
    std::string texts;
  };
  // Under mutex_ (held by `lock`).
  void Add(std::unique_lock<std::mutex>& lock, TPendingCall call, size_t text_size = 0);
  void AddWithText(std::unique_lock<std::mutex>& lock, TCall call, const std::string& text);
  void Make(const TPendingCall& c, const std::string& texts);
  // `lines` as the calls of `batch` leave them.
  static void ApplyLines(const TBatch& batch, std::vector<std::string>& lines);
  // On the window's thread, after a delivery: reads the details list for a
  // thread that asked for it up to `asked`.
  void AnswerLines(unsigned long asked);

  // The bounds of a batch: about two rounds of a fast run's statements.
  static constexpr size_t kMaxPending = 256;
  static constexpr size_t kMaxPendingText = 4096;

  IProgressView& view_;
  const std::function<void()> hurry_;
  const std::thread::id window_thread_;
  mutable std::mutex mutex_;
  mutable std::condition_variable delivered_;
  // What the view shows once the pending calls are made.
  std::string status_;
  int min_, max_, position_;
  bool details_button_;
  TBatch pending_;
  // Asks for the details list from other threads and the window's answer.
  mutable unsigned long lines_asked_ = 0;
  unsigned long lines_answered_ = 0;
  mutable int lines_waiting_ = 0;
  mutable std::vector<std::string> lines_answer_;
  // The batch last delivered, emptied, ready to take the next one's place;
  // touched by the window's thread only.
  TBatch spare_;
};

}  // namespace app
