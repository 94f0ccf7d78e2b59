#include "app/progress_view_relay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fake_progress_view.h"

namespace app::testing {
namespace {

// Writes every call it gets as a line, so the order can be compared.
class CallLog : public FakeProgressView {
 public:
  void SetStatusText(const std::string& text) override {
    FakeProgressView::SetStatusText(text);
    calls.push_back("status " + text);
  }
  void SetProgressRange(int new_min, int new_max) override {
    FakeProgressView::SetProgressRange(new_min, new_max);
    calls.push_back("range " + std::to_string(new_min) + " " + std::to_string(new_max));
  }
  void SetProgressPosition(int new_position) override {
    FakeProgressView::SetProgressPosition(new_position);
    calls.push_back("position " + std::to_string(new_position));
  }
  void AddDetailLine(const std::string& line) override {
    FakeProgressView::AddDetailLine(line);
    calls.push_back("line " + line);
  }
  void ClearDetails() override {
    FakeProgressView::ClearDetails();
    calls.push_back("clear");
  }
  void SetDetailsButtonEnabled(bool enabled) override {
    FakeProgressView::SetDetailsButtonEnabled(enabled);
    calls.push_back(enabled ? "button on" : "button off");
  }
  void SetStateImage(TUpdatePhase part, TStateImage image) override {
    FakeProgressView::SetStateImage(part, image);
    calls.push_back("image " + std::to_string(part) + " " + std::to_string(image));
  }
  void ProcessMessages() override {
    FakeProgressView::ProcessMessages();
    calls.push_back("process");
  }
  std::vector<std::string> calls;
};

TEST(ProgressRelayTest, TheViewGetsTheCallsInTheirOrderOnlyWhenTheyAreDelivered) {
  CallLog view;
  view.status = "before";
  view.position = 7;
  view.details = {"old line"};
  TProgressRelay relay(view);
  EXPECT_EQ(relay.StatusText(), "before");
  EXPECT_EQ(relay.ProgressPosition(), 7);

  relay.SetStatusText("one");
  relay.AddDetailLine("a");
  relay.SetProgressPosition(9);
  relay.ClearDetails();
  relay.AddDetailLine("b");
  relay.SetProgressRange(0, 50);
  relay.SetDetailsButtonEnabled(true);
  relay.SetStateImage(upSettings, siFailed);
  relay.SetStatusText("two");
  relay.ProcessMessages();
  // Read back from the relay before anything reached the view.
  EXPECT_TRUE(view.calls.empty());
  EXPECT_EQ(relay.StatusText(), "two");
  EXPECT_EQ(relay.ProgressPosition(), 9);
  EXPECT_EQ(relay.ProgressMax(), 50);
  EXPECT_TRUE(relay.DetailsButtonEnabled());
  EXPECT_EQ(relay.DetailLines(), std::vector<std::string>{"b"});

  relay.Deliver();
  EXPECT_EQ(view.calls, (std::vector<std::string>{"status one", "line a", "position 9", "clear", "line b",
                                                  "range 0 50", "button on", "image 2 3", "status two",
                                                  "process"}));
  relay.Deliver();  // nothing new: nothing twice
  EXPECT_EQ(view.calls.size(), 10u);
}

// The writer gets far ahead of the deliveries: it waits for them instead of
// piling the lines up, and each line arrives once, in its place.
TEST(ProgressRelayTest, LinesAddedOnAnotherThreadWhileDeliveringArriveOnceAndInOrder) {
  CallLog view;
  TProgressRelay relay(view);
  constexpr int kLines = 20000;
  std::atomic<bool> written{false};
  std::thread writer([&] {
    for (int i = 0; i < kLines; ++i) relay.AddDetailLine(std::to_string(i));
    written = true;
  });
  while (!written) relay.Deliver();
  writer.join();
  relay.Deliver();
  ASSERT_EQ(view.details.size(), static_cast<size_t>(kLines));
  for (int i = 0; i < kLines; ++i) ASSERT_EQ(view.details[static_cast<size_t>(i)], std::to_string(i));
}

// A window's thread that delivers only when asked to hurry: a writer far
// ahead of it must ask each time it finds the calls at their bound, or it
// would wait forever. No delivery makes more than the bound allows, a text
// longer than the bound goes alone, and every call arrives once, in order.
TEST(ProgressRelayTest, AWriterAtTheBoundHurriesTheWindowAndNothingIsLostOrReordered) {
  struct Requests {
    std::mutex mutex;
    std::condition_variable asked;
    int count = 0;
  } requests;
  CallLog view;
  TProgressRelay relay(view, [&] {
    std::lock_guard<std::mutex> lock(requests.mutex);
    ++requests.count;
    requests.asked.notify_one();
  });
  constexpr int kStatements = 3000;
  const std::string long_line(5000, 'x');  // longer than a batch's texts
  std::vector<std::string> expected;
  for (int i = 0; i < kStatements; ++i) {
    expected.push_back("status group " + std::to_string(i));
    expected.push_back("process");
    if (i % 500 == 7) expected.push_back("line " + long_line);
    if (i % 100 == 0) expected.push_back("position " + std::to_string(i / 100));
  }
  std::atomic<bool> written{false};
  std::thread writer([&] {
    for (int i = 0; i < kStatements; ++i) {
      relay.SetStatusText("group " + std::to_string(i));
      relay.ProcessMessages();
      if (i % 500 == 7) relay.AddDetailLine(long_line);
      if (i % 100 == 0) relay.SetProgressPosition(i / 100);
    }
    written = true;
    std::lock_guard<std::mutex> lock(requests.mutex);
    requests.asked.notify_one();
  });
  int answered = 0;
  bool never_asked = false;  // then the window delivers on its own, to end the test
  size_t largest_delivery = 0;
  while (!written) {
    if (!never_asked) {
      std::unique_lock<std::mutex> lock(requests.mutex);
      never_asked = !requests.asked.wait_for(lock, std::chrono::seconds(2),
                                             [&] { return written || requests.count > answered; });
      answered = requests.count;
    }
    const size_t before = view.calls.size();
    relay.Deliver();
    largest_delivery = std::max(largest_delivery, view.calls.size() - before);
    for (size_t i = before; i < view.calls.size(); ++i) {
      if (view.calls[i].size() > long_line.size()) {
        EXPECT_EQ(view.calls.size() - before, 1u) << "a long text shares its delivery";
      }
    }
  }
  writer.join();
  relay.Deliver();
  EXPECT_FALSE(never_asked) << "the writer waited without asking the window to hurry";
  EXPECT_GT(answered, 0);
  EXPECT_LE(largest_delivery, 256u);
  ASSERT_EQ(view.calls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(view.calls[i], expected[i]) << "call " << i;
}

// The relay keeps no copy of the details list, which may be long: read on
// the window's thread it is the view's list with the pending calls made,
// read on another thread the window's thread reads it at its next delivery.
TEST(ProgressRelayTest, TheDetailsListIsReadFromTheViewOnWhicheverThreadAsks) {
  CallLog view;
  view.details = {"one"};
  TProgressRelay relay(view);
  view.details.push_back("written by the window itself");
  relay.AddDetailLine("pending");
  EXPECT_EQ(relay.DetailLines(), (std::vector<std::string>{"one", "written by the window itself", "pending"}));

  std::vector<std::string> read_by_worker;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    relay.AddDetailLine("from the worker");
    read_by_worker = relay.DetailLines();
    relay.ClearDetails();
    relay.AddDetailLine("after clearing");
    done = true;
  });
  while (!done) relay.Deliver();
  worker.join();
  EXPECT_EQ(read_by_worker, (std::vector<std::string>{"one", "written by the window itself", "pending",
                                                      "from the worker"}));
  EXPECT_EQ(relay.DetailLines(), std::vector<std::string>{"after clearing"});
  relay.Deliver();
  EXPECT_EQ(view.details, std::vector<std::string>{"after clearing"});
}

// A view whose event processing delivers again (the window's events run
// while a delivery makes its calls): every call arrives once; the inner
// delivery makes those added meanwhile, then the outer one goes on.
TEST(ProgressRelayTest, ADeliveryStartedByTheViewItselfMakesEachCallOnce) {
  class DeliveringView : public CallLog {
   public:
    void ProcessMessages() override {
      CallLog::ProcessMessages();
      if (relay == nullptr) return;
      TProgressRelay* again = std::exchange(relay, nullptr);
      again->SetStatusText("added while delivering");
      again->Deliver();
    }
    TProgressRelay* relay = nullptr;
  };
  DeliveringView view;
  TProgressRelay relay(view);
  view.relay = &relay;
  relay.SetStatusText("first status, longer than a short string");
  relay.ProcessMessages();
  relay.AddDetailLine("line after");
  relay.Deliver();
  relay.Deliver();
  EXPECT_EQ(view.calls, (std::vector<std::string>{"status first status, longer than a short string", "process",
                                                  "status added while delivering", "line line after"}));
  EXPECT_EQ(view.status, "added while delivering");
}

}  // namespace
}  // namespace app::testing
