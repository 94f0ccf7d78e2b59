// Heap texts of fetched rows: a row without a null takes the quick way,
// which copies each text from its fetch-buffer cell into the string heap,
// and must keep what the general way keeps (a result with another buffered
// column takes that one for every row): nulls against empty texts, fixed
// CHAR trimming, texts around the word boundaries of the copy, texts that
// fill their column, long texts beyond the heap's small buffers. The
// values stay the heap's: they are edited and freed as before.
#include <cstring>

#include "dacore/driver_props.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using namespace dacore;

class HeapTextTest : public RecordSetTest {
 protected:
  static constexpr const char* kColumns = "ID NUMBER(9); V VARCHAR2(100); C CHAR(40)";
  // The general way is forced by a buffered column that is no heap text.
  static constexpr const char* kGeneralColumn = "; B RAW(40)";

  // Rows of every kind of text the copy may get wrong; the quick way takes
  // those without a null.
  static std::string Rows() {
    const std::vector<std::string> texts = {
        "a", "1234567", "12345678", "123456789", "exactly-sixteen!", std::string(99, 'x') + "y",
        "trailing blanks   ", " ", "", "<null>"};
    std::string rows;
    int id = 0;
    for (const std::string& v : texts) {
      for (const std::string& c : {"abc" + std::string(37, ' '), std::string(40, ' '), std::string(39, 'q') + "Q",
                                   std::string("<null>")}) {
        rows += std::to_string(++id) + "|" + v + "|" + c + "\n";
      }
    }
    rows.pop_back();
    return rows;
  }
  static std::string WithGeneralColumn(const std::string& rows) {
    std::string out;
    size_t at = 0;
    while (at < rows.size()) {
      const size_t end = std::min(rows.find('\n', at), rows.size());
      out += rows.substr(at, end - at) + "|0A0B\n";
      at = end + 1;
    }
    out.pop_back();
    return out;
  }
  void Script(const std::string& sql, const std::string& columns, const std::string& rows) {
    fetch_->ScriptQuery(sql, columns);
    fetch_->AddRows(sql, rows);
  }
  // Every text of every row: "<null>" or the text quoted.
  std::vector<std::string> Read(TOCIRecordSet& record_set, const std::vector<std::string>& fields) {
    std::vector<std::string> values;
    record_set.SetToBegin();
    for (record_set.GetNextRecord(nullptr); !record_set.GetEOF(); record_set.GetNextRecord(nullptr)) {
      for (const std::string& name : fields) {
        const classlib::Variant value = Value(record_set, name);
        values.push_back(classlib::VarIsNull(value) ? "<null>" : "'" + value.AsString() + "'");
      }
    }
    return values;
  }
  std::unique_ptr<TOCIRecordSet> Opened(const std::string& sql, int fetch_rows, bool trim) {
    auto record_set = NewRecordSet(sql, fetch_rows);
    record_set->SetProp(prFlatBuffers, false);
    record_set->SetTrimFixedChars(trim);
    record_set->Open();
    return record_set;
  }
};

TEST_F(HeapTextTest, QuickRowsKeepTheTextsTheGeneralWayKeeps) {
  Connect();
  const std::string quick_sql = "select id, v, c from t";
  const std::string general_sql = "select id, v, c, b from t";
  Script(quick_sql, kColumns, Rows());
  Script(general_sql, std::string(kColumns) + kGeneralColumn, WithGeneralColumn(Rows()));
  for (const bool trim : {false, true}) {
    for (const int fetch_rows : {1, 3, 25}) {  // blocks of one row, blocks that mix both ways
      auto quick_set = Opened(quick_sql, fetch_rows, trim);
      ASSERT_EQ(quick_set->FieldByName("V")->DataType(), dtHeapString) << "the premise: heap texts";
      ASSERT_EQ(quick_set->FieldByName("C")->DataType(), dtHeapString);
      const std::vector<std::string> quick = Read(*quick_set, {"ID", "V", "C"});
      auto general_set = Opened(general_sql, fetch_rows, trim);
      ASSERT_EQ(general_set->FieldByName("B")->DataType(), dtHeapVarBytes);
      EXPECT_EQ(quick, Read(*general_set, {"ID", "V", "C"})) << "trim " << trim << " rows " << fetch_rows;

      ASSERT_EQ(quick.size(), 120u);
      EXPECT_EQ(quick[1], "'a'");
      EXPECT_EQ(quick[2], trim ? "'abc'" : "'abc" + std::string(37, ' ') + "'") << "fixed CHAR trimming";
      EXPECT_EQ(quick[5], trim ? "''" : "'" + std::string(40, ' ') + "'") << "blanks trim to an empty text, not a null";
      EXPECT_EQ(quick[8], "'" + std::string(39, 'q') + "Q'");
      EXPECT_EQ(quick[11], "<null>");
      // The first row of each text (four rows of three values per text).
      EXPECT_EQ(quick[2 * 12 + 1], "'12345678'");
      EXPECT_EQ(quick[5 * 12 + 1], "'" + std::string(99, 'x') + "y'") << "a text that fills its column";
      EXPECT_EQ(quick[6 * 12 + 1], "'trailing blanks   '") << "a VARCHAR2 keeps its blanks";
      EXPECT_EQ(quick[9 * 12 + 1], "<null>");
    }
  }
}

// A text longer than the heap's largest small buffer comes from the general
// heap, in both ways, and goes back to it when the record set closes.
TEST_F(HeapTextTest, LongTextsBeyondTheSmallBuffers) {
  Connect();
  const std::string quick_sql = "select id, v from long_texts";
  const std::string general_sql = "select id, v, b from long_texts";
  const std::string long_text = std::string(1998, 'a') + "bcdefghij";
  const std::string rows = "1|" + long_text + "\n2|" + long_text.substr(0, 1999) + "\n3|" +
                           long_text.substr(0, 2000) + "\n4|<null>\n5|z";
  Script(quick_sql, "ID NUMBER(9); V VARCHAR2(3000)", rows);
  Script(general_sql, "ID NUMBER(9); V VARCHAR2(3000); B RAW(40)", WithGeneralColumn(rows));
  std::vector<std::vector<std::string>> reads;
  for (const std::string& sql : {quick_sql, general_sql}) {
    auto record_set = NewRecordSet(sql, 3);
    record_set->SetProp(prFlatBuffers, false);
    record_set->SetProp(prLongStrings, true);
    record_set->Open();
    ASSERT_EQ(record_set->FieldByName("V")->DataType(), dtHeapString);
    reads.push_back(Read(*record_set, {"V"}));
    EXPECT_TRUE(record_set->StringHeap().HasLarge()) << sql;
    record_set->Close();
  }
  ASSERT_EQ(reads[0], reads[1]);
  EXPECT_EQ(reads[0], (std::vector<std::string>{"'" + long_text + "'", "'" + long_text.substr(0, 1999) + "'",
                                                "'" + long_text.substr(0, 2000) + "'", "<null>", "'z'"}));
}

// A fetched heap text is the row's own heap buffer: an edit replaces it,
// the rows fetched after it are untouched, and opening again fetches the
// texts anew.
TEST_F(HeapTextTest, FetchedTextsAreEditedAndFetchedAgain) {
  Connect();
  const std::string sql = "select id, v, c from t";
  Script(sql, kColumns, Rows());
  auto record_set = Opened(sql, 4, true);
  const std::vector<std::string> first = Read(*record_set, {"ID", "V", "C"});
  record_set->SetToBegin();
  record_set->GetNextRecord(nullptr);
  TRecBuf rec = ItemRecord(record_set->CurrentItem());
  const int v = record_set->FieldByName("V")->FieldNo();
  record_set->PutFieldAsVariant(v, rec, classlib::Variant(std::string(60, 'e')));
  EXPECT_EQ(Value(*record_set, "V").AsString(), std::string(60, 'e'));
  record_set->PutFieldAsVariant(v, rec, classlib::Variant(std::string("short")));
  EXPECT_EQ(Value(*record_set, "V").AsString(), "short");
  std::vector<std::string> edited = Read(*record_set, {"ID", "V", "C"});
  EXPECT_EQ(edited[1], "'short'");
  edited[1] = first[1];
  EXPECT_EQ(edited, first) << "only the edited value changed";
  record_set->Close();
  record_set->Open();
  EXPECT_EQ(Read(*record_set, {"ID", "V", "C"}), first);
}

}  // namespace
}  // namespace oracle::testing
