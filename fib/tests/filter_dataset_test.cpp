#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "classlib/dataset.h"
#include "classlib/exceptions.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "fib/base/str_util.h"
#include "fib/sql/filter_dataset_fields.h"
#include "fib/sql/filter_expression_parser.h"

namespace {

using classlib::Variant;

// A data set reduced to what reading field values needs: rows of values
// and a current row, handed out in the fields' native layouts.
class RowSet : public classlib::TDataSet {
 public:
  RowSet() : classlib::TDataSet(nullptr) {
    auto* id = new classlib::TIntegerField(this);
    id->SetFieldName("ID");
    id->SetDataSet(this);
    auto* name = new classlib::TStringField(this);
    name->SetFieldName("NAME");
    name->SetSize(20);
    name->SetDataSet(this);
    auto* weight = new classlib::TFloatField(this);
    weight->SetFieldName("WEIGHT");
    weight->SetDataSet(this);
  }

  bool GetFieldData(classlib::TField* field, void* buffer) override {
    const Variant& v = rows[current][field->Index()];
    if (classlib::VarIsNull(v)) return false;
    if (buffer == nullptr) return true;
    switch (field->DataType()) {
      case classlib::ftInteger: {
        const int32_t i = v.AsInteger();
        std::memcpy(buffer, &i, sizeof i);
        break;
      }
      case classlib::ftFloat: {
        const double d = v.AsDouble();
        std::memcpy(buffer, &d, sizeof d);
        break;
      }
      default: {
        const std::string s = v.AsString();
        std::memcpy(buffer, s.c_str(), s.size() + 1);
      }
    }
    return true;
  }
  using classlib::TDataSet::GetFieldData;

  std::vector<int> Matching(fib::TExpressionParser& parser) {
    std::vector<int> result;
    for (current = 0; current < static_cast<int>(rows.size()); ++current) {
      if (parser.RecordMatches()) result.push_back(current);
    }
    return result;
  }

  std::vector<std::vector<Variant>> rows;
  int current = 0;
};

bool SqlLike(const std::string& value, const std::string& mask) {
  return fib::MatchesSQLLike(value, mask);
}

TEST(FilterOnDataSet, ReadsTheDataSetsFieldsAndTheirTypes) {
  RowSet data;
  data.rows = {{Variant(1), Variant("Anna"), Variant(61.5)},
               {Variant(2), Variant("Boris"), classlib::Null()},
               {Variant(3), Variant("Bella"), Variant(48.0)}};
  fib::TDataSetFilterFields fields(data);
  fib::TExpressionParser parser(fields, SqlLike, nullptr, {},
                                "ID >= '2' AND NAME LIKE 'B%' AND WEIGHT IS NOT NULL");
  EXPECT_EQ(data.Matching(parser), (std::vector<int>{2}));
  fib::TExpressionParser heavy(fields, SqlLike, nullptr, {}, "weight * 2 > 100");
  EXPECT_EQ(data.Matching(heavy), (std::vector<int>{0}));  // null weighs least
  EXPECT_EQ(fields.FindField("name")->DataType(), classlib::ftString);
  EXPECT_EQ(fields.FindField("NAME"), fields.FindField("name"));
  EXPECT_EQ(fields.FindField("AGE"), nullptr);
}

TEST(FilterOnDataSet, UnknownFieldRaisesTheDataSetsError) {
  RowSet data;
  data.rows = {{Variant(1), Variant("Anna"), Variant(61.5)}};
  fib::TDataSetFilterFields fields(data);
  // A text constant against a real integer field is typed at compile time.
  EXPECT_THROW(fib::TExpressionParser(fields, nullptr, nullptr, {}, "ID = 'one'"),
               classlib::EDatabaseError);
  fib::TExpressionParser parser(fields, nullptr, nullptr, {}, "AGE > 1");
  try {
    parser.RecordMatches();
    FAIL() << "no error for an unknown field";
  } catch (const classlib::EDatabaseError& e) {
    EXPECT_NE(std::string(e.Message()).find("Field 'AGE' not found"), std::string::npos);
  }
}

}  // namespace
