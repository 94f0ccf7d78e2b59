#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "child_process.h"
#include "classlib/exceptions.h"
#include "platform/named_event.h"
#include "platform/named_mutex.h"
#include "platform/shared_memory.h"
#include "temp_runtime_dir.h"

namespace platform {
namespace {

using std::chrono::milliseconds;
using testing::ForkChild;
using testing::WaitChild;

class SharedObjects : public testing::TempRuntimeDir {
 protected:
  void TearDown() override {
    for (const char* name : {"Test.Mem", "Test.Mutex", "Test.Event", "Test.Other"}) SharedMemory::Remove(name);
    TempRuntimeDir::TearDown();
  }
};

TEST_F(SharedObjects, MemoryIsSharedWithAnotherProcessAndCreatedOnlyOnce) {
  SharedMemory memory("Test.Mem", 2048);
  EXPECT_TRUE(memory.Created());
  auto* bytes = static_cast<unsigned char*>(memory.Data());
  EXPECT_EQ(bytes[2047], 0) << "a new block is zeroed";
  std::strcpy(reinterpret_cast<char*>(bytes), "from parent");
  pid_t child = ForkChild([] {
    SharedMemory opened("Test.Mem", 2048);
    char* text = static_cast<char*>(opened.Data());
    int ok = !opened.Created() && std::strcmp(text, "from parent") == 0;
    std::strcpy(text, "from child");
    return ok ? 0 : 1;
  });
  EXPECT_EQ(WaitChild(child, std::chrono::seconds(10)), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(bytes), "from child");
}

// Looking for a block that may not be there answers without raising, maps
// one that another process made, and still refuses one of another size.
TEST_F(SharedObjects, OpenIfExistsAnswersNothingForAMissingBlockAndMapsAnExistingOne) {
  std::unique_ptr<SharedMemory> missing;
  EXPECT_NO_THROW(missing = SharedMemory::OpenIfExists("Test.Mem", 2048));
  EXPECT_EQ(missing, nullptr);
  EXPECT_FALSE(SharedMemory::Remove("Test.Mem")) << "looking made no block";

  pid_t child = ForkChild([] {
    SharedMemory made("Test.Mem", 2048);
    std::strcpy(static_cast<char*>(made.Data()), "made by the child");
    return 0;
  });
  ASSERT_EQ(WaitChild(child, std::chrono::seconds(10)), 0);
  std::unique_ptr<SharedMemory> found = SharedMemory::OpenIfExists("Test.Mem", 2048);
  ASSERT_NE(found, nullptr);
  EXPECT_FALSE(found->Created());
  EXPECT_STREQ(static_cast<const char*>(found->Data()), "made by the child");
  found.reset();
  EXPECT_TRUE(SharedMemory::Remove("Test.Mem")) << "an opener leaves the name to its creator";

  SharedMemory small("Test.Other", 16);
  EXPECT_THROW(SharedMemory::OpenIfExists("Test.Other", 2048), classlib::EOSError);
}

TEST_F(SharedObjects, MemoryNamesAreValidAndSeparatedByRuntimeFolder) {
  std::string name = SharedMemory::ObjectNameFor("ZOD.SQL.MONITOR.SharedMem");
  EXPECT_EQ(name[0], '/');
  EXPECT_EQ(name.find('/', 1), std::string::npos);
  EXPECT_NE(name.find("ZOD.SQL.MONITOR.SharedMem"), std::string::npos);
  EXPECT_EQ(SharedMemory::ObjectNameFor("Global\\a/b").find('/', 1), std::string::npos);
  EXPECT_LE(SharedMemory::ObjectNameFor(std::string(400, 'x')).size(), 250u);
  EXPECT_NE(SharedMemory::ObjectNameFor(std::string(400, 'x')), SharedMemory::ObjectNameFor(std::string(401, 'x')));
  setenv("UPDATER_RUNTIME_DIR", (dir_ + "/other").c_str(), 1);
  EXPECT_NE(SharedMemory::ObjectNameFor("ZOD.SQL.MONITOR.SharedMem"), name);
}

// A test's runtime folder takes its shared objects with it, and only its own:
// another folder's objects stay.
TEST_F(SharedObjects, AScopedRuntimeFolderRemovesItsObjectsAndNoOthers) {
  EXPECT_EQ(SharedMemory::ObjectPrefixFor(dir_ + "/"), SharedMemory::ObjectPrefixFor(dir_));
  EXPECT_EQ(SharedMemory::ObjectNameFor("Test.Mem").rfind(SharedMemory::ObjectPrefixFor(dir_), 0), 0u);
  SharedMemory kept("Test.Mem", 64);
  const std::string inner_dir = dir_ + "/inner";
  std::string inner_memory, inner_event;
  {
    scratch::ScopedRuntimeDir inner(inner_dir);
    SharedMemory memory("Test.Mem", 64);
    NamedEvent event("Test.Event", NamedEvent::Reset::Manual, false);
    inner_memory = memory.ObjectName();
    inner_event = SharedMemory::ObjectNameFor("Test.Event");
  }
  EXPECT_EQ(std::getenv("UPDATER_RUNTIME_DIR"), dir_) << "the folder before it is back";
  EXPECT_NE(inner_memory, kept.ObjectName());
  for (const std::string& name : {inner_memory, inner_event}) {
    EXPECT_FALSE(std::filesystem::exists("/dev/shm" + name)) << name;
  }
  EXPECT_TRUE(std::filesystem::exists("/dev/shm" + kept.ObjectName())) << "another folder's object stays";
  EXPECT_NO_THROW(SharedMemory("Test.Mem", 64, SharedMemory::Mode::OpenExisting));
}

TEST_F(SharedObjects, OpeningMissingOrTooSmallMemoryFails) {
  EXPECT_THROW(SharedMemory("Test.Mem", 16, SharedMemory::Mode::OpenExisting), classlib::EOSError);
  SharedMemory small("Test.Mem", 16);
  EXPECT_THROW(SharedMemory("Test.Mem", 4096), classlib::EOSError);
}

TEST_F(SharedObjects, UnlinkPolicyDecidesWhetherTheNameOutlivesTheCreator) {
  { SharedMemory kept("Test.Mem", 64); }
  EXPECT_NO_THROW(SharedMemory("Test.Mem", 64, SharedMemory::Mode::OpenExisting));
  { SharedMemory gone("Test.Other", 64, SharedMemory::Mode::CreateOrOpen, SharedMemory::UnlinkPolicy::WhenCreatorCloses); }
  EXPECT_THROW(SharedMemory("Test.Other", 64, SharedMemory::Mode::OpenExisting), classlib::EOSError);
}

TEST_F(SharedObjects, MutexIsReentrantForItsOwnerAndExcludesOthers) {
  NamedMutex mutex("Test.Mutex");
  ASSERT_EQ(mutex.Lock(), WaitResult::Signaled);
  ASSERT_EQ(mutex.Lock(milliseconds(0)), WaitResult::Signaled) << "owner takes it again";
  mutex.Unlock();
  WaitResult other = WaitResult::Signaled;
  std::thread([&] { other = NamedMutex("Test.Mutex").Lock(milliseconds(50)); }).join();
  EXPECT_EQ(other, WaitResult::Timeout) << "still held once";
  bool refused = false;
  std::thread([&] {
    try {
      mutex.Unlock();
    } catch (const classlib::EOSError&) {
      refused = true;
    }
  }).join();
  EXPECT_TRUE(refused) << "only the owner releases it";
  mutex.Unlock();
  std::thread([&] {
    NamedMutex again("Test.Mutex");
    other = again.Lock(milliseconds(50));
    again.Unlock();
  }).join();
  EXPECT_EQ(other, WaitResult::Signaled);
}

TEST_F(SharedObjects, MutexOfAKilledHolderIsRecoveredAsAbandoned) {
  NamedMutex mutex("Test.Mutex");
  int locked[2];
  ASSERT_EQ(pipe(locked), 0);
  pid_t holder = ForkChild([&] {
    NamedMutex in_child("Test.Mutex");
    in_child.Lock();
    char byte = 1;
    if (write(locked[1], &byte, 1) != 1) return 1;
    for (;;) pause();
  });
  char byte = 0;
  ASSERT_EQ(read(locked[0], &byte, 1), 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(mutex.Lock(milliseconds(100)), WaitResult::Timeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(100));
  kill(holder, SIGKILL);
  EXPECT_EQ(WaitChild(holder, std::chrono::seconds(5)), 128 + SIGKILL);
  EXPECT_EQ(mutex.Lock(std::chrono::seconds(5)), WaitResult::Abandoned);
  mutex.Unlock();
  EXPECT_EQ(mutex.Lock(milliseconds(100)), WaitResult::Signaled) << "consistent again after recovery";
  mutex.Unlock();
  close(locked[0]);
  close(locked[1]);
}

TEST_F(SharedObjects, ManualEventWakesWaitersInOtherProcessesAndStaysSet) {
  NamedEvent event("Test.Event", NamedEvent::Reset::Manual, false);
  auto waiter = [] {
    NamedEvent opened("Test.Event", NamedEvent::Reset::Automatic, true);  // the existing kind wins
    return opened.Wait(std::chrono::seconds(5)) == WaitResult::Signaled ? 0 : 1;
  };
  pid_t first = ForkChild(waiter);
  pid_t second = ForkChild(waiter);
  std::this_thread::sleep_for(milliseconds(100));
  event.Set();
  EXPECT_EQ(WaitChild(first, std::chrono::seconds(10)), 0);
  EXPECT_EQ(WaitChild(second, std::chrono::seconds(10)), 0);
  EXPECT_TRUE(event.IsSignaled());
  EXPECT_EQ(event.Wait(milliseconds(0)), WaitResult::Signaled);
  event.ResetEvent();
  EXPECT_EQ(event.Wait(milliseconds(0)), WaitResult::Timeout);
}

TEST_F(SharedObjects, AutoResetEventReleasesOneWaiterPerSet) {
  NamedEvent event("Test.Event", NamedEvent::Reset::Automatic, false);
  EXPECT_FALSE(event.ManualReset());
  auto waiter = [] {
    NamedEvent opened("Test.Event", NamedEvent::Reset::Manual, false);
    return opened.Wait(std::chrono::seconds(5)) == WaitResult::Signaled ? 0 : 1;
  };
  pid_t first = ForkChild(waiter);
  pid_t second = ForkChild(waiter);
  event.Set();
  // Wait (bounded) for one waiter to finish, then give the other time to
  // show that it was wrongly released too.
  int finished = 0;
  auto reap = [&] {
    for (pid_t* pid : {&first, &second}) {
      int status;
      if (*pid && waitpid(*pid, &status, WNOHANG) == *pid) {
        ++finished;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        *pid = 0;
      }
    }
  };
  for (int i = 0; i < 500 && finished == 0; ++i) {
    std::this_thread::sleep_for(milliseconds(10));
    reap();
  }
  std::this_thread::sleep_for(milliseconds(200));
  reap();
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(event.IsSignaled()) << "the released waiter reset it";
  event.Set();
  for (pid_t pid : {first, second}) {
    if (pid) {
      EXPECT_EQ(WaitChild(pid, std::chrono::seconds(10)), 0);
    }
  }
}

TEST_F(SharedObjects, EventWaitTimesOutAfterItsTimeOut) {
  NamedEvent event("Test.Event", NamedEvent::Reset::Manual, false);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(event.Wait(milliseconds(120)), WaitResult::Timeout);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, milliseconds(120));
  EXPECT_LT(elapsed, std::chrono::seconds(2));
  NamedEvent initially_set("Test.Other", NamedEvent::Reset::Manual, true);
  EXPECT_EQ(initially_set.Wait(milliseconds(0)), WaitResult::Signaled);
}

TEST_F(SharedObjects, EventSurvivesAWaiterKilledWhileWaiting) {
  NamedEvent event("Test.Event", NamedEvent::Reset::Manual, false);
  int waiting[2];
  ASSERT_EQ(pipe(waiting), 0);
  pid_t victim = ForkChild([&] {
    NamedEvent opened("Test.Event", NamedEvent::Reset::Manual, false);
    char byte = 1;
    if (write(waiting[1], &byte, 1) != 1) return 1;
    opened.Wait();
    return 0;
  });
  char byte = 0;
  ASSERT_EQ(read(waiting[0], &byte, 1), 1);
  close(waiting[0]);
  close(waiting[1]);
  std::this_thread::sleep_for(milliseconds(50));
  kill(victim, SIGKILL);
  WaitChild(victim, std::chrono::seconds(5));
  pid_t next = ForkChild([] {
    NamedEvent opened("Test.Event", NamedEvent::Reset::Manual, false);
    return opened.Wait(std::chrono::seconds(5)) == WaitResult::Signaled ? 0 : 1;
  });
  std::this_thread::sleep_for(milliseconds(50));
  event.Set();
  EXPECT_EQ(WaitChild(next, std::chrono::seconds(10)), 0);
}

TEST_F(SharedObjects, OneNameCannotBeBothMutexAndEvent) {
  NamedMutex mutex("Test.Mutex");
  EXPECT_THROW(NamedEvent("Test.Mutex", NamedEvent::Reset::Manual, false), classlib::EOSError);
}

}  // namespace
}  // namespace platform
