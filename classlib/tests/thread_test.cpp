#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>

#include "classlib/exceptions.h"
#include "classlib/thread.h"

namespace classlib {
namespace {

// Runs a test-supplied body as its Execute.
class Worker : public TThread {
  CLASSLIB_CLASS(Worker, TThread)
 public:
  Worker(bool suspended, std::function<void(Worker&)> body)
      : TThread(suspended), body_(std::move(body)) {}
  ~Worker() override {
    // Execute uses body_, a member of this class: stop before it goes.
    if (!Suspended() && !FreeOnTerminate()) {
      Terminate();
      WaitFor();
    }
    if (destroyed) *destroyed = true;
  }

  using TThread::SetReturnValue;
  std::atomic<bool>* destroyed = nullptr;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(Worker&)> body_;
};

struct TerminateListener : TObject {
  std::atomic<int> calls{0};
  std::atomic<std::uint32_t> thread_id{0};
  TObject* sender = nullptr;
  void OnTerminate(TObject* s) {
    sender = s;
    thread_id = GetCurrentThreadId();
    ++calls;
  }
};

TEST(Thread, RunsOnCreationAndHandsBackItsReturnValue) {
  std::atomic<std::uint32_t> ran_on{0};
  Worker* w = NewThread<Worker>(false, [&](Worker& self) {
    ran_on = GetCurrentThreadId();
    self.SetReturnValue(17);
  });
  EXPECT_EQ(w->WaitFor(), 17);
  EXPECT_TRUE(w->Finished());
  EXPECT_EQ(w->ThreadID(), ran_on.load());
  EXPECT_NE(ran_on.load(), GetCurrentThreadId());
  EXPECT_EQ(w->FatalException(), "");
  EXPECT_EQ(w->WaitFor(), 17);  // waiting again is harmless
  delete w;
}

TEST(Thread, SuspendedThreadWaitsForStart) {
  std::atomic<bool> ran{false};
  Worker* w = NewThread<Worker>(true, [&](Worker&) { ran = true; });
  Sleep(20);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(w->Suspended());
  EXPECT_EQ(w->ThreadID(), 0u);
  EXPECT_THROW(w->WaitFor(), EThread);
  w->Resume();
  EXPECT_THROW(w->Start(), EThread);
  w->WaitFor();
  EXPECT_TRUE(ran);
  EXPECT_THROW(w->Start(), EThread);
  delete w;

  // A thread that never started is deleted without running.
  std::atomic<bool> never{false};
  delete NewThread<Worker>(true, [&](Worker&) { never = true; });
  EXPECT_FALSE(never);
}

TEST(Thread, TerminateEndsALoopingThread) {
  std::atomic<int> rounds{0};
  Worker* w = NewThread<Worker>(false, [&](Worker& self) {
    while (!self.Terminated()) {
      ++rounds;
      Sleep(1);
    }
  });
  while (rounds < 3) Sleep(1);
  EXPECT_FALSE(w->WaitUntilFinished(10));
  EXPECT_FALSE(w->Finished());
  w->Terminate();
  EXPECT_TRUE(w->Terminated());
  EXPECT_TRUE(w->WaitUntilFinished(5000));
  w->WaitFor();
  EXPECT_TRUE(w->Finished());
  delete w;

  // Deleting a running thread stops it too.
  class Spinner : public TThread {
   public:
    Spinner() : TThread(false) {}
    std::atomic<bool> started{false};

   protected:
    void Execute() override {
      started = true;
      while (!Terminated()) Sleep(1);
    }
  };
  Spinner* spinner = NewThread<Spinner>();
  while (!spinner->started) Sleep(1);
  delete spinner;
}

TEST(Thread, ExceptionsFromExecuteAreKeptAsText) {
  Worker* library_error = NewThread<Worker>(false, [](Worker&) {
    throw EDatabaseError("connection lost");
  });
  EXPECT_NO_THROW(library_error->WaitFor());
  EXPECT_EQ(library_error->FatalException(), "connection lost");
  EXPECT_EQ(library_error->FatalExceptionClass(), "EDatabaseError");
  delete library_error;

  Worker* other = NewThread<Worker>(false, [](Worker&) { throw std::runtime_error("bad"); });
  other->WaitFor();
  EXPECT_EQ(other->FatalException(), "bad");
  EXPECT_EQ(other->FatalExceptionClass(), "std::exception");
  delete other;

  Worker* odd = NewThread<Worker>(false, [](Worker&) { throw 42; });
  odd->WaitFor();
  EXPECT_EQ(odd->FatalException(), "Unknown exception");
  delete odd;
}

TEST(Thread, FreeOnTerminateThreadDeletesItself) {
  std::atomic<bool> destroyed{false};
  TerminateListener listener;
  Worker* w = NewThread<Worker>(true, [](Worker&) {});
  w->destroyed = &destroyed;
  w->SetFreeOnTerminate(true);
  w->SetOnTerminate(TNotifyEvent(&listener, &TerminateListener::OnTerminate));
  EXPECT_THROW(w->WaitFor(), EThread);
  w->Start();
  for (int i = 0; i < 2000 && !destroyed; ++i) Sleep(1);
  EXPECT_TRUE(destroyed);  // and the leak checker finds nothing left
  EXPECT_EQ(listener.calls, 1);
}

TEST(Thread, OnTerminateRunsThroughTheSynchronizeHook) {
  TerminateListener listener;
  Worker* w = NewThread<Worker>(true, [](Worker&) {});
  w->SetOnTerminate(TNotifyEvent(&listener, &TerminateListener::OnTerminate));
  w->Start();
  w->WaitFor();
  EXPECT_EQ(listener.calls, 1);
  EXPECT_EQ(listener.sender, w);
  EXPECT_EQ(listener.thread_id, w->ThreadID());  // no hook: on the thread itself
  delete w;

  std::atomic<int> hooked{0};
  TThread::SetSynchronizeHook([&](const std::function<void()>& method) {
    ++hooked;
    method();
  });
  Worker* w2 = NewThread<Worker>(true, [](Worker&) { TThread::Synchronize([] {}); });
  w2->SetOnTerminate(TNotifyEvent(&listener, &TerminateListener::OnTerminate));
  w2->Start();
  w2->WaitFor();
  TThread::SetSynchronizeHook(nullptr);
  EXPECT_EQ(hooked, 2);  // the explicit call and OnTerminate
  EXPECT_EQ(listener.calls, 2);
  delete w2;
}

}  // namespace
}  // namespace classlib
