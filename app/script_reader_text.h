// A script file's text as the XML reader reads it. The file is decoded once,
// here, in the encoding its first bytes and its XML declaration name, and
// the characters pass the attribute guard on their way to the reader, which
// gets them as UTF-8 (a byte-order mark first, and a declaration that says
// UTF-8). The reader never decodes the file itself, so the characters the
// guard follows are the very ones the reader parses, whatever the file
// declares: UTF-7, EBCDIC, double-byte and stateful code pages included.
#pragma once

#include <QFile>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>
#include <string>

#include "app/script_attribute_guard.h"

namespace app {

// Where the XML declaration at the start of a text names its encoding.
struct TXmlDeclaration {
  enum class TKind { kNone, kMalformed, kWellFormed };
  TKind kind = TKind::kNone;
  qsizetype encoding_start = -1;  // of the encoding's name; -1 when none is named
  qsizetype encoding_length = 0;
};

// The declaration `text` starts with. A processing instruction at the start
// named "xml" in any letter case is one; it is well-formed only as the XML
// grammar writes it (version, then encoding and standalone, each optional,
// in that order, in plain quoted values), so that the reader finds no
// encoding in it that this does not.
TXmlDeclaration FindXmlDeclaration(QStringView text);

class TScriptText : public QIODevice {
 public:
  // Reads the head of `file` (open for reading) and chooses the decoding.
  // Raises EScriptFileError naming `path` for an encoding that cannot be
  // decoded and for a malformed XML declaration.
  TScriptText(QFile& file, const std::string& path);

  // What the guard made of the characters handed out so far.
  const TScriptAttributeGuard& Guard() const { return guard_; }

  bool isSequential() const override { return true; }
  bool atEnd() const override;
  qint64 bytesAvailable() const override;

 protected:
  qint64 readData(char* data, qint64 max_size) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  void ChooseDecoder(const QByteArray& head, const std::string& path);
  bool NextPiece();

  QFile& file_;
  QStringDecoder decoder_;
  QStringEncoder encoder_{QStringConverter::Utf8};
  TScriptAttributeGuard guard_;
  QString first_text_;  // the decoded head, its declaration saying UTF-8
  bool started_ = false;
  bool ended_ = false;
  QByteArray pending_;  // UTF-8 not yet handed out
  qsizetype pending_at_ = 0;
};

}  // namespace app
