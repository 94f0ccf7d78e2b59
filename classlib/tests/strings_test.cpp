#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/stream.h"
#include "classlib/strings.h"

namespace classlib {
namespace {

std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

using V = std::vector<std::string>;

TEST(StringList, SortedAddFollowsDuplicatesAndCase) {
  TStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add("delta"), 0);
  EXPECT_EQ(list.Add("alpha"), 0);
  EXPECT_EQ(list.Add("Charlie"), 1);
  EXPECT_EQ(list.Add("bravo"), 1);
  EXPECT_EQ(Lines(list), (V{"alpha", "bravo", "Charlie", "delta"}));

  // Case-insensitive by default: "ALPHA" is a duplicate of "alpha".
  EXPECT_EQ(list.Add("ALPHA"), 0);
  EXPECT_EQ(list.Count(), 4);
  list.SetDuplicates(dupError);
  try {
    list.Add("Bravo");
    FAIL() << "no exception";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "Duplicates not allowed");
  }
  list.SetDuplicates(dupAccept);
  EXPECT_EQ(list.Add("BRAVO"), 1);  // before its equals
  EXPECT_EQ(list.Add("bravo"), 1);
  EXPECT_EQ(Lines(list), (V{"alpha", "bravo", "BRAVO", "bravo", "Charlie", "delta"}));

  EXPECT_THROW(list.Insert(0, "zulu"), EStringListError);
  EXPECT_THROW(list.SetStrings(0, "zulu"), EStringListError);
  EXPECT_THROW(list.Move(0, 1), EStringListError);
}

TEST(StringList, FindGivesFirstMatchOrInsertionPoint) {
  TStringList list;
  list.SetDuplicates(dupAccept);
  list.SetSorted(true);
  for (const char* s : {"b", "d", "d", "D", "f"}) list.Add(s);
  int index = -1;
  EXPECT_TRUE(list.Find("d", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("c", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("a", index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(list.Find("g", index));
  EXPECT_EQ(index, 5);
  EXPECT_EQ(list.IndexOf("F"), 4);
  EXPECT_EQ(list.IndexOf("e"), -1);

  // Case-sensitive: "D" and "d" part, and the list sorts itself again.
  list.SetCaseSensitive(true);
  for (int i = 1; i < list.Count(); ++i)
    EXPECT_LE(AnsiCompareStr(list.Strings(i - 1), list.Strings(i)), 0) << i;
  int upper = -1, lower = -1;
  EXPECT_TRUE(list.Find("D", upper));
  EXPECT_TRUE(list.Find("d", lower));
  EXPECT_NE(upper, lower);
  EXPECT_EQ(list.IndexOf("F"), -1);
}

TEST(StringList, CyrillicComparesByLetterNotByByte) {
  TStringList list;
  list.SetSorted(true);
  list.Add(Utf8ToCp1251("привет"));
  EXPECT_EQ(list.IndexOf(Utf8ToCp1251("ПРИВЕТ")), 0);
  EXPECT_EQ(list.Add(Utf8ToCp1251("Привет")), 0);
  EXPECT_EQ(list.Count(), 1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf(Utf8ToCp1251("ПРИВЕТ")), -1);
  // Latin letters sort before Cyrillic ones.
  list.Add("zebra");
  EXPECT_EQ(list.Strings(0), "zebra");

  // A reader's order, not the code page's: Ё sorts with Е (not before А),
  // capitals among small letters.
  TStringList words;
  words.SetSorted(true);
  for (const char* w : {"жук", "Яблоко", "ёж", "арбуз", "ель"}) words.Add(Utf8ToCp1251(w));
  V expected;
  for (const char* w : {"арбуз", "ёж", "ель", "жук", "Яблоко"}) expected.push_back(Utf8ToCp1251(w));
  EXPECT_EQ(Lines(words), expected);
  int index = -1;
  EXPECT_TRUE(words.Find(Utf8ToCp1251("ЁЖ"), index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(words.Find(Utf8ToCp1251("еж"), index));  // Е is not Ё
}

TEST(StringList, SortingIsStableAndCustomSortSeesIndexes) {
  TStringList list;
  list.SetText("pear\nApple\nfig\napple\nBanana\n");
  list.CustomSort([](TStringList& l, int a, int b) {
    return static_cast<int>(l.Strings(a).size()) - static_cast<int>(l.Strings(b).size());
  });
  EXPECT_EQ(Lines(list), (V{"fig", "pear", "Apple", "apple", "Banana"}));
  list.Sort();
  EXPECT_EQ(Lines(list), (V{"Apple", "apple", "Banana", "fig", "pear"}));
  list.SetSorted(true);
  list.CustomSort([](TStringList&, int, int) { return -1; });  // ignored once sorted
  EXPECT_EQ(list.Strings(0), "Apple");
}

TEST(StringList, CommaTextRoundTrips) {
  TStringList list;
  for (const char* s : {"plain", "two words", "", "say \"hi\"", "a,b", "tab\there"}) list.Add(s);
  EXPECT_EQ(list.CommaText(), "plain,\"two words\",,\"say \"\"hi\"\"\",\"a,b\",\"tab\there\"");
  TStringList back;
  back.SetCommaText(list.CommaText());
  EXPECT_EQ(Lines(back), Lines(list));

  // One empty line is not an empty list.
  TStringList one_empty;
  one_empty.Add("");
  EXPECT_EQ(one_empty.CommaText(), "\"\"");
  back.SetCommaText(one_empty.CommaText());
  EXPECT_EQ(Lines(back), V{""});
  back.SetCommaText("");
  EXPECT_EQ(back.Count(), 0);
}

TEST(StringList, DelimitedTextParsingRules) {
  TStringList list;
  // Blanks separate outside quotes; blanks around delimiters vanish.
  list.SetCommaText("  a b , c,\"d e\"f  ");
  EXPECT_EQ(Lines(list), (V{"a", "b", "c", "d e", "f"}));
  list.SetCommaText(",x,,");  // empty items at both ends and between
  EXPECT_EQ(Lines(list), (V{"", "x", "", ""}));
  list.SetCommaText("\"never closed");
  EXPECT_EQ(Lines(list), V{"never closed"});

  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  list.SetDelimitedText("one;'it''s;two' ;three");
  EXPECT_EQ(Lines(list), (V{"one", "it's;two", "three"}));
  EXPECT_EQ(list.DelimitedText(), "one;'it''s;two';three");
  EXPECT_EQ(list.CommaText(), "one,it's;two,three");  // always "," and '"'
}

TEST(StringList, TextSplitsEveryLineEndAndEndsLinesWithCrLf) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd");
  EXPECT_EQ(Lines(list), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
  list.SetText("a\r\n");  // a trailing line end adds no empty line
  EXPECT_EQ(Lines(list), V{"a"});
  list.SetText("a\r\n\r\n");
  EXPECT_EQ(Lines(list), (V{"a", ""}));
  list.SetText("\n\r");  // LF then CR are two line ends
  EXPECT_EQ(Lines(list), (V{"", ""}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(StringList, NamesAndValues) {
  TStringList list;
  list.SetText("user_name=SYSDBA\nno equals sign\nlc_ctype=WIN1251\nexpr=a=b\n");
  EXPECT_EQ(list.IndexOfName("LC_CTYPE"), 2);
  EXPECT_EQ(list.Values("User_Name"), "SYSDBA");
  EXPECT_EQ(list.Values("expr"), "a=b");
  EXPECT_EQ(list.Values("absent"), "");
  EXPECT_EQ(list.Names(1), "");
  EXPECT_EQ(list.ValueFromIndex(1), "");
  EXPECT_EQ(list.Names(3), "expr");
  EXPECT_EQ(list.IndexOfName("no equals sign"), -1);

  list.SetValues("lc_ctype", "UTF8");  // replaced in place
  EXPECT_EQ(list.Strings(2), "lc_ctype=UTF8");
  list.SetValues("password", "masterkey");  // appended
  EXPECT_EQ(list.Strings(4), "password=masterkey");
  list.SetValues("USER_NAME", "");  // an empty value deletes the line
  EXPECT_EQ(list.IndexOfName("user_name"), -1);
  EXPECT_EQ(list.Count(), 4);
  list.SetValues("absent", "");
  EXPECT_EQ(list.Count(), 4);

  TStringList sorted;  // a new name goes to its sorted place
  sorted.SetSorted(true);
  sorted.SetValues("b", "2");
  sorted.SetValues("a", "1");
  EXPECT_EQ(Lines(sorted), (V{"a=1", "b=2"}));
}

struct ChangeCounter {
  int changing = 0, changed = 0;
  TStrings* seen = nullptr;
  void OnChanging(TObject*) { ++changing; }
  void OnChanged(TObject* sender) {
    ++changed;
    seen = dynamic_cast<TStrings*>(sender);
  }
};

// A change handler that refuses the new lines by raising: the whole-text
// setters end their update in a scope guard, whose end must pass the
// exception on instead of ending the process.
TEST(StringList, AChangeHandlerThatRaisesReachesTheCaller) {
  TStringList list;
  int calls = 0;
  list.SetOnChange(TNotifyEvent::Function([&](TObject*) {
    ++calls;
    if (list.Count() > 1) throw EStringListError("refused");
  }));
  EXPECT_THROW(list.SetText("a\r\nb"), EStringListError);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(list.Count(), 2);  // the change happened; the handler refused it
  EXPECT_THROW(list.SetCommaText("x,y"), EStringListError);
  EXPECT_THROW(list.SetDelimitedText("x,y"), EStringListError);
  TStringList source;
  source.Add("p");
  source.Add("q");
  EXPECT_THROW(list.Assign(source), EStringListError);
  list.SetText("one");  // the update ended: the next change is heard
  EXPECT_EQ(calls, 5);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"one"}));
}

// While an exception is already leaving the update, a second one from the
// handler is dropped rather than ending the process.
TEST(StringList, AHandlerRaisingDuringAnotherExceptionIsDropped) {
  TStringList list;
  list.SetOnChange(TNotifyEvent::Function([&](TObject*) { throw EStringListError("refused"); }));
  try {
    TStrings::Updating update(list);
    list.Add("a");
    throw EConvertError("first");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "first");
  }
  EXPECT_EQ(list.Count(), 1);
}

TEST(StringList, ChangeEventsFireOncePerOutermostUpdate) {
  TStringList list;
  ChangeCounter n;
  list.SetOnChanging(TNotifyEvent(&n, &ChangeCounter::OnChanging));
  list.SetOnChange(TNotifyEvent(&n, &ChangeCounter::OnChanged));

  list.Add("x");
  list.Delete(0);
  EXPECT_EQ(n.changing, 2);
  EXPECT_EQ(n.changed, 2);
  EXPECT_EQ(n.seen, &list);

  n = ChangeCounter{};
  list.BeginUpdate();
  list.Add("a");
  list.BeginUpdate();
  list.Add("b");
  list.EndUpdate();
  list.SetStrings(0, "c");
  EXPECT_EQ(n.changed, 0);
  list.EndUpdate();
  EXPECT_EQ(n.changing, 1);
  EXPECT_EQ(n.changed, 1);
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(n.changed, 1);

  // Whole-text setters are one change.
  n = ChangeCounter{};
  list.SetText("1\n2\n3\n");
  list.SetCommaText("4,5");
  list.Sort();
  EXPECT_EQ(n.changed, 3);
  EXPECT_EQ(n.changing, 3);

  // Failed edits announce nothing.
  n = ChangeCounter{};
  EXPECT_THROW(list.Delete(7), EStringListError);
  EXPECT_EQ(n.changing + n.changed, 0);

  // A batch that fails half-way still ends its update.
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.SetCommaText("x,y,x"), EStringListError);
  n = ChangeCounter{};
  list.Add("z");
  EXPECT_EQ(n.changed, 1);
}

TEST(StringList, IndexErrorsNameTheIndex) {
  TStringList list;
  list.Add("only");
  try {
    list.Strings(5);
    FAIL() << "no exception";
  } catch (const EListError& e) {  // EStringListError is a list error
    EXPECT_EQ(e.ClassName(), "EStringListError");
    EXPECT_EQ(e.Message(), "List index out of bounds (5)");
  }
  EXPECT_THROW(list.Objects(-1), EStringListError);
  EXPECT_THROW(list.Insert(2, "x"), EStringListError);
  EXPECT_THROW(list.Exchange(0, 1), EStringListError);
  EXPECT_THROW(list.SetObjects(1, nullptr), EStringListError);
  EXPECT_THROW(list.Names(1), EStringListError);
  list.Insert(1, "at the end");
  EXPECT_EQ(list.Count(), 2);
}

class Tracked : public TObject {
 public:
  explicit Tracked(int& alive) : alive_(alive) { ++alive_; }
  ~Tracked() override { --alive_; }

 private:
  int& alive_;
};

TEST(StringList, ObjectsAreFreedOnlyWhenOwned) {
  int alive = 0;
  {
    TStringList owning(true);
    owning.AddObject("a", new Tracked(alive));
    owning.AddObject("b", new Tracked(alive));
    owning.AddObject("c", new Tracked(alive));
    owning.AddObject("d", new Tracked(alive));
    owning.Move(0, 3);  // moving does not free
    owning.Exchange(0, 1);
    EXPECT_EQ(alive, 4);
    EXPECT_EQ(owning.IndexOf("a"), 3);
    EXPECT_EQ(owning.IndexOfObject(owning.Objects(3)), 3);
    owning.Delete(3);
    EXPECT_EQ(alive, 3);
    owning.Clear();
    EXPECT_EQ(alive, 0);
    owning.AddObject("e", new Tracked(alive));
  }
  EXPECT_EQ(alive, 0);  // the destructor frees the rest

  Tracked kept(alive);
  {
    TStringList borrowing;
    borrowing.AddObject("k", &kept);
    borrowing.InsertObject(0, "j", &kept);
    borrowing.Delete(0);
  }
  EXPECT_EQ(alive, 1);
}

TEST(StringList, AssignAddStringsAndEquals) {
  int alive = 0;
  Tracked object(alive);
  TStringList source;
  source.AddObject("one", &object);
  source.Add("two");

  TStringList copy;
  copy.Add("old");
  copy.Assign(source);
  EXPECT_TRUE(copy.Equals(source));
  EXPECT_EQ(copy.Objects(0), &object);
  copy.Assign(copy);  // assigning itself loses nothing
  EXPECT_EQ(copy.Count(), 2);

  copy.AddStrings(copy);
  EXPECT_EQ(Lines(copy), (V{"one", "two", "one", "two"}));
  EXPECT_FALSE(copy.Equals(source));

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.AddStrings(copy);  // duplicates ignored, order by the list
  EXPECT_EQ(Lines(sorted), (V{"one", "two"}));
}

TEST(StringList, FilesKeepBytesAndEndLinesWithCrLf) {
  namespace fs = std::filesystem;
  std::string folder = (fs::temp_directory_path() / "strings_test_XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  std::string name = folder + "/lines.txt";

  TStringList list;
  list.Add(Utf8ToCp1251("Ошибка"));  // CP1251 bytes, not UTF-8
  list.Add("");
  list.Add("last");
  list.SaveToFile(name);
  std::ifstream in(name, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(bytes, Utf8ToCp1251("Ошибка") + "\r\n\r\nlast\r\n");

  {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << "unix\nlines\n";
  }
  list.LoadFromFile(name);
  EXPECT_EQ(Lines(list), (V{"unix", "lines"}));
  EXPECT_THROW(list.LoadFromFile(folder + "/absent.txt"), EFOpenError);
  fs::remove_all(folder);

  // Loading from a stream reads from its position on.
  TStringStream stream("skip\r\nkeep\r\n");
  stream.SetPosition(6);
  list.LoadFromStream(stream);
  EXPECT_EQ(Lines(list), V{"keep"});
  TStringStream out;
  list.SaveToStream(out);
  EXPECT_EQ(out.DataString(), "keep\r\n");
}

}  // namespace
}  // namespace classlib

namespace classlib {
namespace {

class NotStrings : public TPersistent {
  CLASSLIB_CLASS(NotStrings, TPersistent)
};

TEST(StringsAsPersistent, AssignThroughTheBaseCopiesLinesAndRefusesOthers) {
  TStringList source, dest;
  source.Add("a=1");
  source.Add("b=2");
  TPersistent& as_base = dest;
  as_base.Assign(&source);
  EXPECT_EQ(dest.Text(), "a=1\r\nb=2\r\n");
  NotStrings other;
  try {
    as_base.Assign(&other);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a NotStrings to a TStringList");
  }
}

}  // namespace
}  // namespace classlib
