#include "app/script_attribute_guard.h"

namespace app {

namespace {

constexpr char kCDataOpening[] = "[CDATA[";
constexpr int kCDataOpeningLength = sizeof(kCDataOpening) - 1;

}  // namespace

std::size_t TScriptAttributeGuard::Feed(const char* data, std::size_t size) {
  if (exceeded_) return 0;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '\0') continue;
    if (c == '\n') ++line_;
    if (!Step(c)) return i;
    before_last_ = last_;
    last_ = c;
  }
  return size;
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
    comment_in_ = TState::kText;
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
  declaration_depth_ = 0;
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
        if (++attributes_ > max_attributes_) {
          exceeded_ = true;
          return false;
        }
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
      if (c == '>' && last_ == '-' && before_last_ == '-') state_ = comment_in_;
      break;
    case TState::kCData:
      if (c == '>' && last_ == ']' && before_last_ == ']') state_ = TState::kText;
      break;
    case TState::kInstruction:
      if (c == '>' && last_ == '?') state_ = TState::kText;
      break;
    case TState::kDeclaration:
      // A document type's internal subset: declarations in brackets, with
      // quoted values and comments of their own.
      if (c == '"' || c == '\'') {
        quote_ = c;
        quoted_in_ = TState::kDeclaration;
        state_ = TState::kQuoted;
      } else if (c == '[') {
        ++declaration_depth_;
      } else if (c == ']') {
        --declaration_depth_;
      } else if (c == '-' && last_ == '-' && before_last_ == '!') {
        state_ = TState::kComment;
        comment_in_ = TState::kDeclaration;
        last_ = before_last_ = 0;
        return true;
      } else if (c == '>' && declaration_depth_ <= 0) {
        state_ = TState::kText;
      }
      break;
  }
  return true;
}

}  // namespace app
