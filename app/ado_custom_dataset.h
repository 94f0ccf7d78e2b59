// TCustomADODataSet: the record set behind TADOQuery and TADODataSet.
//
// Open runs the statement on the connection and reads every row into memory,
// as ADO's client-side cursor does, so RecordCount is known and the rows can
// be walked in both directions. A row the server fails to deliver fails the
// open with the server's message, as a failed statement does. Eof and Bof follow the class library: Next on
// the last row sets Eof and stays on that row.
//
// Editing: Edit, change fields, Post. Post writes the changed columns back
// with an UPDATE of the statement's single base table ("SELECT ... FROM
// table ..."), finding the row by the values it was read with; binary and
// floating-point columns are not used to find it, because servers cannot
// compare the former and may not compare the latter exactly.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QVariant>

#include "app/ado_field.h"
#include "classlib/component.h"
#include "classlib/db_types.h"
#include "classlib/stream.h"

namespace app {

class TADOConnection;

class TCustomADODataSet : public classlib::TComponent {
  CLASSLIB_CLASS(TCustomADODataSet, classlib::TComponent)

 public:
  explicit TCustomADODataSet(classlib::TComponent* owner);
  ~TCustomADODataSet() override;

  TADOConnection* Connection() const { return connection_; }
  void SetConnection(TADOConnection* connection);

  // Opening and closing
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Active() const { return state_ != classlib::dsInactive; }
  void SetActive(bool value);
  classlib::TDataSetState State() const { return state_; }
  // Changes with every open, so that objects made from one open (fields,
  // blob streams) can tell that it ended.
  unsigned OpenSerial() const { return open_serial_; }

  // Navigation
  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return rows_.empty(); }
  int RecordCount() const;
  int RecNo() const;  // 1-based; 0 when there is no row
  // Moves to the first row whose `key_field` matches `key_value`; false and
  // no move when none does. loCaseInsensitive ignores letter case (CP1251),
  // loPartialKey accepts a field that begins with the value.
  bool Locate(const std::string& key_field, const std::string& key_value,
              classlib::TLocateOptions options);

  // Fields of the open data set, in the statement's column order
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TADOField& Fields(int index) const;
  TADOField* FindField(const std::string& name) const;  // any letter case
  TADOField& FieldByName(const std::string& name) const;

  // Editing the current row
  void Edit();
  void Post();
  void Cancel();
  // A stream over a field's value. A write-mode stream starts empty and
  // stores what was written into the field when it is destroyed, which must
  // happen before Post.
  std::unique_ptr<classlib::TStream> CreateBlobStream(TADOField& field,
                                                      classlib::TBlobStreamMode mode);

 protected:
  // The statement the data set runs (CP1251).
  virtual std::string StatementText() const = 0;
  // The connection; raises EADOError when none is set.
  TADOConnection& CheckConnection() const;

  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  friend class TADOField;
  using Row = std::vector<QVariant>;

  void DoOpen();
  void DoClose();
  void ConnectChange(classlib::TObject* sender, bool connecting);
  void CheckActive() const;
  void CheckEditing() const;
  const QVariant& CurrentValue(int index) const;
  void SetCurrentValue(int index, const QVariant& value);
  void MoveTo(int row);
  std::string BaseTable() const;
  void WriteRow();

  TADOConnection* connection_ = nullptr;
  std::string opened_text_;  // the statement of the current open
  unsigned open_serial_ = 0;
  classlib::TDataSetState state_ = classlib::dsInactive;
  std::vector<std::unique_ptr<TADOField>> fields_;
  std::vector<Row> rows_;
  int current_ = -1;  // index into rows_, -1 when empty
  bool eof_ = true;
  bool bof_ = true;
  Row edit_row_;                // the row as it is being edited
  std::vector<bool> modified_;  // which fields Edit changed
};

}  // namespace app
