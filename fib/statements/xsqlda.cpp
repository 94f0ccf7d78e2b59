#include "fib/statements/xsqlda.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/statements/xsqlda_owner.h"

namespace fib {

namespace {

constexpr int kMaxNameLength = 31;

// Upper-cases ASCII letters only, as the server folds unquoted names.
std::string UpperAscii(std::string_view name) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

bool IsQuoted(std::string_view name) {
  return name.size() >= 2 && name.front() == '"' && name.back() == '"';
}

}  // namespace

TFIBXSQLDA::TFIBXSQLDA(TXSQLOwner* owner, bool holds_params)
    : owner_(owner), holds_params_(holds_params) {
  Resize(0);
}

TFIBXSQLDA::~TFIBXSQLDA() = default;

bool TFIBXSQLDA::AskRowState() const {
  bool no_row = !holds_params_ && owner_ != nullptr && owner_->RecordCount() == 0 &&
                !owner_->IsExecProcedure();
  row_state_ = no_row ? TRowState::kNoRow : TRowState::kRow;
  return !no_row;
}

void TFIBXSQLDA::Resize(int count) {
  CLASSLIB_ASSERT(count >= 0 && count <= 0x7FFF);
  names_.clear();
  RowStateChanged();
  for (auto& var : vars_) var->ReleaseBuffers();
  // The client needs an area even for no items: one item at least.
  int wanted = std::max(count, 1);
  if (wanted > capacity_) {
    size_t length = XSQLDALength(wanted);
    auto grown = std::make_unique<unsigned char[]>(length);
    std::memset(grown.get(), 0, length);
    if (block_) std::memcpy(grown.get(), block_.get(), XSQLDALength(capacity_));
    block_ = std::move(grown);
    capacity_ = wanted;
    block()->version = SQLDA_VERSION1;
    while (static_cast<int>(vars_.size()) < capacity_)
      vars_.push_back(std::make_unique<TFIBXSQLVAR>(this, static_cast<int>(vars_.size())));
    for (int i = 0; i < capacity_; ++i) vars_[i]->Bind(&block()->sqlvar[i]);
  }
  count_ = count;
  NamingChanged();
  block()->sqln = static_cast<short>(wanted);
  block()->sqld = static_cast<short>(count);
}

void TFIBXSQLDA::Executed() {
  if (may_hold_streams_) [[unlikely]] {
    for (int i = 0; i < count_; ++i) vars_[i]->ReleaseStream();
    may_hold_streams_ = false;
  }
  for (int i = 0; i < count_; ++i) vars_[i]->modified_ = false;
}

void TFIBXSQLDA::IndexOutOfRange() { RaiseClientError(23); }

void TFIBXSQLDA::AddName(const std::string& name, int index) {
  names_.emplace(name, index);
  NamingChanged();
}

void TFIBXSQLDA::NamingChanged() { ++naming_; }

std::vector<TFIBXSQLVAR*> TFIBXSQLDA::ItemsNamed(const std::string& name) const {
  std::vector<TFIBXSQLVAR*> items;
  auto [first, last] = names_.equal_range(name);
  for (auto it = first; it != last; ++it)
    if (it->second < count_) items.push_back(vars_[it->second].get());
  return items;
}

TFIBXSQLVAR* TFIBXSQLDA::ByName(std::string_view name) const {
  auto exact = names_.find(std::string(name));
  if (exact != names_.end() && exact->second < count_) return vars_[exact->second].get();
  std::string key;
  if (IsQuoted(name)) {
    key = std::string(name.substr(1, name.size() - 2));
  } else {
    // Dialect 1 folds every identifier; dialect 3 keeps case unless the
    // database asks old names to be folded as well.
    bool fold = owner_ == nullptr || !owner_->HasDatabase() || owner_->SQLDialect() < 3 ||
                owner_->UpperOldNames();
    if (!fold) return nullptr;
    key = UpperAscii(name);
  }
  auto found = names_.find(key);
  if (found == names_.end() || found->second >= count_) return nullptr;
  return vars_[found->second].get();
}

void TFIBXSQLDA::SetItemName(int index, std::string_view name, bool quoted) {
  TFIBXSQLVAR& var = Vars(index);
  for (auto it = names_.begin(); it != names_.end(); ++it)
    if (it->second == index) {
      names_.erase(it);
      break;
    }
  std::string stored = quoted ? std::string(name) : UpperAscii(name);
  var.SetName(stored);
  AddName(stored, index);
}

// Result columns are found by their select-list alias; duplicates and
// unnamed expressions get names of their own so every column can be asked
// for by name.
void TFIBXSQLDA::NameFromAliases() {
  std::set<std::string> used;
  for (int i = 0; i < count_; ++i) {
    XSQLVAR& raw = block()->sqlvar[i];
    std::string alias(raw.aliasname, std::clamp<int>(raw.aliasname_length, 0, kMaxNameLength));
    std::string name = alias.empty() ? "F_" + std::to_string(i + 1) : alias;
    for (int n = 1; used.count(name) != 0; ++n) {
      std::string suffix = std::to_string(n);
      name = alias.substr(0, kMaxNameLength - suffix.size()) + suffix;
    }
    used.insert(name);
    std::memset(raw.aliasname, 0, sizeof raw.aliasname);
    std::memcpy(raw.aliasname, name.data(), name.size());
    raw.aliasname_length = static_cast<short>(name.size());
    vars_[i]->SetName(name);
    AddName(name, i);
  }
}

void TFIBXSQLDA::Initialize() {
  CLASSLIB_ASSERT(block()->sqld <= capacity_);
  count_ = block()->sqld;
  NamingChanged();
  if (names_.empty()) NameFromAliases();
  for (int i = 0; i < count_; ++i) {
    TFIBXSQLVAR& var = *vars_[i];
    if (var.SQLType() == 0 && !holds_params_) RaiseClientError(30, {0});
    var.InitializeDescribed(var.Modified());
  }
}

}  // namespace fib
