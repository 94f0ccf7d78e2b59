// TCustomDAUpdateSQL: the statements a data set stores its edits with when
// the user writes them: one text per statement kind, or another component
// (a data set or a statement) that runs it. The data set it serves
// implements IDAUpdateDataSet.
#pragma once

#include <array>
#include <string>

#include "classlib/component.h"
#include "classlib/db_types.h"
#include "classlib/strings.h"
#include "dacore/support_sql.h"

namespace dacore {

class TCustomDAUpdateSQL;

// What the update object needs of the data set it serves.
class IDAUpdateDataSet {
 public:
  virtual ~IDAUpdateDataSet() = default;
  virtual classlib::TComponent* UpdateDataSetComponent() = 0;
  // Runs sql (the data set's own text for the kinds when empty) for the
  // record being posted; whether a statement ran.
  virtual bool PerformSQL(const std::string& sql, TStatementTypes types) = 0;
  // The update object stops serving this data set.
  virtual void ReleaseUpdateObject(TCustomDAUpdateSQL* update_object) = 0;
};

class TCustomDAUpdateSQL : public classlib::TComponent {
  CLASSLIB_CLASS(TCustomDAUpdateSQL, classlib::TComponent)
 public:
  explicit TCustomDAUpdateSQL(classlib::TComponent* owner);
  // Releases the object from its data set.
  ~TCustomDAUpdateSQL() override;

  // The texts by statement type: stInsert, stUpdate, stDelete, stRefresh.
  classlib::TStringList& SQLText(TStatementType type);
  classlib::TStringList& InsertSQL() { return SQLText(stInsert); }
  classlib::TStringList& ModifySQL() { return SQLText(stUpdate); }
  classlib::TStringList& DeleteSQL() { return SQLText(stDelete); }
  classlib::TStringList& RefreshSQL() { return SQLText(stRefresh); }
  // The components that run a kind's statement instead of a text.
  classlib::TComponent* StatementObject(TStatementType type) const;
  // Must be of DataSetClass or SQLClass and neither this object's own data
  // set nor that data set's internal statement (Command()).
  void SetStatementObject(TStatementType type, classlib::TComponent* component);
  classlib::TComponent* InsertObject() const { return StatementObject(stInsert); }
  classlib::TComponent* ModifyObject() const { return StatementObject(stUpdate); }
  classlib::TComponent* DeleteObject() const { return StatementObject(stDelete); }
  classlib::TComponent* RefreshObject() const { return StatementObject(stRefresh); }

  virtual classlib::TStrings& GetSQL(classlib::TUpdateKind kind) { return SQLText(UpdateKindToStatementType(kind)); }
  virtual IDAUpdateDataSet* GetDataSet() const { return data_set_; }
  virtual void SetDataSet(IDAUpdateDataSet* data_set);
  // The class names an object property accepts.
  virtual std::string DataSetClass() const { return "TCustomDADataSet"; }
  virtual std::string SQLClass() const { return "TCustomDASQL"; }
  // Runs the kind's statement through the data set.
  virtual void Apply(classlib::TUpdateKind kind);
  // Raises the update-object errors for a component that may not run a
  // statement of an update object whose data set is data_set.
  void CheckStatementObject(classlib::TComponent* component, const classlib::TComponent* data_set) const;

  void Assign(const classlib::TPersistent* source) override;

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  static size_t Slot(TStatementType type);
  // Whether a kind or the data set names the component.
  bool Names(const classlib::TComponent* component) const;

  IDAUpdateDataSet* data_set_ = nullptr;
  // The data set as a component, kept to recognise it when it goes away.
  classlib::TComponent* data_set_component_ = nullptr;
  std::array<classlib::TStringList, 4> texts_;
  std::array<classlib::TComponent*, 4> objects_{};
};

}  // namespace dacore
