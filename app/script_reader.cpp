#include "app/script_reader.h"

#include "app/qt_text.h"
#include "app/script_attribute_guard.h"
#include "app/script_file.h"
#include "app/script_reader_spool.h"
#include "app/script_reader_text.h"
#include "classlib/codepage.h"
#include "classlib/stream.h"

namespace app {

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

// The reader's text in ANSI. Names, flags and most statements are ASCII,
// which is the same in ANSI and needs no conversion.
std::string AnsiOfView(QStringView text) {
  std::string ascii(static_cast<std::size_t>(text.size()), '\0');
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    if (unit >= 0x80) return AnsiOf(text.toString());
    ascii[static_cast<std::size_t>(i)] = static_cast<char>(unit);
  }
  return ascii;
}

void ReadAttributes(const QXmlStreamReader& reader, TScriptElement& element) {
  element.name = AnsiOfView(reader.qualifiedName());
  element.attributes.clear();
  for (const QXmlStreamAttribute& attribute : reader.attributes())
    element.attributes.emplace_back(AnsiOfView(attribute.qualifiedName()),
                                    AnsiOfView(attribute.value()));
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
  return AnsiOfView(text);
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

// Names are taken as written: a prefix is part of the name and needs no
// declaration.
TScriptReader::TScriptReader(const std::string& path)
    : path_(path), file_(QString::fromStdString(classlib::NativeFileName(path))) {
  if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    throw EScriptFileError(path, Text("Не удалось открыть файл скрипта ") + path);
  text_ = std::make_unique<TScriptText>(file_, path);
  reader_ = std::make_unique<QXmlStreamReader>(text_.get());
  reader_->setNamespaceProcessing(false);
  groups_ = std::make_unique<TScriptGroupSpool>(path);
  CheckAndCount();
  groups_->Rewind();
}

TScriptReader::~TScriptReader() = default;

// The whole file is checked before anything runs, so a file broken near
// its end fails before its first statement does anything; its groups are
// kept from this one reading.
void TScriptReader::CheckAndCount() {
  TScriptGroup group;
  int depth = 0;
  bool scripts = false;
  while (NextElementToken(*reader_)) {
    if (reader_->isEndElement()) {
      --depth;
      continue;
    }
    if (depth == 0) scripts = reader_->qualifiedName() == QLatin1String("SCRIPTS");
    if (depth == 1) {  // a group, read whole, its end element included
      ++group_count_;
      ReadGroup(group);
      if (reader_->hasError()) break;
      groups_->Put(group);
      continue;
    }
    ++depth;
  }
  if (text_->Guard().Exceeded() || reader_->hasError()) RaiseParseError();
  if (!scripts)
    throw EScriptFileError(path_, Text("В файле скрипта нет элемента SCRIPTS: ") + path_);
}

void TScriptReader::RaiseParseError() const {
  using TRefusal = TScriptAttributeGuard::TRefusal;
  const TScriptAttributeGuard& guard = text_->Guard();
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

// The reader stands on a group's start element; it is left past the
// group's end element.
void TScriptReader::ReadGroup(TScriptGroup& group) {
  ReadAttributes(*reader_, group.element);
  std::size_t statements = 0;
  while (NextElementToken(*reader_) && reader_->isStartElement()) {
    if (statements == group.statements.size()) group.statements.emplace_back();
    TScriptElement& statement = group.statements[statements++];
    ReadAttributes(*reader_, statement);
    statement.text = ReadStatementText(*reader_);
  }
  group.statements.resize(statements);
}

bool TScriptReader::NextGroup(TScriptGroup& group) { return groups_->Take(group); }

}  // namespace app
