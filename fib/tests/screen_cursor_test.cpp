// The busy cursor of the buffered data sets: shown through the
// application's hooks while a data set prepares, opens, fetches, posts,
// refreshes and sorts, and put back when the work ends, also on an error.
#include "fib/base/screen_cursor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "people_fixture.h"

namespace fib {
namespace {

constexpr int kHourGlass = -11;

class ScreenCursorTest : public fib_test::PeopleTest {
 protected:
  ScreenCursorTest() {
    SetScreenCursorHooks(
        [this](int cursor) {
          shown_.push_back(cursor);
          ++depth_;
        },
        [this] { --depth_; });
  }
  ~ScreenCursorTest() override { SetScreenCursorHooks(nullptr, nullptr); }

  // How many times the cursor was shown by `work`; it is put back at its end.
  int ShownBy(const std::function<void()>& work) {
    shown_.clear();
    work();
    EXPECT_EQ(depth_, 0);
    for (int cursor : shown_) EXPECT_EQ(cursor, kHourGlass);
    return static_cast<int>(shown_.size());
  }

  std::vector<int> shown_;
  int depth_ = 0;
};

TEST_F(ScreenCursorTest, ShownWhileTheDataSetWorksAndPutBackAfter) {
  for (int id = 4; id <= 40; ++id)
    Run("insert into PEOPLE values (" + std::to_string(id) + ", 'P" + std::to_string(id) +
        "', null, " + std::to_string(id) + ")");
  auto ds = People();
  ds->SetSQLScreenCursor(kHourGlass);
  // The rows Last fetches come while the cursor is shown.
  int depth_at_fetch = -1;
  ds->SetBeforeFetchRecord(
      TFetchRecordEvent::Function([&](TFIBQuery*, int, bool&) { depth_at_fetch = depth_; }));

  EXPECT_GE(ShownBy([&] { ds->Open(); }), 2);  // preparing and opening
  EXPECT_EQ(ShownBy([&] { ds->FetchNext(5); }), 1);
  EXPECT_GE(depth_at_fetch, 1);
  depth_at_fetch = -1;
  EXPECT_EQ(ShownBy([&] { ds->FetchAll(); }), 1);
  EXPECT_GE(depth_at_fetch, 1);
  EXPECT_GE(ShownBy([&] { ds->Last(); }), 1);
  ds->First();
  ds->Edit();
  ds->FieldByName("SCORE")->SetAsInteger(99);
  EXPECT_GE(ShownBy([&] { ds->Post(); }), 1);  // the post and its refresh
  EXPECT_GE(ShownBy([&] { ds->Refresh(); }), 1);
  EXPECT_GE(ShownBy([&] { ds->DoSort({classlib::Variant("SCORE")}, {false}); }), 1);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  // Everything is fetched already: nothing is left to wait for.
  EXPECT_EQ(ShownBy([&] { ds->FetchAll(); }), 0);

  // The limited cache model reads the end of the result under it too.
  auto limited = People("Limited");
  limited->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
  limited->SetSQLScreenCursor(kHourGlass);
  limited->Open();
  EXPECT_EQ(ShownBy([&] { limited->Last(); }), 1);
  EXPECT_EQ(limited->FieldByName("ID")->AsInteger(), 40);

  // A failing step puts the cursor back too.
  ds->Edit();
  ds->FieldByName("NAME")->Clear();  // NOT NULL
  EXPECT_THROW(ShownBy([&] { ds->Post(); }), classlib::Exception);
  EXPECT_EQ(depth_, 0);
  ds->Cancel();

  // Cursor 0 changes nothing.
  ds->Close();
  ds->SetSQLScreenCursor(0);
  EXPECT_EQ(ShownBy([&] {
              ds->Open();
              ds->Last();
            }),
            0);
}

}  // namespace
}  // namespace fib
