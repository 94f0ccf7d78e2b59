// A release folder with data files for the binary-column tests, the rows
// they fill and a reader of the blocks the transfer logs.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/run_state.h"

namespace app::testing {

inline constexpr int kTransferRows = 1000;

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
    WriteBytes(folder_ + "Data/" + key + ".lob", bytes);
  }
  // The data files of rows 1 .. kTransferRows except `missing`.
  void WriteDataFiles(int missing) const {
    for (int row = 1; row <= kTransferRows; ++row)
      if (row != missing) WriteDataFile(KeyOf(row), BodyOf(row));
  }

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
