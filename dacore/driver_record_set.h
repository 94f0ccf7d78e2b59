// TCRRecordSet: the abstract driver result set. It is a record store that
// executes its command and fetches rows on demand while the store is read;
// a driver supplies the command class, the description of the fields and
// Fetch.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "classlib/event.h"
#include "classlib/variant.h"
#include "dacore/driver_command.h"
#include "dacore/driver_field_desc.h"
#include "dacore/driver_table_info.h"
#include "dacore/store_mem_data.h"

namespace dacore {

// Statement kinds a driver sets after prepare.
inline constexpr uint8_t ctUnknown = 0;
inline constexpr uint8_t ctStatement = 1;
inline constexpr uint8_t ctCursor = 2;  // the statement returns rows

class TCRRecordSet : public TMemData {
  CLASSLIB_CLASS(TCRRecordSet, TMemData)
 public:
  using TBeforeFetchProc = classlib::Event<void(bool& cancel)>;
  using TAfterFetchProc = classlib::Event<void()>;
  using TDataChangedProc = classlib::Event<void()>;

  TCRRecordSet();
  ~TCRRecordSet() override;

  // ---- Record store --------------------------------------------------------
  void Prepare() override;
  void UnPrepare() override;
  std::unique_ptr<TFieldDesc> GetFieldDescType() override { return std::make_unique<TCRFieldDesc>(); }
  bool GetConnectionFlag() override;
  void GetNextRecord(TRecBuf rec) override;
  void GetPriorRecord(TRecBuf rec) override;
  // A one-way record set looks for the number among the rows it holds: a
  // fetch would free the rows the walk stands on.
  void SetRecordNo(int value) override;
  void ClearCache() override;
  // A local order holds for every row the data set will show: the rows still
  // to come are fetched before the sort (and before cached updates are
  // sorted), or they would arrive behind the sorted rows, out of order and
  // out of the searches' reach.
  void SortItems() override;
  // Whether the sort first fetches every row: with cached updates always;
  // with sort columns unless the record set keeps only some of its rows (a
  // one-way record set, or a cursor's window), where a fetch of everything
  // would let the rows go that the user is about to read.
  bool SortFetchesAll();

  // ---- Driver operations ---------------------------------------------------
  // The command of the driver's class; created on first use.
  virtual std::unique_ptr<TCRCommand> CreateCommand() = 0;
  virtual void SetCommand(std::unique_ptr<TCRCommand> value);
  // Whether the cursor also fetches towards the beginning (FetchBack).
  virtual bool CanFetchBack() { return false; }
  virtual bool FetchBack() { return false; }
  virtual bool NeedInitFieldsAfterExecute() { return false; }
  // A setting that shapes the fields' descriptions changed (a session's
  // number mapping, LongStrings ...): a prepared statement describes its
  // fields again when it next runs.
  void SetFieldsOutOfDate() { fields_out_of_date_ = true; }
  bool FieldsOutOfDate() const { return fields_out_of_date_; }
  virtual void ExecCommand();
  // Stops the work of a driver's background thread (an execute, a fetch)
  // and waits for it; a data set calls it before it frees anything at close.
  virtual void StopBackground() {}
  virtual void DoBeforeFetch(bool& cancel);
  virtual void DoAfterFetch();
  // Rows came outside a step of the data set's (a background execute or
  // fetch ended): the data set shows them.
  void DoDataChanged() {
    if (OnDataChanged) OnDataChanged();
  }
  virtual TTableInfoClass GetTableInfoClass() { return BaseTableInfoClass(); }
  virtual void FreeResult();
  virtual void InternalExecute();
  // Fetches until Fetch brings nothing.
  virtual void FetchAll();
  virtual void SetFetchDone(bool value) { fetch_done_ = value; }
  virtual bool IsCommandIdle();
  virtual bool IsFetching() { return command_type_ == ctCursor; }
  virtual void SetConnection(TCRConnection* value) { GetCommand()->SetConnection(value); }
  virtual void SetSQL(const std::string& value) { GetCommand()->SetSQL(value); }
  virtual bool SetProp(int prop, const classlib::Variant& value);
  virtual bool GetProp(int prop, classlib::Variant& value);

  TCRCommand* GetCommand();
  void SetComponent(void* value) { GetCommand()->Component = value; }
  void* GetComponent() { return GetCommand()->Component; }
  TCRTablesInfo& TablesInfo();
  bool FetchDone() const { return fetch_done_; }
  uint8_t CommandType() const { return command_type_; }
  void SetCommandType(uint8_t value) { command_type_ = value; }

  bool UniDirectional = false;
  int FetchRows = 25;
  bool FetchAllRows = false;  // property 22
  bool LongStrings = true;
  bool FlatBuffers = true;
  bool Prop26 = false;
  TBeforeFetchProc OnBeforeFetch;
  TAfterFetchProc OnAfterFetch;
  TDataChangedProc OnDataChanged;

 protected:
  void InternalPrepare() override { GetCommand()->Prepare(); }
  void InternalUnPrepare() override { GetCommand()->Unprepare(); }
  void InternalOpen() override;
  // Describes the fields anew; they are up to date afterwards.
  void DescribeFields() {
    fields_out_of_date_ = false;
    InitFields();
  }
  // The step a walk takes at almost every row: to the held row after the
  // current one when it is known visible (rec gets it when given); false,
  // without a move, for any other step.
  bool StepToHeldNext(TRecBuf rec) {
    if (!current_item_ || bof_ || eof_) return false;
    ItemHeader* next = current_item_->next;
    if (!next || next->filter_result != fsNotOmitted) return false;
    current_item_ = next;
    if (rec) std::memcpy(rec, ItemRecord(next), record_size_);
    return true;
  }

 private:
  // GetNextRecord past a held row known visible: hidden rows, the start,
  // the end, fetching. Out of line, so that the common step saves nothing.
  [[gnu::noinline]] void StepOrFetch(TRecBuf rec);

  std::unique_ptr<TCRCommand> command_;
  std::unique_ptr<TCRTablesInfo> tables_info_;
  bool fetch_done_ = false;
  bool fields_out_of_date_ = false;
  uint8_t command_type_ = ctUnknown;
};

}  // namespace dacore
