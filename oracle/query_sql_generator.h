// TOraSQLGenerator: the statements a TOraDataSet stores its edits with. LOB
// columns are written through the empty locators that RETURNING ... INTO
// hands back (the data set writes the contents into them), a key can come
// from a sequence, and rows are locked with FOR UPDATE NOWAIT.
#pragma once

#include <string>
#include <vector>

#include "dacore/gen_sql_generator.h"

namespace oracle {

class TOraDataSet;

class TOraSQLGenerator : public dacore::TDASQLGenerator {
  CLASSLIB_CLASS(TOraSQLGenerator, dacore::TDASQLGenerator)
 public:
  explicit TOraSQLGenerator(TOraDataSet* data_set);

  // Nothing for a TOraQuery while its statements must be written by hand.
  std::string GenerateSQL(dacore::TStatementType statement_type, bool modified_fields_only,
                          dacore::TDAParams* params, int index = -1) override;

 protected:
  void Clear() override;
  bool IsBlobDataType(dacore::TDataType t) const override;
  // A nested-table or XML column is null by its record's flag (it has no
  // attribute fields to ask).
  bool FieldIsNull(const dacore::TFieldDesc& field, bool old_value) override;
  // A nested-table or REF column is changed in place through its nested
  // data set, which marks its field; an XML column compares its old and new
  // texts; other fields as the base generator compares them.
  bool FieldModified(const dacore::TFieldDesc& field) override;
  // Placeholders are bound by name, so a name that occurs again binds the
  // same parameter; the ROWID is always the value the row was read with.
  void AddFieldParam(dacore::StringBuilder& builder, dacore::TCRFieldDesc& field, bool old, int index,
                     dacore::TStatementType /*statement_type*/) override;
  void AddFieldToInsertSQL(dacore::TCRFieldDesc& field, int index) override;
  void AddFieldToUpdateSQL(dacore::TCRFieldDesc& field, bool modified_fields_only, int index) override;
  void GenerateInsertSQL(bool modified_fields_only, int index) override;
  void GenerateUpdateSQL(bool modified_fields_only, int index) override;
  void GenerateLockSQL(int index) override;
  void GenerateRefreshSQL() override;

 private:
  // Whether LOB columns are written through returned locators.
  bool LobsByLocator() const;
  static bool IsLobLocatorType(dacore::TDataType t);
  static bool IsLongType(dacore::TDataType t);
  // The key field filled from the data set's sequence at post, or nullptr.
  dacore::TCRFieldDesc* SequenceKeyField() const;
  // Whether the session can take NEXTVAL inside the INSERT itself.
  bool SequenceInInsert() const;
  // Appends the RETURNING ... INTO tail for the fields that must come back.
  void AddReturning(int index);
  void WrapInSequenceBlock(int index);

  TOraDataSet* ora_data_set_;
  dacore::TCRFieldDesc* sequence_field_ = nullptr;
  bool sequence_in_insert_ = false;
  // The LOB columns written as empty locators, in the order they were written.
  std::vector<dacore::TCRFieldDesc*> lob_fields_;
};

}  // namespace oracle
