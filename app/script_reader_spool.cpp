#include "app/script_reader_spool.h"

#include <QDir>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/qt_text.h"
#include "app/script_file.h"
#include "app/script_reader.h"

namespace app {

namespace {

// A group is a record: its size, then its element and its statements, each
// element its name, its attributes and its text; every string and count is
// preceded by its 32-bit size. The bytes never leave this process.
void AppendSize(std::string& out, std::size_t size) {
  const auto value = static_cast<uint32_t>(size);
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void AppendString(std::string& out, const std::string& text) {
  AppendSize(out, text.size());
  out += text;
}

void AppendElement(std::string& out, const TScriptElement& element) {
  AppendString(out, element.name);
  AppendSize(out, element.attributes.size());
  for (const auto& [name, value] : element.attributes) {
    AppendString(out, name);
    AppendString(out, value);
  }
  AppendString(out, element.text);
}

// Reads a record back; false when it is cut short.
class TRecordReader {
 public:
  TRecordReader(const char* begin, const char* end) : at_(begin), end_(end) {}

  bool Element(TScriptElement& element) {
    uint32_t attributes = 0;
    if (!String(element.name) || !Size(attributes)) return false;
    element.attributes.resize(attributes);
    for (auto& [name, value] : element.attributes)
      if (!String(name) || !String(value)) return false;
    return String(element.text);
  }
  bool Size(uint32_t& size) {
    if (end_ - at_ < static_cast<std::ptrdiff_t>(sizeof size)) return false;
    std::memcpy(&size, at_, sizeof size);
    at_ += sizeof size;
    return true;
  }

 private:
  bool String(std::string& text) {
    uint32_t size = 0;
    if (!Size(size) || end_ - at_ < static_cast<std::ptrdiff_t>(size)) return false;
    text.assign(at_, size);
    at_ += size;
    return true;
  }

  const char* at_;
  const char* end_;
};

// The temporary folder as the user set it: Qt's answer is empty for a
// folder that does not exist, which would put the file in the root folder.
QString TemporaryFolder() {
  const QString folder = QDir::tempPath();
  return folder.isEmpty() ? qEnvironmentVariable("TMPDIR") : folder;
}

}  // namespace

void TScriptGroupSpool::Put(const TScriptGroup& group) {
  const std::size_t start = buffer_.size();
  AppendSize(buffer_, 0);  // the record's size, known at its end
  AppendElement(buffer_, group.element);
  AppendSize(buffer_, group.statements.size());
  for (const TScriptElement& statement : group.statements) AppendElement(buffer_, statement);
  const auto size = static_cast<uint32_t>(buffer_.size() - start - sizeof(uint32_t));
  std::memcpy(buffer_.data() + start, &size, sizeof size);
  if (buffer_.size() >= kMemorySize) Spill();
}

// The file has no name: nothing of it is left behind, however the process ends.
void TScriptGroupSpool::Spill() {
  if (!file_) {
    file_ = std::make_unique<QTemporaryFile>(TemporaryFolder() + "/updater_script.XXXXXX");
    if (!file_->open()) RaiseFileError();
  }
  if (file_->write(buffer_.data(), static_cast<qint64>(buffer_.size())) !=
      static_cast<qint64>(buffer_.size()))
    RaiseFileError();
  buffer_.clear();
}

void TScriptGroupSpool::Rewind() {
  taken_ = 0;
  if (!file_) return;
  if (!buffer_.empty()) Spill();
  if (!file_->flush() || !file_->seek(0)) RaiseFileError();
}

// At least `size` bytes from `taken_` on, read in from the file as needed;
// false when there are fewer left.
bool TScriptGroupSpool::Fill(std::size_t size) {
  while (buffer_.size() - taken_ < size) {
    if (!file_ || file_->atEnd()) return false;
    buffer_.erase(0, taken_);
    taken_ = 0;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + std::max(kMemorySize, size));
    const qint64 read = file_->read(buffer_.data() + had, static_cast<qint64>(buffer_.size() - had));
    if (read < 0) RaiseFileError();
    buffer_.resize(had + static_cast<std::size_t>(read));
    if (read == 0) return false;
  }
  return true;
}

bool TScriptGroupSpool::Take(TScriptGroup& group) {
  if (!Fill(sizeof(uint32_t))) {
    if (buffer_.size() != taken_) RaiseFileError();
    return false;
  }
  uint32_t size = 0;
  std::memcpy(&size, buffer_.data() + taken_, sizeof size);
  if (!Fill(sizeof size + size)) RaiseFileError();
  const char* record = buffer_.data() + taken_ + sizeof size;
  TRecordReader reader(record, record + size);
  uint32_t statements = 0;
  if (!reader.Element(group.element) || !reader.Size(statements)) RaiseFileError();
  group.statements.resize(statements);
  for (TScriptElement& statement : group.statements)
    if (!reader.Element(statement)) RaiseFileError();
  taken_ += sizeof size + size;
  return true;
}

void TScriptGroupSpool::RaiseFileError() const {
  const std::string problem = file_ ? AnsiOf(file_->errorString()) : std::string();
  throw EScriptFileError(script_path_,
                         classlib::Utf8ToCp1251("Не удалось сохранить прочитанный файл скрипта ") +
                             script_path_ + classlib::Utf8ToCp1251(" во временной папке ") +
                             AnsiOf(TemporaryFolder()) + ": " + problem);
}

}  // namespace app
