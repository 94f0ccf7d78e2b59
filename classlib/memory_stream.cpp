#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

#include "classlib/exceptions.h"
#include "classlib/stream.h"

namespace classlib {

int TMemoryStream::Read(void* buffer, int count) {
  std::int64_t size = Size();
  if (count <= 0 || position_ < 0 || position_ >= size) return 0;
  int n = static_cast<int>(std::min<std::int64_t>(count, size - position_));
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

int TMemoryStream::Write(const void* buffer, int count) {
  if (count <= 0 || position_ < 0) return 0;
  std::int64_t end = position_ + count;
  if (end > Size()) SetSize(end);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ = end;
  return count;
}

// No clamping: the position may stand past the end (reads there return 0,
// a write there fills the gap with zeros).
std::int64_t TMemoryStream::Seek(std::int64_t offset, int origin) {
  switch (origin) {
    case soFromBeginning: position_ = offset; break;
    case soFromCurrent: position_ += offset; break;
    case soFromEnd: position_ = Size() + offset; break;
    default: InvalidOrigin(origin);
  }
  return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0) throw EStreamError("Invalid stream size " + std::to_string(size));
  try {
    data_.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    throw EStreamError("Out of memory while expanding memory stream");
  } catch (const std::length_error&) {
    throw EStreamError("Out of memory while expanding memory stream");
  }
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  std::int64_t count = source.Size();
  SetSize(count);
  for (std::int64_t done = 0; done < count;) {
    int n = static_cast<int>(std::min<std::int64_t>(count - done, INT_MAX));
    source.ReadBuffer(data_.data() + done, n);
    done += n;
  }
}

void TMemoryStream::LoadFromFile(const std::string& file_name) {
  TFileStream file(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& target) const {
  std::int64_t count = static_cast<std::int64_t>(data_.size());
  for (std::int64_t done = 0; done < count;) {
    int n = static_cast<int>(std::min<std::int64_t>(count - done, INT_MAX));
    target.WriteBuffer(data_.data() + done, n);
    done += n;
  }
}

void TMemoryStream::SaveToFile(const std::string& file_name) const {
  TFileStream file(file_name, fmCreate);
  SaveToStream(file);
}

}  // namespace classlib
