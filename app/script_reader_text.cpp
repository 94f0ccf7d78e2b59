#include "app/script_reader_text.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "app/script_file.h"
#include "classlib/codepage.h"

namespace app {

namespace {

// The file is read a block at a time; the first block, read before
// anything is decoded, holds the XML declaration of any sensible file
// whole. The reader is handed a small piece at a time: its buffers follow
// the size of its reads, and a long file then needs no more memory than a
// short one.
constexpr qint64 kBlockSize = 8 * 1024;
constexpr qint64 kHeadSize = kBlockSize;
constexpr qint64 kReadSize = 1024;
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

bool IsSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }
// Characters that continue a name: after "<?xml" one makes another
// instruction's target ("<?xml-stylesheet").
bool IsNameCharacter(QChar c) {
  return IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'.' || c == u'-' || c == u'_' || c == u':' ||
         c.unicode() >= 0x80;
}

bool IsVersion(QStringView v) {
  return v.size() > 2 && v.startsWith(u"1.") && std::all_of(v.begin() + 2, v.end(), IsAsciiDigit);
}
bool IsEncodingName(QStringView v) {
  return !v.isEmpty() && IsAsciiLetter(v[0]) && std::all_of(v.begin() + 1, v.end(), [](QChar c) {
           return IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'.' || c == u'_' || c == u'-';
         });
}
bool IsStandalone(QStringView v) { return v == u"yes" || v == u"no"; }

// Reads the pseudo-attributes of a declaration, from just after "<?xml".
class TDeclarationParser {
 public:
  explicit TDeclarationParser(QStringView text) : text_(text) {}

  TXmlDeclaration Parse() {
    TXmlDeclaration found;
    found.kind = TXmlDeclaration::TKind::kMalformed;
    static constexpr const char16_t* kNames[] = {u"version", u"encoding", u"standalone"};
    int next = 0;  // pseudo-attributes come in this order, version first
    for (;;) {
      const bool spaced = SkipSpaces();
      if (text_.mid(at_).startsWith(u"?>")) {
        if (next > 0) found.kind = TXmlDeclaration::TKind::kWellFormed;
        return found;
      }
      if (!spaced) return found;
      const QStringView name = Name();
      int which = next;
      while (which < 3 && name != QStringView(kNames[which])) ++which;
      if (which == 3 || (next == 0 && which != 0)) return found;
      next = which + 1;
      qsizetype value_start = 0;
      const QStringView value = Value(value_start);
      const bool valid = which == 0 ? IsVersion(value)
                         : which == 1 ? IsEncodingName(value)
                                      : IsStandalone(value);
      if (!valid) return found;
      if (which == 1) {
        found.encoding_start = value_start;
        found.encoding_length = value.size();
      }
    }
  }

 private:
  bool SkipSpaces() {
    const qsizetype from = at_;
    while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
    return at_ > from;
  }
  QStringView Name() {
    const qsizetype from = at_;
    while (at_ < text_.size() && IsAsciiLetter(text_[at_])) ++at_;
    return text_.mid(from, at_ - from);
  }
  // `= "value"` with blanks around "=": the value, or an empty one.
  QStringView Value(qsizetype& start) {
    SkipSpaces();
    if (at_ >= text_.size() || text_[at_] != u'=') return {};
    ++at_;
    SkipSpaces();
    if (at_ >= text_.size() || (text_[at_] != u'"' && text_[at_] != u'\'')) return {};
    const QChar quote = text_[at_++];
    start = at_;
    while (at_ < text_.size() && text_[at_] != quote) ++at_;
    if (at_ >= text_.size()) return {};
    return text_.mid(start, at_++ - start);
  }

  QStringView text_;
  qsizetype at_ = 5;  // past "<?xml"
};

bool Is16BitUnicode(QStringConverter::Encoding e) {
  return e == QStringConverter::Utf16LE || e == QStringConverter::Utf16BE;
}
bool Is32BitUnicode(QStringConverter::Encoding e) {
  return e == QStringConverter::Utf32LE || e == QStringConverter::Utf32BE;
}

std::string ProblemAtStart(const std::string& path, const std::string& problem) {
  return Ansi("Ошибка в файле скрипта ") + path + ", " + problem + Ansi(" (строка 1)");
}

}  // namespace

TXmlDeclaration FindXmlDeclaration(QStringView text) {
  if (text.size() < 5 || !text.startsWith(u"<?") ||
      text.mid(2, 3).compare(u"xml", Qt::CaseInsensitive) != 0 ||
      (text.size() > 5 && IsNameCharacter(text[5])))
    return {};
  if (!text.startsWith(u"<?xml")) return {TXmlDeclaration::TKind::kMalformed};
  return TDeclarationParser(text).Parse();
}

TScriptText::TScriptText(QFile& file, const std::string& path) : file_(file) {
  open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  const QByteArray head = file_.read(kHeadSize);
  ChooseDecoder(head, path);
  first_text_ = decoder_(head);
  const TXmlDeclaration declaration = FindXmlDeclaration(first_text_);
  if (declaration.kind == TXmlDeclaration::TKind::kMalformed)
    throw EScriptFileError(path, ProblemAtStart(path, Ansi("неверное объявление XML (<?xml ... ?>) "
                                                           "в начале файла")));
  // The reader gets UTF-8 and must not decode it as anything else.
  if (declaration.encoding_start >= 0)
    first_text_.replace(declaration.encoding_start, declaration.encoding_length,
                        QStringLiteral("UTF-8"));
}

// The encoding the first bytes tell (a byte-order mark, or the first "<" in
// two or four bytes; UTF-8 else), unless the declaration names another.
// "UTF-16" and "UTF-32" name no byte order: the first bytes keep theirs.
// The whole file is then decoded in that one encoding from its first byte.
void TScriptText::ChooseDecoder(const QByteArray& head, const std::string& path) {
  const QByteArrayView first_bytes = QByteArrayView(head).first(std::min<qsizetype>(head.size(), 4));
  const QStringConverter::Encoding detected =
      QStringConverter::encodingForData(first_bytes, u'<').value_or(QStringConverter::Utf8);
  QStringDecoder probe(detected);
  const QString text = probe(head);
  const TXmlDeclaration declaration = FindXmlDeclaration(text);
  if (declaration.encoding_start < 0) {
    decoder_ = QStringDecoder(detected);
    return;
  }
  const QByteArray name =
      text.mid(declaration.encoding_start, declaration.encoding_length).toLatin1();
  const std::optional<QStringConverter::Encoding> declared =
      QStringConverter::encodingForName(name.constData());
  if ((declared == QStringConverter::Utf16 && Is16BitUnicode(detected)) ||
      (declared == QStringConverter::Utf32 && Is32BitUnicode(detected))) {
    decoder_ = QStringDecoder(detected);
    return;
  }
  decoder_ = QStringDecoder(name.constData());
  if (!decoder_.isValid())
    throw EScriptFileError(path, ProblemAtStart(path, Ansi("кодировка \"") + name.toStdString() +
                                                          Ansi("\" не поддерживается")));
}

bool TScriptText::atEnd() const { return ended_ && pending_at_ >= pending_.size(); }

qint64 TScriptText::bytesAvailable() const {
  return pending_.size() - pending_at_ + QIODevice::bytesAvailable();
}

qint64 TScriptText::readData(char* data, qint64 max_size) {
  while (pending_at_ >= pending_.size())
    if (!NextPiece()) return 0;
  const qint64 size = std::min({max_size, kReadSize, qint64{pending_.size() - pending_at_}});
  std::memcpy(data, pending_.constData() + pending_at_, static_cast<size_t>(size));
  pending_at_ += size;
  return size;
}

// Decodes the next block; false at the end of the file and once the guard
// has refused the text (the reader gets the characters before the refused
// one and then the end).
bool TScriptText::NextPiece() {
  if (ended_) return false;
  QString text;
  pending_.clear();
  pending_at_ = 0;
  if (!started_) {
    started_ = true;
    text = std::move(first_text_);
    pending_ = kUtf8Bom;  // the reader then takes the text for UTF-8 whatever it holds
  } else {
    const QByteArray block = file_.read(kBlockSize);
    if (block.isEmpty()) {
      ended_ = true;
      return false;
    }
    text = decoder_(block);
  }
  const std::size_t taken = guard_.Feed(reinterpret_cast<const char16_t*>(text.utf16()),
                                        static_cast<std::size_t>(text.size()));
  if (guard_.Exceeded()) {
    ended_ = true;
    text.truncate(static_cast<qsizetype>(taken));
  }
  pending_ += encoder_(text);
  return true;
}

}  // namespace app
