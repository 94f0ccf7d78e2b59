#include <algorithm>

#include "classlib/stream.h"

namespace classlib {

TStringStream::TStringStream(const std::string& data) {
  WriteString(data);
  SetPosition(0);
}

std::string TStringStream::DataString() const {
  return std::string(Bytes().begin(), Bytes().end());
}

std::string TStringStream::ReadString(int count) {
  std::int64_t left = Size() - Position();
  if (count <= 0 || left <= 0) return std::string();
  std::string s(static_cast<size_t>(std::min<std::int64_t>(count, left)), '\0');
  s.resize(Read(s.data(), static_cast<int>(s.size())));
  return s;
}

void TStringStream::WriteString(const std::string& s) {
  WriteBuffer(s.data(), static_cast<int>(s.size()));
}

}  // namespace classlib
