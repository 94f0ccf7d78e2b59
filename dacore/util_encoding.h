// Text to bytes and back for the layers that build and parse client buffers
// and packets. Three encodings share one interface: the default (ANSI text,
// code page 1251, byte for byte; wide text as UTF-16LE), Unicode (UTF-16LE)
// and UTF-8. ANSI is converted through the class library's code page.
#pragma once

#include <string>

#include "classlib/codepage.h"
#include "classlib/object.h"
#include "dacore/util_bytes.h"

namespace dacore {

class Encoding : public classlib::TObject {
  CLASSLIB_CLASS(Encoding, classlib::TObject)
 public:
  // The three encodings; each lives as long as the process.
  static const Encoding& DefaultClass();
  static const Encoding& UnicodeClass();
  static const Encoding& UTF8Class();

  virtual TBytes GetBytesAnsi(const std::string& s) const;
  // Copies charCount characters of s from charIndex into bytes at
  // byteIndex (which must have room); returns the bytes written.
  virtual int GetBytesAnsiRange(const std::string& s, int charIndex, int charCount, TBytes& bytes,
                                int byteIndex) const;
  virtual TBytes GetBytesWide(const classlib::WideString& s) const;
  virtual int GetBytesWideRange(const classlib::WideString& s, int charIndex, int charCount,
                                TBytes& bytes, int byteIndex) const;
  virtual std::string GetString(const TBytes& bytes) const;
  virtual std::string GetStringRange(const TBytes& bytes, int index, int count) const;
  virtual classlib::WideString GetWideString(const TBytes& bytes) const;
  virtual classlib::WideString GetWideStringRange(const TBytes& bytes, int index, int count) const;
};

class UnicodeEncoding : public Encoding {
  CLASSLIB_CLASS(UnicodeEncoding, Encoding)
 public:
  std::string GetString(const TBytes& bytes) const override;
  std::string GetStringRange(const TBytes& bytes, int index, int count) const override;
  classlib::WideString GetWideString(const TBytes& bytes) const override;
  classlib::WideString GetWideStringRange(const TBytes& bytes, int index, int count) const override;
};

class UTF8Encoding : public Encoding {
  CLASSLIB_CLASS(UTF8Encoding, Encoding)
 public:
  TBytes GetBytesAnsi(const std::string& s) const override;
  TBytes GetBytesWide(const classlib::WideString& s) const override;
  std::string GetStringRange(const TBytes& bytes, int index, int count) const override;
  classlib::WideString GetWideString(const TBytes& bytes) const override;
  classlib::WideString GetWideStringRange(const TBytes& bytes, int index, int count) const override;
};

}  // namespace dacore
