#include "app/update_library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_state.h"
#include "app/tests/fake_progress_view.h"
#include "classlib/codepage.h"
#include "testing/scratch_folder.h"

namespace app {
namespace {

using platform::scratch::ReadWholeFile;
using platform::scratch::ScopedEnv;
using platform::scratch::ScratchFolder;
using platform::scratch::WriteWholeFile;

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

std::string Library(const char* name) {
  return UPDATER_BINARY_DIR "/testing/fake_release/Upd/" + std::string(name) + ".dll";
}

// Remembers every position the bar is moved to.
class RecordingView : public testing::FakeProgressView {
 public:
  void SetProgressPosition(int new_position) override {
    FakeProgressView::SetProgressPosition(new_position);
    positions.push_back(new_position);
  }
  std::vector<int> positions;
};

class UpdateLibraryTest : public ::testing::Test {
 protected:
  UpdateLibraryTest() {
    ResetRunState();
    DBType = kFirebird;
    view_.status = Ansi("Конвертация данных");
    view_.max = 100;
  }
  ~UpdateLibraryTest() override { ResetRunState(); }

  bool Run(const std::string& path) {
    return RunUpdateLibrary(view_, path, [this] { ++connection_closes_; });
  }

  // The one block a failure adds, with the error text split into its lines.
  std::vector<std::string> Block(const std::string& path, const std::vector<std::string>& error) {
    std::vector<std::string> lines = {"/*", Ansi("Операция:Конвертация данных"),
                                      Ansi("Источник:") + path, Ansi("Ошибка:")};
    lines.insert(lines.end(), error.begin(), error.end());
    lines.push_back(std::string(48, '-'));
    lines.push_back("*/");
    return lines;
  }

  bool StillLoaded(const std::string& path) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module) dlclose(module);
    return module != nullptr;
  }

  std::string Recorded() { return ReadWholeFile(folder_.Path() + "/record.txt"); }

  RecordingView view_;
  int connection_closes_ = 0;
  ScratchFolder folder_;
  ScopedEnv record_{"FAKE_UPDATE_RECORD", folder_.Path() + "/record.txt"};
};

TEST_F(UpdateLibraryTest, SuccessfulLibraryGetsItsArgumentsAndMovesTheBarWithinItsShare) {
  ProductConnectionString = "percent=0;percent=50;percent=100";
  ItemBasePosition = 10;
  ItemPercent = 20;
  view_.position = 10;

  EXPECT_TRUE(Run(Library("UpdateFull")));

  EXPECT_EQ(connection_closes_, 1);
  EXPECT_EQ(Recorded(), "percent=0;percent=50;percent=100|FIREBIRD");
  // The library wrote into its copy, never into the run state.
  EXPECT_EQ(ProductConnectionString, "percent=0;percent=50;percent=100");
  EXPECT_EQ(view_.positions, (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(view_.messages_processed, 3);
  EXPECT_TRUE(view_.details.empty());
  EXPECT_FALSE(view_.details_enabled);
  EXPECT_FALSE(StillLoaded(Library("UpdateFull")));

  // Once the library is done, a stray report no longer moves the bar.
  LibraryPercentCallback(90);
  EXPECT_EQ(view_.position, 30);
}

TEST_F(UpdateLibraryTest, ReportsOutsideTheBarStopAtItsEnds) {
  view_.max = 38;
  ItemBasePosition = 30;
  ItemPercent = 8;
  // 30 + 8 * 12.5% = 31 exactly; 30 + 8 * 6.25% = 30.5 rounds to the even 30.
  ProductConnectionString = "percent=150;percent=-500;percent=12.5;percent=6.25";
  EXPECT_TRUE(Run(Library("UpdateFull")));
  EXPECT_EQ(view_.positions, (std::vector<int>{38, 0, 31, 30}));
}

TEST_F(UpdateLibraryTest, FailureOfDoItIsLoggedWithTheLibrarysOwnTextOrWhyThereIsNone) {
  ProductConnectionString = "result=5;error=Table BO_X is missing\r\nstep 2";
  EXPECT_FALSE(Run(Library("UpdateFull")));
  EXPECT_EQ(view_.details, Block(Library("UpdateFull"), {"Table BO_X is missing", "step 2"}));
  EXPECT_TRUE(view_.details_enabled);

  view_.details.clear();
  ProductConnectionString = "result=-1;no_error=1";
  EXPECT_FALSE(Run(Library("UpdateFull")));
  EXPECT_EQ(view_.details, Block(Library("UpdateFull"), {Ansi("Ошибка не определена")}));

  view_.details.clear();
  ProductConnectionString = "result=5;error=never asked for";
  EXPECT_FALSE(Run(Library("UpdateNoErrorStr")));
  EXPECT_EQ(view_.details,
            Block(Library("UpdateNoErrorStr"),
                  {Ansi("Ошибка не определена. В библиотеке не найдена функция GetErrorStr")}));
  EXPECT_EQ(connection_closes_, 3);
}

TEST_F(UpdateLibraryTest, ExceptionOfTheLibraryIsCaughtAndLogged) {
  ProductConnectionString = "percent=40;throw=disk full";
  EXPECT_FALSE(Run(Library("UpdateFull")));
  EXPECT_EQ(view_.details, Block(Library("UpdateFull"),
                                 {Ansi("При работе библиотеки произошло исключение:"), "disk full"}));
  EXPECT_FALSE(StillLoaded(Library("UpdateFull")));
}

TEST_F(UpdateLibraryTest, LibraryWithoutAnExportOrRefusingTheCallbackIsNotRun) {
  ProductConnectionString = "percent=50";
  EXPECT_FALSE(Run(Library("UpdateNoCallback")));
  EXPECT_EQ(view_.details,
            Block(Library("UpdateNoCallback"),
                  {Ansi("Ошибка инициализации библиотеки:"),
                   Ansi("В библиотеке не найдена функция SetCallBackPercent")}));
  EXPECT_EQ(Recorded(), "");  // DoIt was never called

  view_.details.clear();
  {
    ScopedEnv refuse("FAKE_UPDATE_REFUSE_CALLBACK", "no progress today");
    EXPECT_FALSE(Run(Library("UpdateFull")));
  }
  EXPECT_EQ(view_.details, Block(Library("UpdateFull"), {Ansi("Ошибка инициализации библиотеки:"),
                                                         "no progress today"}));
  EXPECT_EQ(Recorded(), "");

  view_.details.clear();
  EXPECT_FALSE(Run(Library("UpdateNoDoIt")));
  EXPECT_EQ(view_.details,
            Block(Library("UpdateNoDoIt"), {Ansi("В библиотеке не найдена функция DoIt")}));
  EXPECT_TRUE(view_.positions.empty());
  EXPECT_FALSE(StillLoaded(Library("UpdateNoCallback")));
  EXPECT_FALSE(StillLoaded(Library("UpdateNoDoIt")));
}

TEST_F(UpdateLibraryTest, FileThatIsNoLibraryFailsToLoad) {
  std::string not_a_library = folder_.Path() + "/Convert.dll";
  WriteWholeFile(not_a_library, "MZ this is no shared object");
  for (const std::string& path : {not_a_library, folder_.Path() + "/Missing.dll"}) {
    view_.details.clear();
    EXPECT_FALSE(Run(path));
    EXPECT_EQ(view_.details, Block(path, {Ansi("Ошибка загрузки библиотеки")}));
  }
  EXPECT_EQ(connection_closes_, 2);
}

}  // namespace
}  // namespace app
