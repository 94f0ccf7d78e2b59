// BFILEs on the stand-in: directory aliases mapped to a test folder, file
// names of their full length, existence, reads and the names' rollback.
#include <fstream>

#include "oracle/lob_ora_file.h"
#include "oracle/tests/standin_fixture_values.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class FileTest : public ValueTest {
 protected:
  void SetUp() override {
    ValueTest::SetUp();
    Start();
    folder_ = MakeFolder("bfiles");
    values_->MapDirectory("DOCS", folder_);
    Save("report.bin", std::string("\x01\x00\x02report", 9));
    file_ = new TOraFile(svc_ctx_);
  }
  void TearDown() override {
    file_->Release();
    ValueTest::TearDown();
  }
  void Save(const std::string& name, const std::string& content) {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << content;
  }
  static std::string Content(TOraFile& file) {
    std::string bytes(file.GetSize(), '\0');
    bytes.resize(file.Read(0, 0, bytes.data()));
    return bytes;
  }
  std::string folder_;
  TOraFile* file_ = nullptr;
};

TEST_F(FileTest, ReadsTheFileTheNamesPointAt) {
  EXPECT_FALSE(file_->Exists()) << "no locator yet";
  EXPECT_EQ(file_->FileName(), "");
  file_->SetFileDir("DOCS");
  file_->SetFileName("report.bin");
  EXPECT_EQ(file_->FileDir(), "DOCS");
  EXPECT_EQ(file_->FileName(), "report.bin");
  EXPECT_TRUE(file_->Exists());
  standin_->ClearLog();
  file_->Refresh();
  EXPECT_EQ(Content(*file_), std::string("\x01\x00\x02report", 9));
  EXPECT_THAT(ArgumentsOf("OCILobFileOpen"), ElementsAre("mode=1"));
  EXPECT_EQ(standin_->LogOf("OCILobFileClose").size(), 1u);
  EXPECT_THAT(ArgumentsOf("OCILobRead2"),
              ElementsAre("bytes=0 chars=0 offset=1 bufl=65514 piece=1 csid=0 csfrm=1"));
}

TEST_F(FileTest, AFileThatNeedsReadingIsReadOnFirstUse) {
  file_->SetFileDir("DOCS");
  file_->SetFileName("report.bin");
  file_->SetNeedsRead(true);
  EXPECT_EQ(Content(*file_).substr(3), "report");
  file_->SetFileName("nothing-here.txt");
  file_->Clear();
  file_->SetNeedsRead(true);
  standin_->ClearLog();
  char byte;
  EXPECT_EQ(file_->Read(0, 1, &byte), 0u) << "a missing file reads as empty";
  EXPECT_TRUE(standin_->LogOf("OCILobFileOpen").empty());
}

TEST_F(FileTest, MissingDirectoryOrFileDoesNotExist) {
  file_->SetFileDir("NOWHERE");
  file_->SetFileName("report.bin");
  EXPECT_FALSE(file_->Exists()) << "the server's 'no such directory' is an answer, not an error";
  file_->SetFileDir("DOCS");
  file_->SetFileName("absent.bin");
  EXPECT_FALSE(file_->Exists());
  file_->SetFileName("");
  EXPECT_EQ(file_->FileName(), "");
  EXPECT_EQ(ArgumentsOf("OCILobFileSetName").back(), "dir=DOCS name=\\0") << "an empty part is one zero byte";
  standin_->InjectFault("OCILobFileExists", 1, OCI_ERROR, 22288, "ORA-22288: file or LOB operation FILEEXISTS failed");
  file_->SetFileName("report.bin");
  EXPECT_EQ(MessageOf([&] { file_->Exists(); }), "ORA-22288: file or LOB operation FILEEXISTS failed");
}

TEST_F(FileTest, LongNamesAreReadWhole) {
  const std::string name = std::string(200, 'n') + ".bin";
  const std::string alias = "DOCUMENTS_OF_THE_QUARTERLY_REPORTS_2024";
  values_->MapDirectory(alias, folder_);
  Save(name, "long");
  file_->SetFileDir(alias);
  file_->SetFileName(name);
  EXPECT_EQ(file_->FileDir(), alias);
  EXPECT_EQ(file_->FileName(), name);
  file_->Refresh();
  EXPECT_EQ(Content(*file_), "long");
}

TEST_F(FileTest, CancelRestoresTheNamesAndTheirContent) {
  Save("other.bin", "other");
  file_->SetFileDir("DOCS");
  file_->SetFileName("report.bin");
  file_->Refresh();
  file_->EnableRollback();
  file_->SetFileName("other.bin");
  file_->Refresh();
  EXPECT_EQ(Content(*file_), "other");
  file_->Cancel();
  EXPECT_EQ(file_->FileName(), "report.bin");
  EXPECT_EQ(Content(*file_).substr(3), "report");
  file_->EnableRollback();
  file_->SetFileName("other.bin");
  file_->Commit();
  file_->Cancel();
  EXPECT_EQ(file_->FileName(), "other.bin") << "a committed change stays";
}

TEST_F(FileTest, OperationsNeedALocatorAndASession) {
  EXPECT_EQ(MessageOf([&] { file_->Open(); }), "Lob is not allocated");
  TOraFile* orphan = new TOraFile(nullptr);
  orphan->AllocLob();
  EXPECT_EQ(MessageOf([&] { orphan->Refresh(); }), "OCISvcCtx is not defined");
  const int handles = standin_->LiveHandles();
  orphan->Release();
  EXPECT_EQ(standin_->LiveHandles(), handles - 1) << "the file locator is freed";
}

}  // namespace
}  // namespace oracle::testing
