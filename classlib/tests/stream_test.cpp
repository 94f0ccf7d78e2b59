#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "classlib/stream.h"

namespace classlib {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "streamtest.XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(MemoryStream, SizeGrowsWithWritesAndSeeksDoNotClamp) {
  TMemoryStream s;
  s.WriteBuffer("hello", 5);
  EXPECT_EQ(s.Size(), 5);
  EXPECT_EQ(s.Position(), 5);
  // Past the end: reading gives nothing, writing fills the gap with zeros.
  EXPECT_EQ(s.Seek(3, soFromEnd), 8);
  char c = 'x';
  EXPECT_EQ(s.Read(&c, 1), 0);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(s.Size(), 9);
  EXPECT_EQ(std::string(s.Memory(), 9), std::string("hello\0\0\0!", 9));
  EXPECT_EQ(s.Seek(-4, soFromCurrent), 5);
  EXPECT_EQ(s.Read(nullptr, 0), 0);
  EXPECT_EQ(s.Read(&c, -1), 0);
}

TEST(MemoryStream, SettingSizeKeepsOrClampsThePosition) {
  TMemoryStream s;
  s.WriteBuffer("0123456789", 10);
  s.SetPosition(4);
  s.SetSize(20);  // growing keeps the position and zero-fills
  EXPECT_EQ(s.Position(), 4);
  EXPECT_EQ(s.Memory()[19], '\0');
  s.SetSize(2);  // shrinking below the position pulls it back to the end
  EXPECT_EQ(s.Position(), 2);
  EXPECT_EQ(std::string(s.Memory(), 2), "01");
  s.SetPosition(1);
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 1);
  EXPECT_THROW(s.SetSize(-1), EStreamError);
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

TEST(Stream, ShortTransfersRaise) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(1);
  char buffer[8];
  try {
    s.ReadBuffer(buffer, 3);
    FAIL() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  s.SetPosition(0);
  EXPECT_NO_THROW(s.ReadBuffer(buffer, 3));
  EXPECT_NO_THROW(s.ReadBuffer(buffer, 0));

  TempFolder dir;
  std::string name = dir / "ro.bin";
  { TFileStream create(name, fmCreate); }
  TFileStream read_only(name, fmOpenRead);
  try {
    read_only.WriteBuffer("x", 1);
    FAIL() << "no exception";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
}

TEST(Stream, CopyFrom) {
  TStringStream source("abcdef");
  source.SetPosition(4);
  TMemoryStream target;
  // Count 0 copies everything from the start, whatever the position.
  EXPECT_EQ(target.CopyFrom(source, 0), 6);
  EXPECT_EQ(std::string(target.Memory(), target.Size()), "abcdef");

  source.SetPosition(2);
  TStringStream part;
  EXPECT_EQ(part.CopyFrom(source, 3), 3);
  EXPECT_EQ(part.DataString(), "cde");
  EXPECT_EQ(source.Position(), 5);
  EXPECT_THROW(part.CopyFrom(source, 2), EReadError);  // only one byte left
  EXPECT_THROW(part.CopyFrom(source, -1), EStreamError);

  // More than one internal buffer's worth.
  std::string big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  TStringStream big_source(big);
  TStringStream big_copy;
  EXPECT_EQ(big_copy.CopyFrom(big_source, 0), 200000);
  EXPECT_EQ(big_copy.DataString(), big);
}

TEST(StringStream, ReadsAndOverwritesInPlace) {
  TStringStream s("hello world");
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.ReadString(5), "hello");
  s.WriteString("_");
  EXPECT_EQ(s.DataString(), "hello_world");
  EXPECT_EQ(s.ReadString(100), "world");
  EXPECT_EQ(s.ReadString(1), "");
  s.WriteString("!!");
  EXPECT_EQ(s.DataString(), "hello_world!!");
  EXPECT_TRUE(s.InheritsFromByName("TStream"));
}

TEST(FileStream, ErrorsNameTheFileAndTheReason) {
  TempFolder dir;
  std::string missing = dir / "missing.txt";
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << e.Message();
    EXPECT_NE(e.Message().find("No such file"), std::string::npos) << e.Message();
  }
  std::string in_missing_folder = dir / "no/such/folder.txt";
  try {
    TFileStream f(in_missing_folder, fmCreate);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file \"" + in_missing_folder + "\". ", 0), 0u);
  }
  EXPECT_THROW(TFileStream(dir / "", fmOpenRead), EFOpenError);  // a folder is no file
}

TEST(FileStream, ReadWriteSeekAndResize) {
  TempFolder dir;
  std::string name = dir / "data.bin";
  {
    TFileStream f(name, fmCreate | fmShareExclusive);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.Size(), 10);
    EXPECT_EQ(f.Position(), 10);  // Size does not move the position
    f.SetSize(4);
    EXPECT_EQ(f.Position(), 4);
  }
  EXPECT_EQ(ReadWholeFile(name), "0123");
  {
    TFileStream f(name, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_EQ(f.Seek(-2, soFromEnd), 2);
    f.WriteBuffer("ab", 2);
    f.WriteBuffer("c", 1);
    f.SetPosition(0);
    char buffer[5];
    f.ReadBuffer(buffer, 5);
    EXPECT_EQ(std::string(buffer, 5), "01abc");
    EXPECT_EQ(f.Read(buffer, 5), 0);
    EXPECT_EQ(f.FileName(), name);
  }
  // fmCreate empties an existing file.
  { TFileStream f(name, fmCreate); }
  EXPECT_EQ(fs::file_size(name), 0u);
}

TEST(FileStream, AnsiNamesBecomeNativePaths) {
  TempFolder dir;
  std::string ansi_name = Utf8ToCp1251("отчёт.txt");
  // Folders written with "\" in release files work as on the original system.
  std::string windows_style = dir / "" + "sub\\" + ansi_name;
  fs::create_directory(dir / "sub");
  {
    TFileStream f(windows_style, fmCreate);
    f.WriteBuffer("x", 1);
  }
  EXPECT_TRUE(fs::exists(dir / "sub/отчёт.txt"));

  TMemoryStream m;
  m.LoadFromFile(windows_style);
  EXPECT_EQ(m.Size(), 1);
}

TEST(MemoryStream, FilesAndStreamsRoundTrip) {
  TempFolder dir;
  std::string bytes("\x00\xCF\xF0\xE8\r\n\xFF", 7);
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
  m.SetPosition(3);  // saving writes everything, whatever the position
  m.SaveToFile(dir / "m.bin");
  EXPECT_EQ(ReadWholeFile(dir / "m.bin"), bytes);

  TMemoryStream loaded;
  loaded.WriteBuffer("old contents that are longer", 28);
  loaded.LoadFromFile(dir / "m.bin");
  EXPECT_EQ(std::string(loaded.Memory(), loaded.Size()), bytes);

  TStringStream source("abc");
  source.SetPosition(2);
  loaded.LoadFromStream(source);  // from the source's start
  EXPECT_EQ(std::string(loaded.Memory(), loaded.Size()), "abc");
  TStringStream target("zz");
  target.Seek(0, soFromEnd);
  loaded.SaveToStream(target);
  EXPECT_EQ(target.DataString(), "zzabc");
}

}  // namespace
}  // namespace classlib
