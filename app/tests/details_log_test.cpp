#include "app/details_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <cmath>
#include <string>
#include <vector>

#include "app/run_state.h"
#include "app/tests/fake_progress_view.h"
#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"
#include "testing/scratch_folder.h"

namespace app {
namespace {

using testing::FakeProgressView;

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

std::vector<std::string> Ansi(const std::vector<const char*>& utf8_lines) {
  std::vector<std::string> lines;
  for (const char* line : utf8_lines) lines.push_back(Ansi(line));
  return lines;
}

const char* const kRule = "------------------------------------------------";

TEST(AddDetailsLog, BlockWithoutExtraText) {
  FakeProgressView view;
  view.status = Ansi("Выполнение скрипта");
  AddDetailsLog(view, "C:\\Upd\\a.xml", Ansi("Не найден файл"), "");
  EXPECT_EQ(view.details, Ansi({"/*", "Операция:Выполнение скрипта", "Источник:C:\\Upd\\a.xml",
                                "Ошибка:", "Не найден файл", kRule, "*/"}));
  EXPECT_TRUE(view.details_enabled);
  EXPECT_EQ(std::string(kRule), std::string(48, '-'));
}

TEST(AddDetailsLog, ExtraTextStandsOutsideTheCommentAndLinesSplit) {
  FakeProgressView view;
  AddDetailsLog(view, "", "first\r\nsecond\nthird", "UPDATE T\r\nSET A = 1");
  EXPECT_EQ(view.details,
            Ansi({"/*", "Операция:", "Источник:", "Ошибка:", "first", "second", "third", "*/",
                  "UPDATE T", "SET A = 1", "/*", kRule, "*/"}));

  // Blocks follow one another; an empty error text still has its own line.
  AddDetailsLog(view, "lib.so", "", "");
  ASSERT_EQ(view.details.size(), 13u + 7u);
  EXPECT_EQ(std::vector<std::string>(view.details.begin() + 13, view.details.end()),
            Ansi({"/*", "Операция:", "Источник:lib.so", "Ошибка:", "", kRule, "*/"}));
}

TEST(DetailLinesOf, EveryKindOfLineBreakAndATrailingOne) {
  EXPECT_EQ(DetailLinesOf(""), std::vector<std::string>{""});
  EXPECT_EQ(DetailLinesOf("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(DetailLinesOf("a\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(DetailLinesOf("\n\r"), (std::vector<std::string>{"", "", ""}));
}

class DetailsLogFile : public ::testing::Test {
 protected:
  void TearDown() override {
    classlib::ResetFormatSettings();
    ResetRunState();
  }
  platform::scratch::ScratchFolder folder_;
};

TEST_F(DetailsLogFile, EachRunIsAppendedUnderItsStartTimeAsUtf8WithLineFeeds) {
  const std::string path = folder_.Path() + "/update.log";
  const classlib::TDateTime first = classlib::EncodeDate(2026, 12, 7) + 0.5;
  SaveDetailsLog(Ansi({"/*", "Операция:Копирование", "*/"}),
                 classlib::Utf8ToCp1251(folder_.Path()) + "\\update.log", first);
  const std::string first_run = "Обновление данных, начало: 2026-12-07 12:00:00\n"
                                "/*\nОперация:Копирование\n*/\n";
  EXPECT_EQ(platform::scratch::ReadWholeFile(path), first_run);

  // A run with nothing to report adds nothing; the next failed run of the
  // day comes after the first, which stays whole.
  SaveDetailsLog({}, path, first + 0.01);
  EXPECT_EQ(platform::scratch::ReadWholeFile(path), first_run);
  SaveDetailsLog({"x"}, path, first + 0.25);
  EXPECT_EQ(platform::scratch::ReadWholeFile(path),
            first_run + "Обновление данных, начало: 2026-12-07 18:00:00\nx\n");

  // The first run of a day makes the file even when it has nothing to say.
  const std::string empty_day = folder_.Path() + "/empty.log";
  SaveDetailsLog({}, empty_day, first);
  EXPECT_TRUE(std::filesystem::exists(empty_day));
  EXPECT_EQ(platform::scratch::ReadWholeFile(empty_day), "");
  EXPECT_THROW(SaveDetailsLog({"x"}, folder_.Path() + "/missing/update.log", first),
               classlib::Exception);
}

TEST_F(DetailsLogFile, NamedAfterTodayInTheProductFolderWhateverTheDateFormat) {
  LxDir = "/opt/lx\\";
  const std::string expected =
      "/opt/lx\\update_" + classlib::FormatDateTime("yyyy-mm-dd", classlib::Date()) + ".log";
  // Formats whose separators cannot stand in a file name give the same name.
  for (const char* format : {"dd/mm/yyyy", "m/d/yy", "dd:mm:yyyy", "yyyy-mm-dd"}) {
    classlib::FormatSettings().ShortDateFormat = format;
    EXPECT_EQ(DetailsLogFileName(), expected) << format;
  }
  EXPECT_EQ(expected.substr(expected.find("update_")).find_first_of("/\\:"), std::string::npos);
}

TEST(MoveProgress, RoundsHalvesToEvenClampsAndLetsMessagesThrough) {
  FakeProgressView view;
  view.SetProgressRange(0, 38);
  const std::vector<std::pair<double, int>> moves = {
      {2.5, 2}, {3.5, 4}, {12.49, 12}, {-0.4, 0}, {-7, 0}, {38.4, 38}, {1e300, 38}, {NAN, 0}};
  for (auto [position, expected] : moves) {
    MoveProgress(view, position);
    EXPECT_EQ(view.position, expected) << position;
  }
  EXPECT_EQ(view.messages_processed, static_cast<int>(moves.size()));
}

}  // namespace
}  // namespace app
