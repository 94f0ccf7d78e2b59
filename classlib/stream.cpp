#include "classlib/stream.h"

#include <algorithm>

#include "classlib/codepage.h"
#include "classlib/exceptions.h"

namespace classlib {

std::int64_t TStream::Size() {
  std::int64_t position = Seek(0, soFromCurrent);
  std::int64_t size = Seek(0, soFromEnd);
  Seek(position, soFromBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count < 0) throw EStreamError("Invalid stream copy count");
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  // A bounded buffer: copies of large blobs must not double their memory.
  constexpr std::int64_t kBufferSize = 0xF000;
  std::vector<char> buffer(static_cast<size_t>(std::min(count, kBufferSize)));
  for (std::int64_t left = count; left > 0;) {
    int n = static_cast<int>(std::min(left, kBufferSize));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

void TStream::InvalidOrigin(int origin) {
  throw EStreamError("Invalid stream seek origin " + std::to_string(origin));
}

std::string NativeFileName(const std::string& file_name) {
  std::string native = Cp1251ToUtf8(file_name);
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

}  // namespace classlib
