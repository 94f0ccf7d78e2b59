// The three schema cache files: layout, round trip, and damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fib/metadata/schema_cache_file.h"
#include "temp_folder.h"

namespace fib_test {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const std::string& file) {
  std::string bytes;
  EXPECT_TRUE(fib::cache_file_io::ReadFile(file, bytes));
  return bytes;
}

void WriteBytes(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Le(int32_t value) {
  fib::CacheFileWriter w;
  w.Integer(value);
  return w.Bytes();
}

std::string Str(const std::string& s) { return Le(static_cast<int32_t>(s.size())) + s; }

fib::TpZODTableInfo SampleTable() {
  fib::TpZODTableInfo t;
  t.DBName = "srv:/db/x.fdb";
  t.TableName = "PEOPLE";
  t.WithRepository = true;
  t.FormatNumber = 3;
  t.ZODVersion = 12;
  t.PrimaryKeyFields = "ID";
  fib::TpZODFieldInfo& f = t.AddField("NAME");
  f.IsComputed = false;
  f.DefaultValueEmptyString = true;
  f.WithAdditionalInfo = true;
  f.Visible = false;
  f.DisplayWidth = 30;
  f.CharSetID = 52;
  f.DomainName = "D_NAME";
  f.DisplayLabel = "Full name";
  f.OtherInfo = {"HINT=a", "B=2"};
  t.AddField("ID").CanIncToWhereClause = false;
  return t;
}

fib::TpDataSetInfo SampleDataSet() {
  fib::TpDataSetInfo d;
  d.DBName = "srv:/db/x.fdb";
  d.ZODVersion = 9;
  d.SelectSQL = "select *\r\nfrom T\r\n";
  d.KeyField = "ID";
  d.Conditions = "a=1\r\n";
  d.UpdateOnlyModifiedFields = true;
  return d;
}

class SchemaCacheFileTest : public ::testing::Test {
 protected:
  void Fill(fib::MetadataCaches& caches) {
    caches.TableInfo.Add("PEOPLE", SampleTable());
    caches.DataSetInfo.Add("7", SampleDataSet());
    caches.ErrorMessages.SetVersion(4);
    caches.ErrorMessages.Add("srv:/db/x.fdb", "FK_A", 2, "No such person");
  }

  TempFolder folder;
  std::string file = folder.File("schema.mcf");
  std::string dt = folder.File("schema.dt");
  std::string err = folder.File("schema.err");
};

TEST_F(SchemaCacheFileTest, FilesFollowTheLayout) {
  fib::MetadataCaches caches;
  Fill(caches);
  fib::SaveSchemaCache(caches, file);

  std::string field = std::string("\0\1\1\1\0\0", 6) + Le(30) + Le(52) + Str("") + Str("D_NAME") +
                      Str("Full name") + Str("") + Str("") + Str("HINT=a\r\nB=2\r\n");
  std::string id = std::string("\0\0\0\0\1\0", 6) + Le(0) + Le(0) + Str("") + Str("") + Str("") +
                   Str("") + Str("") + Str("");
  EXPECT_EQ(Bytes(file), Str("ZOD$MCF") + Le(5) + Le(1) + Str("PEOPLE") + Str("srv:/db/x.fdb") +
                             Str("PEOPLE") + "\1" + Le(3) + Le(12) + Str("ID") + Le(2) +
                             Str("NAME") + field + Str("ID") + id);
  EXPECT_EQ(Bytes(dt), Str("ZOD$MCFDS") + Le(1) + Le(1) + Str("7") + Str("srv:/db/x.fdb") + Le(9) +
                           Str("select *\r\nfrom T\r\n") + Str("") + Str("") + Str("") + Str("") +
                           Str("ID") + Str("") + Str("") + Str("") + Str("a=1\r\n") + "\1");
  EXPECT_EQ(Bytes(err), Le(1) + Str("ZOD$Error_messages") + Le(4) + Le(1) + Str("srv:/db/x.fdb") +
                            Le(1) + Le(2) + Str("FK_A") + Str("No such person"));
}

TEST_F(SchemaCacheFileTest, SavedCachesLoadBackMarkedForValidation) {
  fib::MetadataCaches saved;
  Fill(saved);
  fib::SaveSchemaCache(saved, file);

  fib::MetadataCaches loaded;
  loaded.TableInfo.Add("OLD", SampleTable());  // a load replaces what was there
  ASSERT_TRUE(fib::LoadSchemaCache(loaded, file, true));
  EXPECT_TRUE(loaded.TableInfo.ValidateAfterLoad());
  EXPECT_TRUE(loaded.DataSetInfo.ValidateAfterLoad());

  auto tables = loaded.TableInfo.Snapshot();
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].first, "PEOPLE");
  const fib::TpZODTableInfo& t = tables[0].second;
  EXPECT_TRUE(t.NeedValidate);
  EXPECT_EQ(t.FileVersion, 5);
  EXPECT_EQ(t.ZODVersion, 12);
  ASSERT_EQ(t.Fields.size(), 2u);
  const fib::TpZODFieldInfo& f = t.Fields[0].second;
  EXPECT_EQ(f.OtherInfo, (std::vector<std::string>{"HINT=a", "B=2"}));
  EXPECT_FALSE(f.Visible);
  EXPECT_TRUE(f.DefaultValueEmptyString);
  EXPECT_EQ(f.DisplayLabel, "Full name");
  EXPECT_FALSE(t.Fields[1].second.CanIncToWhereClause);

  auto infos = loaded.DataSetInfo.Snapshot();
  ASSERT_EQ(infos.size(), 1u);
  EXPECT_EQ(infos[0].second.SelectSQL, "select *\r\nfrom T\r\n");
  EXPECT_TRUE(infos[0].second.NeedValidate);
  EXPECT_EQ(loaded.ErrorMessages.Version(), 4);
  EXPECT_EQ(loaded.ErrorMessages.Find("srv:/db/x.fdb", "FK_A")->Text, "No such person");
}

TEST_F(SchemaCacheFileTest, EmptyCachesDeleteTheFiles) {
  fib::MetadataCaches caches;
  Fill(caches);
  fib::SaveSchemaCache(caches, file);
  ASSERT_TRUE(fs::exists(file) && fs::exists(dt) && fs::exists(err));
  fib::SaveSchemaCache(fib::MetadataCaches{}, file);
  EXPECT_FALSE(fs::exists(file) || fs::exists(dt) || fs::exists(err));
  EXPECT_TRUE(fs::is_empty(folder.Path()));
}

TEST_F(SchemaCacheFileTest, SideFilesOfANameWithoutExtension) {
  EXPECT_EQ(fib::SideFileName("/a/cache", ".dt"), "/a/cache.dt");
  EXPECT_EQ(fib::SideFileName("/a/cache.bin", ".err"), "/a/cache.err");
}

TEST_F(SchemaCacheFileTest, MissingFileLoadsNothing) {
  fib::MetadataCaches caches;
  EXPECT_FALSE(fib::LoadSchemaCache(caches, file, false));
  EXPECT_EQ(caches.TableInfo.Count(), 0);
}

TEST_F(SchemaCacheFileTest, OlderTableFileLoadsNothingButCounts) {
  WriteBytes(file, Str("ZOD$MCF") + Le(4) + Le(1) + Str("PEOPLE"));
  fib::MetadataCaches caches;
  EXPECT_TRUE(fib::LoadSchemaCache(caches, file, true));
  EXPECT_EQ(caches.TableInfo.Count(), 0);
  EXPECT_TRUE(fs::exists(file));
}

TEST_F(SchemaCacheFileTest, HeaderWithoutItsLengthIsAccepted) {
  fib::MetadataCaches saved;
  Fill(saved);
  fib::SaveSchemaCache(saved, file);
  WriteBytes(file, "ZOD$MCF" + Bytes(file).substr(11));
  WriteBytes(dt, "ZOD$MCFDS" + Bytes(dt).substr(13));
  fib::MetadataCaches loaded;
  EXPECT_TRUE(fib::LoadSchemaCache(loaded, file, false));
  EXPECT_EQ(loaded.TableInfo.Count(), 1);
  EXPECT_EQ(loaded.DataSetInfo.Count(), 1);
}

TEST_F(SchemaCacheFileTest, ForeignHeadersLoadNothing) {
  WriteBytes(file, Str("OTHER$X") + Le(5) + Le(0));
  WriteBytes(err, Le(2) + Str("ZOD$Error_messages") + Le(0) + Le(0));
  fib::MetadataCaches caches;
  caches.ErrorMessages.Add("db", "C", 1, "t");
  EXPECT_TRUE(fib::LoadSchemaCache(caches, file, false));
  EXPECT_EQ(caches.TableInfo.Count(), 0);
  EXPECT_TRUE(caches.ErrorMessages.Empty());
}

// Every cut of every file, and lengths far beyond the file's end, leave the
// caches empty and the damaged file gone.
TEST_F(SchemaCacheFileTest, DamagedFilesAreDeletedAndLoadNothing) {
  fib::MetadataCaches saved;
  Fill(saved);
  fib::SaveSchemaCache(saved, file);
  const std::string whole[] = {Bytes(file), Bytes(dt), Bytes(err)};
  const std::string names[] = {file, dt, err};

  for (int kind = 0; kind < 3; ++kind) {
    for (size_t cut = 0; cut < whole[kind].size(); ++cut) {
      fib::SaveSchemaCache(fib::MetadataCaches{}, file);
      WriteBytes(names[kind], whole[kind].substr(0, cut));
      fib::MetadataCaches caches;
      bool answered = fib::LoadSchemaCache(caches, file, false);
      EXPECT_EQ(caches.TableInfo.Count() + caches.DataSetInfo.Count(), 0) << kind << ":" << cut;
      EXPECT_TRUE(caches.ErrorMessages.Empty()) << kind << ":" << cut;
      if (kind == 0) {
        EXPECT_FALSE(answered) << cut;
      }
      EXPECT_FALSE(fs::exists(names[kind])) << kind << ":" << cut;
    }
  }

  // A huge string length right after a valid header.
  WriteBytes(file, Str("ZOD$MCF") + Le(5) + Le(1) + Le(0x7FFFFFF0) + "PEOPLE");
  WriteBytes(dt, Str("ZOD$MCFDS") + Le(1) + Le(2000000000) + Str("7"));
  WriteBytes(err, Le(1) + Str("ZOD$Error_messages") + Le(1) + Le(1) + Str("db") + Le(-5));
  fib::MetadataCaches caches;
  EXPECT_FALSE(fib::LoadSchemaCache(caches, file, false));
  EXPECT_EQ(caches.TableInfo.Count() + caches.DataSetInfo.Count(), 0);
  EXPECT_FALSE(fs::exists(file) || fs::exists(dt) || fs::exists(err));
}

}  // namespace
}  // namespace fib_test
