#include "app/script_attribute_guard.h"

#include <QByteArrayView>
#include <QStringConverter>

namespace app {

namespace {

constexpr char kCDataOpening[] = "[CDATA[";
constexpr int kCDataOpeningLength = sizeof(kCDataOpening) - 1;
// What a character beyond ASCII is to the guard: text, never markup.
constexpr char kOtherCharacter = '\x80';

}  // namespace

std::size_t TScriptAttributeGuard::Feed(const char* data, std::size_t size) {
  if (Exceeded()) return 0;
  for (std::size_t i = 0; i < size; ++i) {
    const auto byte = static_cast<unsigned char>(data[i]);
    if (encoding_.unit_size != 0) {
      if (!TakeByte(byte)) return i;
      continue;
    }
    // The reader too waits for four bytes before it decodes any.
    head_[head_size_++] = byte;
    if (head_size_ < 4) continue;
    ChooseEncoding();
    for (const unsigned char head_byte : head_)
      if (!TakeByte(head_byte)) return i;
  }
  return size;
}

// The reader's own choice: a byte-order mark or a first "<" of two or four
// bytes; UTF-8 (or the single-byte code page its declaration names) else.
void TScriptAttributeGuard::ChooseEncoding() {
  const auto found = QStringConverter::encodingForData(
      QByteArrayView(reinterpret_cast<const char*>(head_), 4), u'<');
  encoding_.unit_size = 1;
  if (!found) return;
  switch (*found) {
    case QStringConverter::Utf16LE: encoding_ = {2, false}; break;
    case QStringConverter::Utf16BE: encoding_ = {2, true}; break;
    case QStringConverter::Utf32LE: encoding_ = {4, false}; break;
    case QStringConverter::Utf32BE: encoding_ = {4, true}; break;
    default: break;
  }
}

// Adds a byte to the character being assembled and follows the character
// once it is whole; false when it is refused.
bool TScriptAttributeGuard::TakeByte(unsigned char byte) {
  if (encoding_.big_endian)
    unit_ = (unit_ << 8) | byte;
  else
    unit_ |= static_cast<uint32_t>(byte) << (8 * unit_bytes_);
  if (++unit_bytes_ < encoding_.unit_size) return true;
  const uint32_t code = unit_;
  unit_ = 0;
  unit_bytes_ = 0;
  if (code == '\n') ++line_;
  // Markup is made of ASCII characters only; a Cyrillic letter of UTF-16
  // whose low byte is "<" or a quote is a letter.
  const char c = code < 0x80 ? static_cast<char>(code) : kOtherCharacter;
  if (!Step(c)) return false;
  before_last_ = last_;
  last_ = c;
  return true;
}

bool TScriptAttributeGuard::Refuse(TRefusal refusal) {
  refusal_ = refusal;
  return false;
}

// What follows "<".
void TScriptAttributeGuard::StartMarkup(char c) {
  last_ = before_last_ = 0;
  switch (c) {
    case '/': state_ = TState::kEndTag; break;
    case '?': state_ = TState::kInstruction; break;
    case '!':
      state_ = TState::kBang;
      prefix_ = 0;
      break;
    default:
      state_ = TState::kStartTag;
      attributes_ = 0;
      if (c == '>') state_ = TState::kText;
  }
}

// What follows "<!": a comment, a CDATA section or a declaration.
void TScriptAttributeGuard::OpenBang(char c) {
  if (prefix_ == 0 && c == '-') {
    prefix_ = -1;
    return;
  }
  if (prefix_ == -1) {
    state_ = c == '-' ? TState::kComment : TState::kDeclaration;
    last_ = before_last_ = 0;
    return;
  }
  if (prefix_ >= 0 && c == kCDataOpening[prefix_]) {
    if (++prefix_ == kCDataOpeningLength) {
      state_ = TState::kCData;
      last_ = before_last_ = 0;
    }
    return;
  }
  state_ = TState::kDeclaration;
}

bool TScriptAttributeGuard::Step(char c) {
  switch (state_) {
    case TState::kText:
      if (c == '<') {
        state_ = TState::kTagOpen;
        tag_line_ = line_;
      }
      break;
    case TState::kTagOpen: StartMarkup(c); break;
    case TState::kBang: OpenBang(c); break;
    case TState::kStartTag:
      if (c == '"' || c == '\'') {
        quote_ = c;
        quoted_in_ = TState::kStartTag;
        state_ = TState::kQuoted;
      } else if (c == '=') {
        if (++attributes_ > max_attributes_) return Refuse(TRefusal::kTooManyAttributes);
      } else if (c == '>') {
        state_ = TState::kText;
      }
      break;
    case TState::kQuoted:
      if (c == quote_) state_ = quoted_in_;
      break;
    case TState::kEndTag:
      if (c == '>') state_ = TState::kText;
      break;
    case TState::kComment:
      if (c == '>' && last_ == '-' && before_last_ == '-') state_ = TState::kText;
      break;
    case TState::kCData:
      if (c == '>' && last_ == ']' && before_last_ == ']') state_ = TState::kText;
      break;
    case TState::kInstruction:
      if (c == '>' && last_ == '?') state_ = TState::kText;
      break;
    case TState::kDeclaration:
      // A document type's system and public names may hold any character
      // in quotes; a "[" outside them opens the internal subset, which a
      // script file never needs.
      if (c == '"' || c == '\'') {
        quote_ = c;
        quoted_in_ = TState::kDeclaration;
        state_ = TState::kQuoted;
      } else if (c == '[') {
        return Refuse(TRefusal::kInternalSubset);
      } else if (c == '>') {
        state_ = TState::kText;
      }
      break;
  }
  return true;
}

}  // namespace app
