// Test support for the steps that start auxiliary programs: a scratch
// registry and runtime folder, a message loop of the test's own that the
// view pumps (as the window does while a child runs), the receiver children
// report to, and the fake programs' record of how they were started.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>

#include <QDomDocument>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ansi_text.h"
#include "app/aux_messages.h"
#include "app/run_state.h"
#include "app/tests/fake_progress_view.h"
#include "classlib/codepage.h"
#include "platform/message_loop.h"
#include "platform/plain_message_loop.h"
#include "testing/scratch_folder.h"

namespace app::testing {

inline std::vector<std::string> Ansi(const std::vector<const char*>& utf8_lines) {
  std::vector<std::string> lines;
  for (const char* line : utf8_lines) lines.push_back(Ansi(line));
  return lines;
}

// The fake programs in their release layout: Utils/, Bin/, Manager/.
inline std::string FakeReleaseDir() { return UPDATER_BINARY_DIR "/testing/fake_release/"; }

// A view that lets the loop run when asked to process messages and keeps
// every position and status text it was given.
class PumpingProgressView : public FakeProgressView {
 public:
  explicit PumpingProgressView(platform::MessageLoop& loop) : loop_(loop) {}
  void ProcessMessages() override {
    FakeProgressView::ProcessMessages();
    loop_.ProcessMessages();
  }
  void SetProgressPosition(int new_position) override {
    FakeProgressView::SetProgressPosition(new_position);
    positions.push_back(new_position);
  }
  void SetStatusText(const std::string& text) override {
    FakeProgressView::SetStatusText(text);
    statuses.push_back(text);
  }

  std::vector<int> positions;
  std::vector<std::string> statuses;

 private:
  platform::MessageLoop& loop_;
};

// One start of a fake program as it recorded it.
struct ProgramRun {
  std::string program;
  pid_t pid = 0;
  std::string cwd;
  std::vector<std::string> args;  // UTF-8, as the program received them
};

inline std::vector<ProgramRun> ReadProgramRuns(const std::string& record) {
  std::vector<ProgramRun> runs;
  std::ifstream in(record);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("run ", 0) == 0) {
      runs.emplace_back();
      runs.back().program = line.substr(4);
    }
    if (runs.empty()) continue;
    if (line.rfind("pid ", 0) == 0) runs.back().pid = std::atoi(line.c_str() + 4);
    if (line.rfind("cwd ", 0) == 0) runs.back().cwd = line.substr(4);
    if (line.rfind("arg ", 0) == 0) runs.back().args.push_back(line.substr(4));
  }
  return runs;
}

// The first element below ROOT of an update-description text.
class UpdateDescription {
 public:
  explicit UpdateDescription(const QString& xml) {
    EXPECT_TRUE(document_.setContent(xml)) << xml.toStdString();
  }
  QDomElement UpdateElement() const { return document_.documentElement().firstChildElement(); }

 private:
  QDomDocument document_;
};

class ChildProgramTest : public ::testing::Test {
 protected:
  ChildProgramTest() {
    platform::MessageLoop::SetCurrent(&loop_);
    ResetRunState();
    LxDir = FakeReleaseDir();
    PtxDir = FakeReleaseDir();
    ProgramDir = folder_.Path() + "/";
    LoginUserName = Ansi("Иванов");
    LoginPassword = "p w";
    LoginGroup = Ansi("Админы");
    receiver_ = std::make_unique<TChildMessageReceiver>(view_, loop_);
  }
  ~ChildProgramTest() override {
    receiver_.reset();
    platform::MessageLoop::SetCurrent(nullptr);
    ResetRunState();
  }

  std::vector<ProgramRun> Runs() const { return ReadProgramRuns(RecordPath()); }
  std::string RecordPath() const { return folder_.Path() + "/record.txt"; }
  // What every fake program started from now on does (UTF-8, as the
  // environment holds it).
  void SetScript(const std::string& script) { ::setenv("FAKE_AUX_SCRIPT", script.c_str(), 1); }

  platform::scratch::ScratchFolder folder_;
  platform::scratch::ScopedEnv registry_{"UPDATER_REGISTRY", folder_.Path()};
  platform::scratch::ScopedRuntimeDir runtime_{folder_.Path()};
  platform::scratch::ScopedEnv record_{"FAKE_AUX_RECORD", folder_.Path() + "/record.txt"};
  platform::scratch::ScopedEnv script_{"FAKE_AUX_SCRIPT", std::nullopt};
  platform::PlainMessageLoop loop_;
  PumpingProgressView view_{loop_};
  std::unique_ptr<TChildMessageReceiver> receiver_;
};

}  // namespace app::testing
