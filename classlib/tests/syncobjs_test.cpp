#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/syncobjs.h"
#include "classlib/thread.h"

namespace classlib {
namespace {

using Clock = std::chrono::steady_clock;

// Polls cond for up to two seconds; tests use it instead of fixed sleeps
// wherever they wait for something to happen.
template <class Cond>
bool Eventually(Cond cond) {
  auto deadline = Clock::now() + std::chrono::seconds(2);
  while (!cond()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(Event, ManualResetReleasesEveryWaiterAndStaysSet) {
  TEvent event(true, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (event.WaitFor() == wrSignaled) ++released;
    });
  event.SetEvent();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released, 3);
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
  event.ResetEvent();
  auto start = Clock::now();
  EXPECT_EQ(event.WaitFor(30), wrTimeout);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
}

TEST(Event, AutoResetReleasesExactlyOneWaiterPerSignal) {
  TEvent event(false, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (event.WaitFor(5000) == wrSignaled) ++released;
    });
  event.SetEvent();
  ASSERT_TRUE(Eventually([&] { return released == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(released, 1);
  event.SetEvent();
  ASSERT_TRUE(Eventually([&] { return released == 2; }));
  event.SetEvent();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released, 3);

  TEvent lone(false, true);
  EXPECT_EQ(lone.WaitFor(0), wrSignaled);
  EXPECT_EQ(lone.WaitFor(0), wrTimeout);
}

TEST(Event, PulseReleasesOnlyCurrentWaiters) {
  for (bool manual : {true, false}) {
    TEvent event(manual, false);
    event.PulseEvent();  // nobody waits: nothing is kept
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
    std::atomic<bool> done{false};
    std::thread waiter([&] {
      EXPECT_EQ(event.WaitFor(5000), wrSignaled);
      done = true;
    });
    EXPECT_TRUE(Eventually([&] {
      event.PulseEvent();
      return done.load();
    }));
    waiter.join();
    EXPECT_EQ(event.WaitFor(0), wrTimeout) << "manual=" << manual;
  }
}

TEST(CriticalSection, IsReentrantAndExcludesOtherThreads) {
  TCriticalSection cs;
  cs.Enter();
  ASSERT_TRUE(cs.TryEnter());
  auto try_from_other = [&] {
    bool got = false;
    std::thread([&] {
      got = cs.TryEnter();
      if (got) cs.Leave();
    }).join();
    return got;
  };
  EXPECT_FALSE(try_from_other());
  cs.Leave();
  EXPECT_FALSE(try_from_other());  // still held once
  cs.Leave();
  EXPECT_TRUE(try_from_other());

  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        CriticalSectionGuard guard(cs);
        ++counter;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 80000);
}

TEST(MultiReadExclusiveWrite, ReadersShareWritersExclude) {
  TMultiReadExclusiveWriteSynchronizer sync;
  std::atomic<int> readers_inside{0};
  std::atomic<bool> both_inside{false};
  auto reader = [&] {
    sync.BeginRead();
    ++readers_inside;
    both_inside = Eventually([&] { return readers_inside == 2; }) || both_inside;
    sync.EndRead();
  };
  std::thread r1(reader), r2(reader);
  r1.join();
  r2.join();
  EXPECT_TRUE(both_inside) << "two readers never held the lock together";

  sync.BeginRead();
  std::atomic<bool> writing{false};
  std::thread writer([&] {
    EXPECT_TRUE(sync.BeginWrite());
    writing = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    writing = false;
    sync.EndWrite();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(writing) << "a writer got in while a reader held the lock";
  sync.EndRead();
  ASSERT_TRUE(Eventually([&] { return writing.load(); }));
  sync.BeginRead();  // waits for the writer to finish
  EXPECT_FALSE(writing);
  sync.EndRead();
  writer.join();
}

TEST(MultiReadExclusiveWrite, WriterMayNestAndReadInsideItsWrite) {
  TMultiReadExclusiveWriteSynchronizer sync;
  EXPECT_TRUE(sync.BeginWrite());
  EXPECT_TRUE(sync.BeginWrite());
  sync.BeginRead();
  sync.EndRead();
  sync.EndWrite();
  std::atomic<bool> read{false};
  std::thread other([&] {
    sync.BeginRead();
    read = true;
    sync.EndRead();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(read) << "still one write level held";
  sync.EndWrite();
  other.join();
  EXPECT_TRUE(read);
  EXPECT_THROW(sync.EndWrite(), EInvalidOperation);
  EXPECT_THROW(sync.EndRead(), EInvalidOperation);
}

TEST(MultiReadExclusiveWrite, TwoReadersAskingToWriteDoNotDeadlock) {
  TMultiReadExclusiveWriteSynchronizer sync;
  std::atomic<int> in_read{0}, first_writes{0}, later_writes{0};
  auto promote = [&] {
    sync.BeginRead();
    ++in_read;
    Eventually([&] { return in_read == 2; });
    if (sync.BeginWrite())
      ++first_writes;
    else
      ++later_writes;  // the other writer went first
    sync.EndWrite();
    sync.EndRead();
  };
  std::thread a(promote), b(promote);
  a.join();
  b.join();
  EXPECT_EQ(first_writes, 1);
  EXPECT_EQ(later_writes, 1);
}

TEST(MultiReadExclusiveWrite, ReadersNeverSeeAHalfDoneWrite) {
  TMultiReadExclusiveWriteSynchronizer sync;
  int a = 0, b = 0;
  std::atomic<int> torn{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) {
        sync.BeginWrite();
        ++a;
        std::this_thread::yield();
        ++b;
        sync.EndWrite();
      }
    });
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&] {
      while (!stop) {
        sync.BeginRead();
        if (a != b) ++torn;
        sync.EndRead();
      }
    });
  threads[0].join();
  threads[1].join();
  stop = true;
  threads[2].join();
  threads[3].join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(a, 2000);
}

}  // namespace
}  // namespace classlib
