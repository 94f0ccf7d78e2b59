// Byte streams: TStream, the abstract base every stream of the libraries
// derives from (blob streams among them), and three concrete streams: over
// memory, over a file and over a string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/object.h"

namespace classlib {

// Seek origins.
enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream : public TObject {
  CLASSLIB_CLASS(TStream, TObject)
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Transfer up to `count` bytes at the position and advance it; the result
  // is the number of bytes moved (0 at the end, and for count <= 0).
  virtual int Read(void* buffer, int count) = 0;
  virtual int Write(const void* buffer, int count) = 0;
  // Moves the position relative to `origin` and returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;

  std::int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, soFromBeginning); }
  virtual std::int64_t Size();
  // Streams that cannot change size ignore this.
  virtual void SetSize(std::int64_t /*size*/) {}

  // Like Read and Write, but a short transfer raises EReadError
  // "Stream read error" or EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int count);
  void WriteBuffer(const void* buffer, int count);

  // Copies `count` bytes from the source's position; count 0 copies the
  // whole source from its start. Returns the number of bytes copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);

 protected:
  // Raises EStreamError for an origin that is none of the three.
  [[noreturn]] static void InvalidOrigin(int origin);
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
  CLASSLIB_CLASS(TMemoryStream, TStream)
 public:
  TMemoryStream() = default;

  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  std::int64_t Seek(std::int64_t offset, int origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  // New bytes are zero; a position past the new end moves back to it.
  void SetSize(std::int64_t size) override;

  // The bytes; valid until the next call that changes the size.
  char* Memory() { return data_.data(); }
  const char* Memory() const { return data_.data(); }
  void Clear();

  // The whole source, from its start, replaces the contents.
  void LoadFromStream(TStream& source);
  void LoadFromFile(const std::string& file_name);
  // Writes the whole contents, whatever the position.
  void SaveToStream(TStream& target) const;
  void SaveToFile(const std::string& file_name) const;

 protected:
  const std::vector<char>& Bytes() const { return data_; }

 private:
  std::vector<char> data_;
  std::int64_t position_ = 0;
};

// Open modes: one access mode, optionally or'ed with one share mode. The
// share modes are accepted for compatibility; POSIX files are not locked by
// them, so they are advisory only.
enum : std::uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  // Creates the file, or empties an existing one, for reading and writing.
  fmCreate = 0xFFFF,
};

// A stream over an open file. The name is ANSI text (code page 1251) and may
// use "\" as the folder separator; it is converted to a native path when the
// file is opened. Failures raise EFCreateError "Cannot create file "<name>".
// <reason>" or EFOpenError "Cannot open file "<name>". <reason>".
class TFileStream : public TStream {
  CLASSLIB_CLASS(TFileStream, TStream)
 public:
  TFileStream(const std::string& file_name, std::uint16_t mode);
  ~TFileStream() override;

  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  std::int64_t Seek(std::int64_t offset, int origin) override;
  // Truncates or extends the file; the position moves to the new end. A
  // failure raises EOSError.
  void SetSize(std::int64_t size) override;

  const std::string& FileName() const { return file_name_; }
  int Handle() const { return fd_; }

 private:
  std::string file_name_;
  int fd_ = -1;
};

// A memory stream whose contents are read and written as a string.
class TStringStream : public TMemoryStream {
  CLASSLIB_CLASS(TStringStream, TMemoryStream)
 public:
  // The stream starts with `data`, positioned at its start.
  explicit TStringStream(const std::string& data = std::string());

  std::string DataString() const;
  // Reads up to `count` bytes from the position.
  std::string ReadString(int count);
  void WriteString(const std::string& s);
};

// The native file-system path of an ANSI file name: code page 1251 becomes
// UTF-8 and "\" becomes "/".
std::string NativeFileName(const std::string& file_name);

}  // namespace classlib
