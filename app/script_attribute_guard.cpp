#include "app/script_attribute_guard.h"

namespace app {

namespace {

constexpr char kCDataOpening[] = "[CDATA[";
constexpr int kCDataOpeningLength = sizeof(kCDataOpening) - 1;
// What a character beyond ASCII is to the guard: text, never markup.
constexpr char kOtherCharacter = '\x80';

// Markup is made of ASCII characters only: any other unit (a letter, a half
// of a surrogate pair) is text.
char MarkupOf(char16_t unit) { return unit < 0x80 ? static_cast<char>(unit) : kOtherCharacter; }

bool IsStartTagMarkup(char16_t unit) {
  return unit == u'"' || unit == u'\'' || unit == u'=' || unit == u'>';
}

}  // namespace

std::size_t TScriptAttributeGuard::Feed(const char16_t* text, std::size_t size) {
  if (Exceeded()) return 0;
  std::size_t i = 0;
  while (i < size) {
    // Most of a script is text, quoted values and comments, where only one
    // character can change anything: runs of others pass in a tight loop.
    const std::size_t from = i;
    const char16_t stop = StopCharacter();
    if (stop != 0) {
      for (; i < size && text[i] != stop; ++i) line_ += text[i] == u'\n';
    } else if (state_ == TState::kStartTag) {  // names and blanks between attributes
      for (; i < size && !IsStartTagMarkup(text[i]); ++i) line_ += text[i] == u'\n';
    }
    if (i > from) {
      before_last_ = i - from >= 2 ? MarkupOf(text[i - 2]) : last_;
      last_ = MarkupOf(text[i - 1]);
      continue;
    }
    const char16_t unit = text[i];
    if (unit == u'\n') ++line_;
    const char c = MarkupOf(unit);
    if (!Step(c)) return i;
    before_last_ = last_;
    last_ = c;
    ++i;
  }
  return size;
}

// The one character that can end the current state, 0 where any can.
char16_t TScriptAttributeGuard::StopCharacter() const {
  switch (state_) {
    case TState::kText: return u'<';
    case TState::kQuoted: return static_cast<char16_t>(quote_);
    case TState::kEndTag:
    case TState::kComment:
    case TState::kCData:
    case TState::kInstruction: return u'>';
    default: return 0;
  }
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
