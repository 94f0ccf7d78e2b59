// TCRCommand: the abstract driver statement. It holds the connection, the
// SQL text and the parameter descriptions; a driver prepares, executes and
// tracks its cursor state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/event.h"
#include "classlib/object.h"
#include "classlib/variant.h"
#include "dacore/driver_connection.h"
#include "dacore/driver_params.h"

namespace dacore {

// Cursor states the generic layer knows; a driver has its own between.
inline constexpr uint8_t csIdle = 0;
inline constexpr uint8_t csPrepared = 3;
inline constexpr uint8_t csFetchingPaused = 8;
inline constexpr uint8_t csFetching = 9;
inline constexpr uint8_t csFinished = 10;

class TCRCommand : public classlib::TObject {
  CLASSLIB_CLASS(TCRCommand, classlib::TObject)
 public:
  // Told by the driver after every execution whether it succeeded.
  using TAfterExecuteProc = classlib::Event<void(bool result)>;

  TCRCommand() = default;
  ~TCRCommand() override = default;
  TCRCommand(const TCRCommand&) = delete;
  TCRCommand& operator=(const TCRCommand&) = delete;

  virtual void Prepare() { SetCursorState(csPrepared); }
  virtual void Unprepare() { SetCursorState(csIdle); }
  virtual bool GetPrepared() = 0;
  virtual void Execute(int iters) = 0;
  virtual void SetConnection(TCRConnection* value) {
    connection_ = value;
    convert_eol_ = value ? &value->ConvertEOL : &kNoConnectionFlag;
  }
  virtual void SetSQL(const std::string& value) { sql_ = value; }
  virtual uint8_t GetCursorState() = 0;
  virtual void SetCursorState(uint8_t value) = 0;
  // A parameter description of the driver's class.
  virtual std::unique_ptr<TParamDesc> GetParamDescType() { return std::make_unique<TParamDesc>(); }
  virtual TParamDesc* AddParam();
  virtual bool SetProp(int prop, const classlib::Variant& value);
  virtual bool GetProp(int prop, classlib::Variant& value);

  void DeleteParam(int index);
  int GetParamCount() const { return params_.Count(); }
  TParamDesc* GetParam(int index) const { return params_.ParamItems(index); }
  TParamDescs& Params() { return params_; }
  TCRConnection* GetConnection() const { return connection_; }
  // Where the connection's ConvertEOL is kept (a false flag while there is
  // no connection), followed as the connection changes: a record set reads
  // the option through it on every text read, without a call.
  const bool* const* ConvertEOLSource() const { return &convert_eol_; }
  const std::string& GetSQL() const { return sql_; }

  // The owning component, written by the record set.
  void* Component = nullptr;
  TAfterExecuteProc OnAfterExecute;
  bool AutoCommit = false;
  bool Prop24 = false;
  // The byte a record set hands over (its property 30).
  uint8_t RecordSetFlag = 0;

 protected:
  TCRConnection* connection_ = nullptr;
  std::string sql_;
  TParamDescs params_;

 private:
  static constexpr bool kNoConnectionFlag = false;
  const bool* convert_eol_ = &kNoConnectionFlag;
};

}  // namespace dacore
