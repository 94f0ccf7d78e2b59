// Executing on the stand-in: commit modes and LOB values after the execute,
// array DML, LONG values through dynamic binds, ROWIDs, error offsets and
// execution on a background thread.
#include <cstring>

#include "classlib/thread.h"
#include "dacore/blob.h"
#include "dacore/driver_props.h"
#include "oracle/conn_util_window.h"
#include "oracle/error_ora.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/param_ora_desc.h"
#include "oracle/tests/cmd_fixture.h"
#include "oracle/tests/standin_fixture_values.h"
#include "oracle/value_data_types.h"
#include "platform/message_loop.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using namespace dacore;

class ExecuteTest : public CommandTest {
 protected:
  // A BLOB input parameter holding a value to write after the execute.
  TOraLob* BlobParam(TOCICommand& command, int index, const std::string& content) {
    TOraParamDesc& param = *command.ParamAt(index);
    param.SetDataType(dtOraBlob);
    param.SetParamType(pdInput);
    auto* lob = new TOraLob(nullptr);
    lob->SetAsString(content);
    param.SetObject(lob);
    lob->Release();
    return lob;
  }
};

TEST_F(ExecuteTest, AutoCommitInsertCommitsOnSuccess) {
  Connect();
  auto command = NewCommand("insert into t values (1)");
  command->Execute(1);
  EXPECT_THAT(Calls("OCIStmtExecute"), ElementsAre("OCIStmtExecute iters=1 offset=0 mode=32"));
  EXPECT_TRUE(Calls("OCITransCommit").empty());
  EXPECT_EQ(session_->CommittedWork(), 1);
  EXPECT_EQ(session_->PendingWork(), 0);

  connection_->AutoCommit = false;
  standin_->ClearLog();
  command->Execute(1);
  EXPECT_THAT(Calls("OCIStmtExecute"), ElementsAre("OCIStmtExecute iters=1 offset=0 mode=0"));
  EXPECT_EQ(session_->PendingWork(), 1) << "the caller's transaction";
}

TEST_F(ExecuteTest, BlobParameterIsWrittenThenCommitted) {
  Connect();
  auto command = NewCommand("insert into t (b) values (empty_blob()) returning b into :b");
  TOraLob* lob = BlobParam(*command, 0, "blob value");
  command->Execute(1);
  EXPECT_TRUE(InOrder(Calls(), {"OCIBindByName name=b type=113 size=8 mode=0",
                                "OCIStmtExecute iters=1 offset=0 mode=0", "OCILobLocatorIsInit",
                                "OCILobTrim length=0", "OCITransCommit flags=0"}));
  EXPECT_EQ(Calls("OCILobWrite").size(), 1u);
  EXPECT_EQ(session_->CommittedWork(), 1);
  StandinValues values(ORACLE_STANDIN_PATH);
  EXPECT_EQ(values.LobContent(lob->GetOCILobLocator()), "blob value");
}

TEST_F(ExecuteTest, TemporaryLobUpdateWritesFirstAndCommitsOnSuccess) {
  Connect();
  auto command = NewCommand("insert into t (b) values (:b)");
  BlobParam(*command, 0, "temporary");
  command->SetProp(prTemporaryLobUpdate, Variant(true));
  command->Execute(1);
  EXPECT_TRUE(InOrder(Calls(), {"OCILobCreateTemporary csid=0 csfrm=0 type=1 cache=0 duration=10",
                                "OCILobWrite amount=9 offset=1 bufl=9 piece=0 csid=0 csfrm=1",
                                "OCIStmtExecute iters=1 offset=0 mode=32"}));
  EXPECT_TRUE(Calls("OCITransCommit").empty());
  EXPECT_EQ(session_->CommittedWork(), 1);
}

TEST_F(ExecuteTest, ArrayDmlOfTenThousandRowsInOneExecute) {
  Connect();
  constexpr int kRows = 10000;
  auto command = NewCommand("insert into t (a, s) values (:a, :s)");
  TOraParamDesc& numbers = *command->ParamAt(0);
  numbers.SetDataType(dtInt32);
  numbers.SetArrayLength(kRows);
  TOraParamDesc& texts = *command->ParamAt(1);
  texts.SetDataType(dtString);
  texts.SetSize(8);
  texts.SetArrayLength(kRows);
  for (int i = 1; i <= kRows; ++i) {
    numbers.SetItemAsInteger(i, i);
    texts.SetItemAsString(i, "row" + std::to_string(i));
  }
  texts.SetItemNull(kRows, true);
  command->Execute(kRows);
  EXPECT_THAT(Calls("OCIStmtExecute"), ElementsAre("OCIStmtExecute iters=10000 offset=0 mode=32"));
  EXPECT_THAT(Calls("OCIBindArrayOfStruct"), ElementsAre("OCIBindArrayOfStruct value=4 ind=2 len=4 rc=0",
                                                         "OCIBindArrayOfStruct value=9 ind=2 len=9 rc=0"));
  Variant rows;
  command->GetProp(prRowsProcessed, rows);
  EXPECT_EQ(rows.AsInteger(), kRows);
  const auto received = statements_->Received();
  ASSERT_EQ(received.size(), 2u * kRows);
  EXPECT_EQ(received[kRows - 1], "A[10000]=10000");
  EXPECT_EQ(received[kRows], "S[1]=row1");
  EXPECT_EQ(received.back(), "S[10000]=NULL");
  standin_->ClearLog();
  command->Execute(1);
  EXPECT_THAT(Calls("OCIStmtExecute"), ElementsAre("OCIStmtExecute iters=1 offset=0 mode=32"))
      << "the iteration count went back to 1";
}

TEST_F(ExecuteTest, LongValuesGoInPiecesBothWays) {
  Connect();
  statements_->Script("begin p(:lin, :lout, :empty); end;", "out:LOUT=" + std::string(25, 'z'));
  auto command = NewCommand("begin p(:lin, :lout, :empty); end;");
  auto blob_param = [&](int index, TParamDirection direction) {
    TOraParamDesc& param = *command->ParamAt(index);
    param.SetDataType(dtMemo);
    param.SetParamType(direction);
    auto* blob = new TBlob;
    blob->SetPieceSize(10);
    param.SetObject(blob);
    blob->Release();
    return blob;
  };
  TBlob* in = blob_param(0, pdInput);
  for (const char* part : {"first-", "second-", "third"}) {
    dacore::PieceHeader* piece = TBlob::AllocPiece(static_cast<uint32_t>(std::strlen(part)));
    std::memcpy(dacore::PieceData(piece), part, std::strlen(part));
    piece->used = piece->size;
    in->AppendPiece(piece);
  }
  TBlob* out = blob_param(1, pdOutput);
  out->SetAsString("old value");
  blob_param(2, pdInput);
  command->Execute(1);
  // An output LONG is bound for both ways; the server gets what it held.
  EXPECT_THAT(statements_->Received(),
              ElementsAre("LIN[1]=first-second-third", "LOUT[1]=old value", "EMPTY[1]="));
  EXPECT_EQ(out->GetAsString(), std::string(25, 'z')) << "cleared before the first piece";
  EXPECT_EQ(out->PieceCount(), 3);
}

TEST_F(ExecuteTest, RowIdOfTheRowTouched) {
  Connect();
  auto command = NewCommand("update t set a = 1");
  command->SetProp(prStoreRowId, Variant(true));
  command->Execute(1);
  EXPECT_EQ(command->RowId(), "AAAHXFAAEAAAABkAAA");
  EXPECT_TRUE(InOrder(Calls(), {"OCIDescriptorAlloc type=54", "OCIAttrGet htype=4 attr=19", "OCIRowidToChar",
                                "OCIDescriptorFree type=54"}));
  command->SetProp(prStoreRowId, Variant(false));
  command->Execute(1);
  EXPECT_EQ(command->RowId(), "");
}

TEST_F(ExecuteTest, ServerErrorOffsetMapsToTheCallersText) {
  Connect();
  const std::string sql = "select a\r\nfrom\r\nnowhere";
  statements_->Script("select a\nfrom\nnowhere", "error=942 offset=14 text=ORA-00942: table or view does not exist");
  auto command = NewCommand(sql);
  command->Prepare();
  EXPECT_THROW(command->Execute(1), EOraError);
  EXPECT_EQ(command->ErrorOffset(), 14) << "as the server counts, in the text it got";
  Variant offset;
  command->GetProp(prErrorOffset, offset);
  EXPECT_EQ(offset.AsInteger(), static_cast<int>(sql.find("nowhere")));
}

TEST_F(ExecuteTest, NonBlockingExecuteEndsThroughTheMessageQueue) {
  Connect();
  auto command = NewCommand("insert into t values (1)");
  command->SetProp(prNonBlocking, Variant(true));
  struct Listener {
    int calls = 0;
    bool result = false;
    void AfterExecute(bool ok) {
      ++calls;
      result = ok;
    }
  } listener;
  command->OnAfterExecute = dacore::TCRCommand::TAfterExecuteProc(&listener, &Listener::AfterExecute);
  command->Execute(1);
  EXPECT_TRUE(command->Executing());
  while (connection_->UtilWindow().PendingCount() == 0) classlib::Sleep(1);
  EXPECT_EQ(listener.calls, 0) << "the end is reported on the main thread";
  // The message reaches the window's queue a moment before the loop hears of it.
  while (listener.calls == 0) {
    platform::MessageLoop::Current().ProcessMessages();
    if (listener.calls == 0) classlib::Sleep(1);
  }
  EXPECT_EQ(listener.calls, 1);
  EXPECT_TRUE(listener.result);
  EXPECT_FALSE(command->Executing());
  EXPECT_EQ(session_->CommittedWork(), 1);

  // A server error of a background run is raised on the main thread.
  statements_->Script("insert into t values (1)", "error=1 text=ORA-00001: unique constraint violated");
  command->Execute(1);
  bool raised = false;
  for (int waited = 0; !raised && waited < 5000; ++waited) {
    try {
      platform::MessageLoop::Current().ProcessMessages();
      classlib::Sleep(1);
    } catch (const EOraError& e) {
      raised = true;
      EXPECT_EQ(e.ErrorCode(), 1);
    }
  }
  EXPECT_TRUE(raised) << "the error was lost";
  EXPECT_EQ(listener.calls, 2);
  EXPECT_FALSE(listener.result);
  EXPECT_FALSE(command->Executing());

  connection_->ThreadSafety = false;
  EXPECT_EQ(MessageOf([&] { command->Execute(1); }), "Session must be Thread Safety");
  EXPECT_FALSE(listener.result);
}

}  // namespace
}  // namespace oracle::testing
