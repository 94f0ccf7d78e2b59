// LOB calls through the Oracle layer's table in direct mode: locators from
// a query, BLOB and CLOB writes and reads in pieces through DBMS_LOB
// blocks on the fake server, streaming reads with amount 0, length, trim
// and temporary LOBs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/fake_server_session.h"

namespace oranet::testing {
namespace {

const TBytes kBlobLocator = Hex("00 70 00 01 02 0c 00 00 00 01 00 00 00 01 00 00 00 00 41 01");
const TBytes kClobLocator = Hex("00 70 00 01 01 0c 00 00 00 01 00 00 00 01 00 00 00 00 42 02");
constexpr std::initializer_list<uint8_t> kAllIn = {0x20, 0x20, 0x20, 0x20};
const std::vector<uint8_t> kReadFlags = {0x20, 0x30, 0x20, 0x10};

// A query that hands out a BLOB and a CLOB locator for update.
TFakeScript LobQueryScript() {
  TFakeScript script = LogonThen(StatusMessage(0), {});
  TStatusFields query;
  query.cursorId = 2;
  query.statementKind = 3;
  Append(script, Exchange(CursorOpened(2)));
  Append(script, Exchange(Status(query)));
  Append(script, Exchange(DescribeReply({{113, 4000, 0, 0, true, "B"}, {112, 4000, 0, 0, true, "C"}})));
  Append(script,
         Exchange(Concat({RowHeader(), Row({LocatorValue(kBlobLocator), LocatorValue(kClobLocator)}), Done(1)})));
  return script;
}

class LobFakeServerTest : public ::testing::Test {
 protected:
  // The script ends with the close of the query's cursor.
  void Start(TFakeScript script) {
    Append(script, Exchange(EndOfCall()));
    fake_ = std::make_unique<TFakeServer>(std::vector<TFakeScript>{std::move(script)});
    ASSERT_EQ(s_.LogOn(*fake_), OCI_SUCCESS);
    ASSERT_EQ(OCIDescriptorAlloc(nullptr, &blob_, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
    ASSERT_EQ(OCIDescriptorAlloc(nullptr, &clob_, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
    OCIStmt* stmt = s_.NewStatement("select b, c from docs where id = 1 for update");
    ASSERT_EQ(s_.Execute(stmt, 0), OCI_SUCCESS);
    OCIDefine* define = nullptr;
    OCIDefineByPos(stmt, &define, s_.Err(), 1, &blob_, sizeof blob_, SQLT_BLOB, nullptr, nullptr, nullptr, 0);
    OCIDefineByPos(stmt, &define, s_.Err(), 2, &clob_, sizeof clob_, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
    ASSERT_EQ(s_.Fetch(stmt, 1), OCI_SUCCESS);
    stmt_ = stmt;
  }
  void TearDown() override {
    if (stmt_) OCIHandleFree(stmt_, OCI_HTYPE_STMT);
    if (fake_) fake_->Join();
    for (void* lob : {blob_, clob_}) OCIDescriptorFree(lob, OCI_DTYPE_LOB);
  }
  // Ends the session's script check: every step ran as written.
  void ExpectScriptDone() {
    s_.Free(stmt_, OCI_HTYPE_STMT);
    stmt_ = nullptr;
    fake_->Join();
    EXPECT_TRUE(fake_->Failures().empty()) << fake_->Failures().front();
  }

  OCILobLocator* Blob() const { return static_cast<OCILobLocator*>(blob_); }
  OCILobLocator* Clob() const { return static_cast<OCILobLocator*>(clob_); }

  sword Read(OCILobLocator* lob, ub4& amount, ub4 offset, void* buffer, ub4 size, ub2 csid = 0) {
    sword status = -9;
    RunBounded(kCallBound, [&] {
      status =
          OCILobRead(s_.Svc(), s_.Err(), lob, &amount, offset, buffer, size, nullptr, nullptr, csid, SQLCS_IMPLICIT);
    });
    return status;
  }
  sword Write(OCILobLocator* lob, ub4& amount, const void* buffer, ub4 size, ub2 csid = 0) {
    sword status = -9;
    RunBounded(kCallBound, [&] {
      status = OCILobWrite(s_.Svc(), s_.Err(), lob, &amount, 1, const_cast<void*>(buffer), size, OCI_ONE_PIECE, nullptr,
                           nullptr, csid, SQLCS_IMPLICIT);
    });
    return status;
  }

  TDirectSession s_;
  std::unique_ptr<TFakeServer> fake_;
  void* blob_ = nullptr;
  void* clob_ = nullptr;
  OCIStmt* stmt_ = nullptr;
};

TBytes Pattern(size_t size) {
  TBytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

TBytes Slice(const TBytes& bytes, size_t from, size_t count) {
  return TBytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

TEST_F(LobFakeServerTest, ABlobIsWrittenInPiecesAndStreamedBackWithAmountZero) {
  const TBytes data = Pattern(40000);
  TFakeScript script = LobQueryScript();
  AppendBlock(script, 3, kAllIn, {});
  AppendBlock(script, 3, kAllIn, {});
  // The first call fills its 32768 bytes in two pieces; the second gets
  // the rest, shorter than asked: the last piece.
  AppendBlock(script, 3, kReadFlags, Row({Value(IntNumber(32512)), Value(Slice(data, 0, 32512))}));
  AppendBlock(script, 3, kReadFlags, Row({Value(IntNumber(256)), Value(Slice(data, 32512, 256))}));
  AppendBlock(script, 3, kReadFlags, Row({Value(IntNumber(7232)), Value(Slice(data, 32768, 7232))}));
  Start(std::move(script));

  boolean init = 0;
  EXPECT_EQ(OCILobLocatorIsInit(nullptr, s_.Err(), Blob(), &init), OCI_SUCCESS);
  EXPECT_TRUE(init);
  ub4 amount = static_cast<ub4>(data.size());
  ASSERT_EQ(Write(Blob(), amount, data.data(), static_cast<ub4>(data.size())), OCI_SUCCESS);
  EXPECT_EQ(amount, 40000u);

  TBytes back;
  TBytes buffer(32768);
  amount = 0;
  ASSERT_EQ(Read(Blob(), amount, 1, buffer.data(), static_cast<ub4>(buffer.size())), OCI_NEED_DATA);
  EXPECT_EQ(amount, 32768u);
  back.insert(back.end(), buffer.begin(), buffer.begin() + amount);
  amount = 0;
  ASSERT_EQ(Read(Blob(), amount, 1, buffer.data(), static_cast<ub4>(buffer.size())), OCI_SUCCESS);
  EXPECT_EQ(amount, 7232u);
  back.insert(back.end(), buffer.begin(), buffer.begin() + amount);
  EXPECT_EQ(back, data);
  ExpectScriptDone();

  // The pieces went as blocks: locator, amount, offset and the bytes.
  const TBytes sent = SentAfterLogon(*fake_);
  const TBytes firstRow = Concat({Hex("07"), Written(kBlobLocator), Written(IntNumber(32512)), Written(IntNumber(1))});
  EXPECT_TRUE(Holds(sent, firstRow)) << "the first piece: 32512 bytes from offset 1";
  EXPECT_TRUE(Holds(sent, Concat({Written(IntNumber(7488)), Written(IntNumber(32513))})))
      << "7488 bytes from offset 32513";
  EXPECT_TRUE(Holds(sent, Written(Bytes("begin dbms_lob.write(:1,:2,:3,:4); end;"))));
  EXPECT_TRUE(Holds(sent, Written(Bytes("begin dbms_lob.read(:1,:2,:3,:4); end;"))));
}

// Text from a file, in UTF-8, ending in a three-byte character: it is
// written as characters and read back whole.
TEST_F(LobFakeServerTest, AClobReadsBackWithItsLastCharacter) {
  const std::string text = "Съешь же ещё этих мягких французских булок, да выпей чаю €";
  const size_t chars = 58;
  TFakeScript script = LobQueryScript();
  AppendBlock(script, 4, kAllIn, {});
  AppendBlock(script, 4, kReadFlags, Row({Value(IntNumber(chars)), TextValue(text)}));
  Start(std::move(script));

  ub4 amount = static_cast<ub4>(text.size());  // the layer counts a UTF-8 text in bytes
  ASSERT_EQ(Write(Clob(), amount, text.data(), static_cast<ub4>(text.size())), OCI_SUCCESS);
  EXPECT_EQ(amount, chars);

  std::string back(32768, '\0');
  amount = 0;
  ASSERT_EQ(Read(Clob(), amount, 1, back.data(), static_cast<ub4>(back.size())), OCI_SUCCESS);
  back.resize(amount);
  EXPECT_EQ(back, text);
  EXPECT_EQ(back.substr(back.size() - 3), "€");
  ExpectScriptDone();

  const TBytes sent = SentAfterLogon(*fake_);
  // The write's amount is in characters; the read asks for what a buffer
  // of three-byte characters can hold: 32512 / 3.
  EXPECT_TRUE(Holds(sent, Concat({Written(kClobLocator), Written(IntNumber(chars)), Written(IntNumber(1))})));
  EXPECT_TRUE(Holds(sent, Concat({Written(kClobLocator), Written(IntNumber(10837)), Written(IntNumber(1))})));
  EXPECT_TRUE(Holds(sent, Written(Bytes("declare a varchar2(32512); begin dbms_lob.read(:1,:2,:3,a); :4 := a; end;"))));
}

TEST_F(LobFakeServerTest, AReadOfCharactersAsksForThemAndCountsTheBytes) {
  const std::string ten = "абвгдежзий";  // ten two-byte characters
  TFakeScript script = LobQueryScript();
  AppendBlock(script, 4, kReadFlags, Row({Value(IntNumber(10)), TextValue(ten)}));
  Start(std::move(script));
  char buffer[30] = {};
  ub4 amount = 10;
  ASSERT_EQ(Read(Clob(), amount, 1, buffer, sizeof buffer), OCI_SUCCESS);
  EXPECT_EQ(amount, 20u) << "the older read answers a UTF-8 text's amount in bytes";
  EXPECT_EQ(std::string(buffer, amount), ten);
  ExpectScriptDone();
}

// A caller that reads UTF-16 asks for what its buffer holds in UTF-16
// units and gets the text converted; the buffer is announced with room
// for the UTF8 the server sends.
TEST_F(LobFakeServerTest, AUtf16ReadGetsUnitsAndCountsThem) {
  const std::string text = "жёлтый €";
  TFakeScript script = LobQueryScript();
  AppendBlock(script, 4, kReadFlags, Row({Value(IntNumber(8)), TextValue(text)}));
  Start(std::move(script));
  char16_t buffer[8] = {};
  ub4 amount = 8;
  ASSERT_EQ(Read(Clob(), amount, 1, buffer, sizeof buffer, OCI_UTF16ID), OCI_SUCCESS);
  EXPECT_EQ(amount, 8u);
  EXPECT_EQ(std::u16string(buffer, 8), u"жёлтый €");
  ExpectScriptDone();
  // The data bind's metadata: type 1, announced as 16 / 2 * 3 = 24 bytes.
  EXPECT_TRUE(Holds(SentAfterLogon(*fake_), Hex("01 01 00 00 01 18 00 00 00 00 00 01")));
}

// A piece that brings nothing ends the read, as does the server's "no
// data found" past the end: neither loops for ever.
TEST_F(LobFakeServerTest, AnEmptyPieceOrTheEndOfTheLobEndsTheRead) {
  TFakeScript script = LobQueryScript();
  AppendBlock(script, 3, kReadFlags, Row({Value(IntNumber(0)), NullValue()}));
  TStatusFields end;
  end.error = 1403;
  end.text = "ORA-01403: no data found";
  AppendBlock(script, 3, kReadFlags, {}, end);
  Start(std::move(script));
  TBytes buffer(100);
  ub4 amount = 50;
  EXPECT_EQ(Read(Blob(), amount, 1, buffer.data(), 100), OCI_SUCCESS);
  EXPECT_EQ(amount, 0u);
  amount = 0;
  EXPECT_EQ(Read(Blob(), amount, 500, buffer.data(), 100), OCI_SUCCESS);
  EXPECT_EQ(amount, 0u);
  EXPECT_EQ(s_.LastError().first, 0) << "the end of the LOB is no error";
  ExpectScriptDone();
}

TEST_F(LobFakeServerTest, LengthTrimAndTemporaryLobs) {
  const TBytes temporary = Hex("00 54 00 01 99 88 77 66");
  TFakeScript script = LobQueryScript();
  AppendBlock(script, 5, {0x10, 0x20}, Row({Value(IntNumber(40000))}));
  AppendBlock(script, 5, {0x20, 0x20}, {});
  AppendBlock(script, 5, {0x10}, {});
  // The created locator comes back at once, in the row after the vector.
  script.resize(script.size() - 6);
  Append(script, Exchange(Concat({BindVector({0x10}), Row({LocatorValue(temporary)}), Done(1)})));
  Append(script, Exchange(EndOfCall()));
  AppendBlock(script, 5, {0x20}, {});
  Start(std::move(script));

  ub4 length = 0;
  sword status = -9;
  RunBounded(kCallBound, [&] { status = OCILobGetLength(s_.Svc(), s_.Err(), Blob(), &length); });
  ASSERT_EQ(status, OCI_SUCCESS);
  EXPECT_EQ(length, 40000u);
  RunBounded(kCallBound, [&] { status = OCILobTrim(s_.Svc(), s_.Err(), Blob(), 10); });
  EXPECT_EQ(status, OCI_SUCCESS);

  void* temp = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(nullptr, &temp, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  auto* lob = static_cast<OCILobLocator*>(temp);
  RunBounded(kCallBound,
             [&] { status = OCILobCreateTemporary(s_.Svc(), s_.Err(), lob, 0, 0, 2, 0, OCI_DURATION_SESSION); });
  EXPECT_EQ(status, OCI_SUCCESS);
  boolean flag = 0;
  OCILobIsTemporary(nullptr, s_.Err(), lob, &flag);
  EXPECT_TRUE(flag);
  OCILobLocatorIsInit(nullptr, s_.Err(), lob, &flag);
  EXPECT_TRUE(flag);
  RunBounded(kCallBound, [&] { status = OCILobFreeTemporary(s_.Svc(), s_.Err(), lob); });
  EXPECT_EQ(status, OCI_SUCCESS);
  OCILobIsTemporary(nullptr, s_.Err(), lob, &flag);
  EXPECT_FALSE(flag);
  OCIDescriptorFree(temp, OCI_DTYPE_LOB);
  ExpectScriptDone();

  const TBytes sent = SentAfterLogon(*fake_);
  EXPECT_TRUE(Holds(sent, Written(Bytes("begin :1 := dbms_lob.getLength(:2); end;"))));
  EXPECT_TRUE(Holds(sent, Written(Bytes("begin dbms_lob.trim(:1,:2); end;"))));
  EXPECT_TRUE(Holds(sent, Concat({Written(kBlobLocator), Written(IntNumber(10))})));
  EXPECT_TRUE(
      Holds(sent, Written(Bytes("declare lob1 CLOB; begin dbms_lob.CreateTemporary (lob1, false); :1 := lob1; end;"))));
  EXPECT_TRUE(Holds(sent, Concat({Hex("07"), Written(temporary)}))) << "the temporary LOB is freed by its own locator";
}

// The bytes the server received in the write blocks, in order, and the
// amounts and offsets they named.
struct TWritten {
  TBytes bytes;
  std::vector<TBytes> amounts, offsets;
};

TWritten WrittenByBlocks(TFakeServer& fake) {
  TWritten written;
  for (const TCheckedCall& call : fake.Calls()) {
    if (call.sql != "begin dbms_lob.write(:1,:2,:3,:4); end;" || call.rows.size() != 1) continue;
    const auto& row = call.rows[0];
    written.amounts.push_back(row[1].elements.at(0));
    written.offsets.push_back(row[2].elements.at(0));
    written.bytes = Concat({written.bytes, row[3].elements.at(0)});
  }
  return written;
}

struct TReadPieces {
  TBytes bytes;
  std::vector<int> kinds;
  int stopAfter = -1;  // answer something else than OCI_CONTINUE after this many
};

sb4 TakeReadPiece(void* context, const void* buffer, ub4 length, ub1 piece) {
  auto* read = static_cast<TReadPieces*>(context);
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  read->bytes.insert(read->bytes.end(), bytes, bytes + length);
  read->kinds.push_back(piece);
  return static_cast<int>(read->kinds.size()) == read->stopAfter ? OCI_ERROR : OCI_CONTINUE;
}

struct TWriteSource {
  TBytes data;
  size_t at = 0;
  size_t piece = 0;
  int calls = 0;
};

// Hands out the next `piece` bytes, the last ones as the last piece.
sb4 GiveWritePiece(void* context, void* buffer, ub4* length, ub1* piece) {
  auto* source = static_cast<TWriteSource*>(context);
  ++source->calls;
  const size_t n = std::min({source->piece, static_cast<size_t>(*length), source->data.size() - source->at});
  std::copy_n(source->data.begin() + static_cast<std::ptrdiff_t>(source->at), n, static_cast<uint8_t*>(buffer));
  source->at += n;
  *length = static_cast<ub4>(n);
  *piece = source->at == source->data.size() ? OCI_LAST_PIECE : OCI_NEXT_PIECE;
  return OCI_CONTINUE;
}

// A BLOB written in three calls, first, next and last piece, its total
// left open; read back whole through a read callback.
TEST_F(LobFakeServerTest, ABlobWrittenPieceByPieceReadsBackThroughACallback) {
  const TBytes data = Pattern(25000);
  TFakeScript script = LobQueryScript();
  for (int i = 0; i < 3; ++i) AppendBlock(script, 3, kAllIn, {});
  AppendBlock(script, 3, kReadFlags, Row({Value(IntNumber(16384)), Value(Slice(data, 0, 16384))}));
  AppendBlock(script, 3, kReadFlags, Row({Value(IntNumber(8616)), Value(Slice(data, 16384, 8616))}));
  Start(std::move(script));

  const ub1 kinds[] = {OCI_FIRST_PIECE, OCI_NEXT_PIECE, OCI_LAST_PIECE};
  const size_t starts[] = {0, 10000, 20000, 25000};
  sword statuses[3] = {};
  ub4 amount = 0;
  for (int i = 0; i < 3; ++i) {
    TBytes piece = Slice(data, starts[i], starts[i + 1] - starts[i]);
    RunBounded(kCallBound, [&] {
      statuses[i] = OCILobWrite(s_.Svc(), s_.Err(), Blob(), &amount, 1, piece.data(), static_cast<ub4>(piece.size()),
                                kinds[i], nullptr, nullptr, 0, SQLCS_IMPLICIT);
    });
  }
  EXPECT_EQ(statuses[0], OCI_NEED_DATA);
  EXPECT_EQ(statuses[1], OCI_NEED_DATA);
  EXPECT_EQ(statuses[2], OCI_SUCCESS);
  EXPECT_EQ(amount, 25000u);

  TReadPieces read;
  TBytes buffer(16384);
  ub4 readAmount = 0;
  sword status = -9;
  RunBounded(kCallBound, [&] {
    status = OCILobRead(s_.Svc(), s_.Err(), Blob(), &readAmount, 1, buffer.data(), static_cast<ub4>(buffer.size()),
                        &read, reinterpret_cast<void*>(&TakeReadPiece), 0, SQLCS_IMPLICIT);
  });
  EXPECT_EQ(status, OCI_SUCCESS);
  EXPECT_EQ(readAmount, 25000u);
  EXPECT_EQ(read.bytes, data);
  EXPECT_EQ(read.kinds, (std::vector<int>{OCI_FIRST_PIECE, OCI_LAST_PIECE}));
  ExpectScriptDone();
  const TWritten written = WrittenByBlocks(*fake_);
  EXPECT_EQ(written.bytes, data);
  EXPECT_EQ(written.offsets, (std::vector<TBytes>{IntNumber(1), IntNumber(10001), IntNumber(20001)}));
}

// A CLOB whose pieces come from a write callback, five bytes at a time, in
// UTF-8: a piece that ends inside a character leaves its first byte for
// the next piece, so every block holds whole characters; read back whole.
TEST_F(LobFakeServerTest, AClobWrittenThroughACallbackKeepsItsCharactersWhole) {
  const std::string text = "ЁжикЁжикЁжик";  // twelve two-byte characters
  TFakeScript script = LobQueryScript();
  for (int i = 0; i < 5; ++i) AppendBlock(script, 4, kAllIn, {});
  AppendBlock(script, 4, kReadFlags, Row({Value(IntNumber(12)), TextValue(text)}));
  Start(std::move(script));

  TWriteSource source{TBytes(text.begin(), text.end()), 5, 5, 0};
  uint8_t buffer[5];
  std::copy_n(source.data.begin(), 5, buffer);
  ub4 amount = 12;
  sword status = -9;
  RunBounded(kCallBound, [&] {
    status = OCILobWrite(s_.Svc(), s_.Err(), Clob(), &amount, 1, buffer, sizeof buffer, OCI_FIRST_PIECE, &source,
                         reinterpret_cast<void*>(&GiveWritePiece), 0, SQLCS_IMPLICIT);
  });
  EXPECT_EQ(status, OCI_SUCCESS);
  EXPECT_EQ(amount, 12u);
  EXPECT_EQ(source.calls, 4);

  std::string back(64, '\0');
  ub4 readAmount = 0;
  ASSERT_EQ(Read(Clob(), readAmount, 1, back.data(), static_cast<ub4>(back.size())), OCI_SUCCESS);
  back.resize(readAmount);
  EXPECT_EQ(back, text);
  ExpectScriptDone();
  const TWritten written = WrittenByBlocks(*fake_);
  EXPECT_EQ(written.bytes, TBytes(text.begin(), text.end()));
  EXPECT_EQ(written.amounts, (std::vector<TBytes>{IntNumber(2), IntNumber(3), IntNumber(2), IntNumber(3), IntNumber(2)}));
  EXPECT_EQ(written.offsets,
            (std::vector<TBytes>{IntNumber(1), IntNumber(3), IntNumber(6), IntNumber(8), IntNumber(11)}));
}

// A next piece without a first, and a callback that stops, are errors;
// neither sends anything.
TEST_F(LobFakeServerTest, PiecesOutOfOrderAndAStoppingCallbackAreRefused) {
  TFakeScript script = LobQueryScript();
  AppendBlock(script, 3, kReadFlags, Row({Value(IntNumber(4)), Value(Hex("01 02 03 04"))}));
  Start(std::move(script));
  uint8_t bytes[4] = {1, 2, 3, 4};
  ub4 amount = 4;
  EXPECT_EQ(OCILobWrite(s_.Svc(), s_.Err(), Blob(), &amount, 1, bytes, 4, OCI_NEXT_PIECE, nullptr, nullptr, 0,
                        SQLCS_IMPLICIT),
            OCI_ERROR);
  EXPECT_EQ(s_.LastError().second, "NET: a LOB write piece came without its first piece");
  TReadPieces read;
  read.stopAfter = 1;
  ub4 readAmount = 0;
  sword status = -9;
  RunBounded(kCallBound, [&] {
    status = OCILobRead(s_.Svc(), s_.Err(), Blob(), &readAmount, 1, bytes, 4, &read,
                        reinterpret_cast<void*>(&TakeReadPiece), 0, SQLCS_IMPLICIT);
  });
  EXPECT_EQ(status, OCI_ERROR);
  EXPECT_EQ(s_.LastError(), std::make_pair(24343, std::string("ORA-24343: user defined callback error")));
  ExpectScriptDone();
}

}  // namespace
}  // namespace oranet::testing
