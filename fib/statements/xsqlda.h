// TFIBXSQLDA: the descriptor area of a statement's parameters or result
// columns, with its items and the names they are found by.
#pragma once

#include <ibase.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/object.h"
#include "fib/statements/xsqlvar.h"

namespace fib {

class TXSQLOwner;

class TFIBXSQLDA : public classlib::TObject {
  CLASSLIB_CLASS(TFIBXSQLDA, classlib::TObject)
 public:
  // owner may be nullptr (a vector outside any statement).
  TFIBXSQLDA(TXSQLOwner* owner, bool holds_params);
  ~TFIBXSQLDA() override;
  TFIBXSQLDA(const TFIBXSQLDA&) = delete;
  TFIBXSQLDA& operator=(const TFIBXSQLDA&) = delete;

  TXSQLOwner* Owner() const { return owner_; }
  bool HoldsParams() const { return holds_params_; }
  int Count() const { return count_; }

  // Sets the item count: names are forgotten and data buffers released; the
  // block grows when needed and never shrinks. sqln and sqld become count.
  void Resize(int count);

  // The area to hand to the client's describe, prepare, execute and fetch.
  XSQLDA* AsXSQLDA() { return block(); }
  // Items the last describe reported (may exceed Count: resize and describe
  // again).
  int DescribedCount() { return block()->sqld; }

  // Client error 23 outside 0..Count-1. Inline: columns are read by index
  // for every field of every fetched row.
  TFIBXSQLVAR& Vars(int index) const {
    if (index < 0 || index >= count_) [[unlikely]]
      IndexOutOfRange();
    return *vars_[index];
  }
  TFIBXSQLVAR& operator[](int index) const { return Vars(index); }
  // The item of that name or nullptr; see the .cpp for quoting and case.
  TFIBXSQLVAR* ByName(std::string_view name) const;
  // Every item of the name, in the order of the name list.
  std::vector<TFIBXSQLVAR*> ItemsNamed(const std::string& name) const;

  // Whether result columns can hold a value at all: not between an
  // execution and the first fetched row, except for the outputs of
  // EXECUTE PROCEDURE. The answer is asked of the owner once and kept until
  // the owner calls RowStateChanged, so reading a column asks nothing of
  // the statement. Always true for parameters and without an owner.
  bool HoldsRow() const {
    return row_state_ == TRowState::kRow || (row_state_ == TRowState::kUnknown && AskRowState());
  }
  // The owner's row count or statement kind changed.
  void RowStateChanged() { row_state_ = TRowState::kUnknown; }
  // The kept answer, for the items' inline reads.
  const TRowState& RowState() const { return row_state_; }

  // Whether an item may hold contents loaded from a stream: set when one
  // gets them, cleared by Executed. Executions ask it before looking at
  // every item.
  bool MayHoldStreams() const { return may_hold_streams_; }
  void StreamLoaded() { may_hold_streams_ = true; }
  // The values went to the server: every item drops its stream and counts
  // as unmodified.
  void Executed();

  // Changes whenever the items' names or count change: what was looked up
  // by name under an earlier value must be looked up again.
  const uint64_t& Naming() const { return naming_; }

  // Names a parameter; an unquoted name is kept upper-cased.
  void SetItemName(int index, std::string_view name, bool quoted);

  // After a describe: names the items (when they have none yet) and gives
  // every item buffers for its described type. Items assigned a value
  // before keep it. Client error 30 for a type the layer does not know.
  void Initialize();

 private:
  [[noreturn]] static void IndexOutOfRange();
  bool AskRowState() const;
  XSQLDA* block() const { return reinterpret_cast<XSQLDA*>(block_.get()); }
  void AddName(const std::string& name, int index);
  void NameFromAliases();
  void NamingChanged();

  TXSQLOwner* const owner_;
  bool holds_params_;
  mutable TRowState row_state_ = TRowState::kUnknown;
  int count_ = 0;
  int capacity_ = 0;
  std::unique_ptr<unsigned char[]> block_;
  std::vector<std::unique_ptr<TFIBXSQLVAR>> vars_;
  std::multimap<std::string, int> names_;
  uint64_t naming_ = 0;
  bool may_hold_streams_ = false;
};

}  // namespace fib
