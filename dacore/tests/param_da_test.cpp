// Statement parameters with value objects: blob types hold a TBlob that
// setters write into and copies share, memo references pick their type from
// the blob, and streams and stream-persistent objects load as blobs.
#include "dacore/param_da.h"

#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "classlib/stream_persist.h"
#include "classlib/strings.h"

namespace dacore {
namespace {

using namespace classlib;

TEST(DAParam, BlobTypeHoldsAnEmptyBlobUntilWritten) {
  TDAParams params;
  TDAParam* p = params.CreateParam(ftBlob, "B", ptInput);
  ASSERT_NE(p->AsBlobRef(), nullptr);
  EXPECT_TRUE(p->IsNull());
  EXPECT_EQ(p->AsString(), "");
  p->SetAsString("bytes");
  EXPECT_FALSE(p->IsNull());
  EXPECT_EQ(p->AsBlobRef()->GetAsString(), "bytes");
  EXPECT_EQ(VarToStr(p->Value()), "bytes");
  p->SetValue(Variant(std::string("other")));
  EXPECT_EQ(p->AsString(), "other");
  p->Clear();
  EXPECT_TRUE(p->IsNull());
  ASSERT_NE(p->AsBlobRef(), nullptr);

  p->SetDataType(ftInteger);
  EXPECT_EQ(p->ParamObject(), nullptr);
  p->SetAsInteger(7);
  EXPECT_EQ(p->AsInteger(), 7);
  p->SetAsMemo("memo text");
  EXPECT_EQ(p->DataType(), ftMemo);
  EXPECT_EQ(p->AsString(), "memo text");
}

TEST(DAParam, WideMemoBlobAndMemoRefTypes) {
  TDAParam plain(nullptr);
  ASSERT_NE(plain.AsMemoRef(), nullptr);  // no blob yet: the type becomes ftMemo with an empty one
  EXPECT_FALSE(plain.AsMemoRef()->IsUnicode());
  EXPECT_EQ(plain.DataType(), ftMemo);

  TDAParam wide(nullptr);
  auto* blob = new TBlob(true);
  blob->SetAsWideString(u"текст");
  wide.SetAsMemoRef(blob);
  EXPECT_EQ(wide.DataType(), ftWideMemo);
  EXPECT_EQ(wide.AsWideString(), u"текст");
  EXPECT_EQ(blob->RefCount(), 2);
  blob->Release();

  TDAParam narrow(nullptr);
  auto* ansi = new TBlob(false);
  narrow.SetAsMemoRef(ansi);
  EXPECT_EQ(narrow.DataType(), ftMemo);
  ansi->Release();
}

TEST(DAParam, CopiesShareTheBlobObject) {
  TDAParams params;
  TDAParam* source = params.CreateParam(ftBlob, "SRC", ptInput);
  source->SetAsString("first");
  TDAParam* copy = params.CreateParam(ftString, "", ptUnknown);
  copy->Assign(source);
  EXPECT_EQ(copy->DataType(), ftBlob);
  EXPECT_EQ(copy->Name(), "SRC");
  EXPECT_EQ(copy->ParamType(), ptInput);
  EXPECT_EQ(copy->ParamObject(), source->ParamObject());
  source->SetAsString("later");
  EXPECT_EQ(copy->AsString(), "later");
  EXPECT_EQ(source->ParamObject()->RefCount(), 2);
  params.Delete(0);  // the copy keeps the blob alive
  EXPECT_EQ(params.Items(0)->AsString(), "later");
  EXPECT_EQ(params.Items(0)->ParamObject()->RefCount(), 1);
}

TEST(DAParam, LoadFromStreamTakesBlobTypesOnly) {
  TDAParam p(nullptr);
  TMemoryStream stream;
  stream.WriteBuffer("abcdef", 6);  // position at the end: the load rewinds
  try {
    p.LoadFromStream(stream, ftString);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Data type is not supported");
  }
  p.LoadFromStream(stream, ftBlob);
  EXPECT_EQ(p.AsString(), "abcdef");
  p.LoadFromStream(stream, ftOraBlob);  // no object for it here: the bytes sit in the Variant
  EXPECT_EQ(p.DataType(), ftOraBlob);
  EXPECT_EQ(p.AsString(), "abcdef");
}

class Picture : public TPersistent, public IStreamPersist {
 public:
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream& stream) const override { stream.WriteBuffer("\x89PNG", 4); }
};

TEST(DAParam, AssignFromListsAndStreamPersistentObjects) {
  TDAParam p(nullptr);
  p.SetDataType(ftBlob);
  Picture picture;
  p.Assign(&picture);
  EXPECT_EQ(p.AsString(), "\x89PNG");

  TStringList lines;
  lines.Add("a");
  lines.Add("b");
  TDAParam text(nullptr);
  text.SetDataType(ftMemo);
  text.Assign(&lines);
  EXPECT_EQ(text.AsString(), lines.Text());
}

TEST(DAParam, WideStringTypeKeepsWideText) {
  TDAParam p(nullptr);
  p.SetDataType(ftWideString);
  p.SetAsString("abc");
  EXPECT_EQ(p.DataType(), ftWideString);
  EXPECT_EQ(p.AsWideString(), u"abc");
}

}  // namespace
}  // namespace dacore
