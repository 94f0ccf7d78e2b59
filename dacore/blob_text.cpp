// A blob's content as text: ansi or UTF-16 by IsUnicode, and the line-end
// rewrites between LF and CR LF.
#include <cstring>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/blob.h"
#include "dacore/util_encoding.h"

namespace dacore {

namespace {

TBytes ReadAll(TBlob& blob) {
  TBytes bytes(blob.GetSize());
  if (!bytes.empty()) bytes.resize(blob.Read(0, static_cast<uint32_t>(bytes.size()), bytes.data()));
  return bytes;
}

const Encoding& TextEncoding(const TBlob& blob) {
  return blob.IsUnicode() ? Encoding::UnicodeClass() : Encoding::DefaultClass();
}

// Rewrites a run of characters of type Char, LF -> CR LF where no CR
// precedes, or CR LF -> LF.
template <class Char>
std::vector<Char> RewriteLineEnds(const TBytes& bytes, bool add_cr) {
  const size_t n = bytes.size() / sizeof(Char);
  std::vector<Char> in(n), out;
  if (n) std::memcpy(in.data(), bytes.data(), n * sizeof(Char));
  out.reserve(add_cr ? n + n / 8 : n);
  for (size_t i = 0; i < n; ++i) {
    const Char c = in[i];
    if (add_cr && c == Char('\n') && (i == 0 || in[i - 1] != Char('\r'))) out.push_back(Char('\r'));
    if (!add_cr && c == Char('\r') && i + 1 < n && in[i + 1] == Char('\n')) continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::string TBlob::GetAsString() {
  CheckValid();
  const TBytes bytes = ReadAll(*this);
  if (is_unicode_) CLASSLIB_ASSERT(bytes.size() % 2 == 0);
  return TextEncoding(*this).GetString(bytes);
}

classlib::WideString TBlob::GetAsWideString() {
  CheckValid();
  const TBytes bytes = ReadAll(*this);
  if (is_unicode_) CLASSLIB_ASSERT(bytes.size() % 2 == 0);
  return TextEncoding(*this).GetWideString(bytes);
}

void TBlob::SetAsString(const std::string& value) {
  Clear();
  const TBytes bytes = is_unicode_ ? Encoding::UnicodeClass().GetBytesWide(classlib::AnsiToWide(value))
                                   : TBytes(value.begin(), value.end());
  if (!bytes.empty()) Write(0, static_cast<uint32_t>(bytes.size()), bytes.data());
}

void TBlob::SetAsWideString(const classlib::WideString& value) {
  Clear();
  const std::string ansi = is_unicode_ ? std::string() : classlib::WideToAnsi(value);
  const TBytes bytes = is_unicode_ ? Encoding::UnicodeClass().GetBytesWide(value) : TBytes(ansi.begin(), ansi.end());
  if (!bytes.empty()) Write(0, static_cast<uint32_t>(bytes.size()), bytes.data());
}

void TBlob::AddCR() { RewriteText(true); }
void TBlob::RemoveCR() { RewriteText(false); }

void TBlob::RewriteText(bool add_cr) {
  CheckValid();
  const TBytes bytes = ReadAll(*this);
  TBytes text;
  if (is_unicode_) {
    const auto chars = RewriteLineEnds<char16_t>(bytes, add_cr);
    text.resize(chars.size() * 2);
    if (!chars.empty()) std::memcpy(text.data(), chars.data(), text.size());
  } else {
    const auto chars = RewriteLineEnds<char>(bytes, add_cr);
    text.assign(chars.begin(), chars.end());
  }
  Clear();
  if (!text.empty()) Write(0, static_cast<uint32_t>(text.size()), text.data());
}

}  // namespace dacore
