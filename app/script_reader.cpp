#include "app/script_reader.h"

#include <algorithm>

#include "app/qt_text.h"
#include "app/script_attribute_guard.h"
#include "app/script_file.h"
#include "classlib/codepage.h"
#include "classlib/stream.h"

namespace app {

// A file read at most kPiece bytes at a time. The XML reader sizes its
// buffers to what one read of its device gives: read whole blocks of a long
// file, it holds several times the block size, which a short file never
// costs. The pieces pass the attribute guard first: the reader never gets the rest
// of an element with too many attributes, so refusing it costs no more than
// reading an element at the bound.
class TFilePieces : public QIODevice {
 public:
  explicit TFilePieces(QFile& file) : file_(file) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
  bool atEnd() const override { return guard_.Exceeded() || file_.atEnd(); }
  const TScriptAttributeGuard& Guard() const { return guard_; }
  // Back to the file's start, guard and all.
  void Rewind() {
    file_.seek(0);
    guard_ = TScriptAttributeGuard();
  }

 protected:
  qint64 readData(char* data, qint64 max_size) override {
    if (guard_.Exceeded()) return 0;
    const qint64 read = file_.read(data, std::min(max_size, kPiece));
    if (read <= 0) return read;
    return static_cast<qint64>(guard_.Feed(data, static_cast<std::size_t>(read)));
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  static constexpr qint64 kPiece = 256;
  QFile& file_;
  TScriptAttributeGuard guard_;
};

namespace {

std::string Text(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

// Reads on to the next start or end element at this level; false at the
// end of the document or on an error.
bool NextElementToken(QXmlStreamReader& reader) {
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement() || reader.isEndElement()) return true;
  }
  return false;
}

void ReadAttributes(const QXmlStreamReader& reader, TScriptElement& element) {
  element.name = AnsiOf(reader.qualifiedName().toString());
  element.attributes.clear();
  for (const QXmlStreamAttribute& attribute : reader.attributes())
    element.attributes.emplace_back(AnsiOf(attribute.qualifiedName().toString()),
                                    AnsiOf(attribute.value().toString()));
}

// Blank text between elements is no node of the document; a CDATA section
// always is.
bool IsTextNode(const QXmlStreamReader& reader) {
  return reader.isCharacters() && (reader.isCDATA() || !reader.isWhitespace());
}

// The value of the statement's first child node, then on to the
// statement's end. The reader stands on the statement's start element.
std::string ReadStatementText(QXmlStreamReader& reader) {
  enum { kNoNodeYet, kInPlainText, kDecided } state = kNoNodeYet;
  QString text;
  int depth = 0;  // of elements below the statement
  while (!reader.atEnd()) {
    reader.readNext();
    // Plain text the reader hands out in pieces is still one node.
    if (state == kInPlainText && (!reader.isCharacters() || reader.isCDATA())) state = kDecided;
    if (reader.isEndElement()) {
      if (depth-- == 0) break;
      continue;
    }
    if (reader.isStartElement()) {
      ++depth;
      if (state == kNoNodeYet) state = kDecided;
      continue;
    }
    if (depth > 0 || state == kDecided) continue;
    if (state == kInPlainText) {
      text += reader.text();
    } else if (IsTextNode(reader)) {
      text = reader.text().toString();
      state = reader.isCDATA() ? kDecided : kInPlainText;
    } else if (reader.isComment()) {
      text = reader.text().toString();
      state = kDecided;
    } else if (reader.isProcessingInstruction()) {
      text = reader.processingInstructionData().toString();
      state = kDecided;
    } else if (reader.isEntityReference()) {
      state = kDecided;  // a node without a value
    }
  }
  return AnsiOf(text);
}

}  // namespace

bool TScriptElement::HasAttribute(std::string_view attribute) const {
  for (const auto& [name, value] : attributes)
    if (name == attribute) return true;
  return false;
}

std::string TScriptElement::Attribute(std::string_view attribute) const {
  for (const auto& [name, value] : attributes)
    if (name == attribute) return value;
  return std::string();
}

TScriptReader::TScriptReader(const std::string& path)
    : path_(path), file_(QString::fromStdString(classlib::NativeFileName(path))) {
  if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    throw EScriptFileError(path, Text("Не удалось открыть файл скрипта ") + path);
  auto pieces = std::make_unique<TFilePieces>(file_);
  pieces_ = pieces.get();
  device_ = std::move(pieces);
  keep_groups_ = file_.size() <= kReadOnceSize;
  CheckAndCount();
  if (!keep_groups_) Restart();
}

TScriptReader::~TScriptReader() = default;

// The whole file is checked before anything runs, so a file broken near
// its end fails before its first statement does anything.
void TScriptReader::CheckAndCount() {
  NewReader();
  int depth = 0;
  bool scripts = false;
  while (NextElementToken(*reader_)) {
    if (reader_->isEndElement()) {
      --depth;
      continue;
    }
    if (depth == 0) scripts = reader_->qualifiedName() == QLatin1String("SCRIPTS");
    if (depth == 1) {
      ++group_count_;
      if (keep_groups_) {  // read whole, its end element included
        ReadGroup(kept_groups_.emplace_back());
        continue;
      }
    }
    ++depth;
  }
  if (pieces_->Guard().Exceeded() || reader_->hasError()) RaiseParseError();
  if (!scripts)
    throw EScriptFileError(path_, Text("В файле скрипта нет элемента SCRIPTS: ") + path_);
}

void TScriptReader::RaiseParseError() const {
  using TRefusal = TScriptAttributeGuard::TRefusal;
  const TScriptAttributeGuard& guard = pieces_->Guard();
  std::string problem;
  switch (guard.Refusal()) {
    case TRefusal::kTooManyAttributes:
      problem =
          Text("у элемента больше ") + std::to_string(kMaxScriptAttributes) + Text(" атрибутов");
      break;
    case TRefusal::kInternalSubset:
      problem = Text("объявление типа документа с внутренним подмножеством (<!DOCTYPE ... [...]>) "
                     "в файле скрипта не допускается");
      break;
    case TRefusal::kNone: problem = AnsiOf(reader_->errorString()); break;
  }
  const auto line = guard.Exceeded() ? guard.Line() : reader_->lineNumber();
  throw EScriptFileError(path_, Text("Ошибка в файле скрипта ") + path_ + ", " + problem +
                                    Text(" (строка ") + std::to_string(line) + ")");
}

// Names are taken as written: a prefix is part of the name and needs no
// declaration.
void TScriptReader::NewReader() {
  reader_ = std::make_unique<QXmlStreamReader>(device_.get());
  reader_->setNamespaceProcessing(false);
}

// Back to the start, standing inside SCRIPTS.
void TScriptReader::Restart() {
  pieces_->Rewind();
  NewReader();
  NextElementToken(*reader_);
}

// The reader stands on a group's start element; it is left past the
// group's end element.
void TScriptReader::ReadGroup(TScriptGroup& group) {
  ReadAttributes(*reader_, group.element);
  group.statements.clear();
  while (NextElementToken(*reader_) && reader_->isStartElement()) {
    TScriptElement& statement = group.statements.emplace_back();
    ReadAttributes(*reader_, statement);
    statement.text = ReadStatementText(*reader_);
  }
}

bool TScriptReader::NextGroup(TScriptGroup& group) {
  if (keep_groups_) {
    if (next_kept_ >= kept_groups_.size()) return false;
    group = std::move(kept_groups_[next_kept_]);
    kept_groups_[next_kept_++] = TScriptGroup();
    return true;
  }
  if (!NextElementToken(*reader_) || reader_->isEndElement()) return false;
  ReadGroup(group);
  if (reader_->hasError()) RaiseParseError();
  return true;
}

}  // namespace app
