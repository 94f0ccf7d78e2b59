// A release folder with data files for the binary-column tests, the table
// whose rows they fill on either engine, a check of what the rows received
// and a reader of the blocks the transfer logs.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/run_state.h"

namespace app::testing {

inline constexpr int kTransferRows = 1000;
// The row whose write a trigger refuses, and one whose data file a release
// may lack.
inline constexpr int kDamagedRow = 777;
inline constexpr int kMissingRow = 500;

inline std::string KeyOf(int row) {
  char key[16];
  std::snprintf(key, sizeof key, "K%04d", row);
  return key;
}

// Different bytes for every row, zero bytes and bytes above 127 included,
// of lengths from 1 to a few hundred.
inline std::string BodyOf(int row) {
  std::string body = KeyOf(row);
  body += '\0';
  for (int i = 0; i < row % 300; ++i) body += static_cast<char>((row * 7 + i) & 0xFF);
  return body;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size()))
    throw std::runtime_error("cannot write " + path);
}

// The data file of `key` in `folder` (the program's folder, with its
// trailing delimiter).
inline void WriteDataFile(const std::string& folder, const std::string& key,
                          const std::string& bytes) {
  if (!QDir().mkpath(QString::fromStdString(folder + "Data")))
    throw std::runtime_error("cannot create " + folder + "Data");
  WriteBytes(folder + "Data/" + key + ".lob", bytes);
}

// The data files of rows 1 .. kTransferRows except `missing`.
inline void WriteDataFiles(const std::string& folder, int missing) {
  for (int row = 1; row <= kTransferRows; ++row)
    if (row != missing) WriteDataFile(folder, KeyOf(row), BodyOf(row));
}

// DOCS on either engine: kTransferRows rows keyed K0001 ..., row 0 without
// a key, and a trigger that refuses to write kDamagedRow. One statement an
// element, without terminators.
inline std::vector<std::string> FirebirdDocsStatements() {
  const std::string rows = std::to_string(kTransferRows);
  const std::string damaged = std::to_string(kDamagedRow);
  return {"CREATE TABLE DOCS (ID INTEGER NOT NULL PRIMARY KEY, GUID VARCHAR(38), "
          "BODY BLOB SUB_TYPE 0, NOTE VARCHAR(10))",
          "CREATE EXCEPTION E_DAMAGED 'damaged row'",
          "INSERT INTO DOCS VALUES (0, NULL, NULL, NULL)",
          "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + rows +
              ") DO BEGIN INSERT INTO DOCS VALUES (:I, 'K' || LPAD(:I, 4, '0'), NULL, NULL); "
              "I = I + 1; END END",
          "CREATE TRIGGER DAMAGED FOR DOCS BEFORE UPDATE AS BEGIN IF (OLD.ID = " + damaged +
              ") THEN EXCEPTION E_DAMAGED; END"};
}
inline std::vector<std::string> SqliteDocsStatements() {
  const std::string rows = std::to_string(kTransferRows);
  const std::string damaged = std::to_string(kDamagedRow);
  return {"CREATE TABLE DOCS (ID INTEGER PRIMARY KEY, GUID VARCHAR(38), BODY BLOB, NOTE "
          "VARCHAR(10))",
          "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < " + rows +
              ") INSERT INTO DOCS SELECT I, printf('K%04d', I), NULL, NULL FROM N",
          "INSERT INTO DOCS VALUES (0, NULL, NULL, NULL)",
          "CREATE TRIGGER DAMAGED BEFORE UPDATE OF BODY ON DOCS WHEN OLD.ID = " + damaged +
              " BEGIN SELECT RAISE(ABORT, 'damaged row'); END"};
}

// How many rows of 1 .. kTransferRows differ from what the transfer should
// have left: the rows in `unfilled` without a value, every other row with
// exactly its file's bytes. `bodies` holds the filled rows by identifier.
inline int WronglyFilledRows(const std::map<int, std::string>& bodies,
                             const std::set<int>& unfilled) {
  int wrong = 0;
  for (int row = 1; row <= kTransferRows; ++row) {
    const auto found = bodies.find(row);
    if (unfilled.count(row) != 0 ? found != bodies.end()
                                 : found == bodies.end() || found->second != BodyOf(row))
      ++wrong;
  }
  return wrong + static_cast<int>(bodies.count(0));
}

// The program's folder with its Data folder; it becomes ProgramDir for the
// life of the object.
class ReleaseFolder {
 public:
  ReleaseFolder() {
    folder_ = dir_.path().toStdString() + "/release/";
    if (!QDir().mkpath(QString::fromStdString(folder_ + "Data")))
      throw std::runtime_error("cannot create " + folder_);
    ProgramDir = folder_;
  }
  ~ReleaseFolder() { ProgramDir.clear(); }
  ReleaseFolder(const ReleaseFolder&) = delete;
  ReleaseFolder& operator=(const ReleaseFolder&) = delete;

  const std::string& Path() const { return folder_; }
  void WriteDataFile(const std::string& key, const std::string& bytes) const {
    testing::WriteDataFile(folder_, key, bytes);
  }
  void WriteDataFiles(int missing) const { testing::WriteDataFiles(folder_, missing); }

 private:
  QTemporaryDir dir_;
  std::string folder_;
};

inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& each : lines)
    if (each == line) return true;
  return false;
}

// The error text of every block in the details list: the lines between
// "Ошибка:" and the end of the block, joined with CR LF.
inline std::vector<std::string> ErrorTexts(const std::vector<std::string>& details,
                                           const std::string& error_heading) {
  const std::string rule(48, '-');
  std::vector<std::string> texts;
  for (size_t i = 0; i < details.size(); ++i) {
    if (details[i] != error_heading) continue;
    std::string text;
    for (size_t j = i + 1; j < details.size() && details[j] != rule && details[j] != "*/"; ++j)
      text += (j == i + 1 ? "" : "\r\n") + details[j];
    texts.push_back(text);
  }
  return texts;
}

}  // namespace app::testing
