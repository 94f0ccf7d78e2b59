#include "app/blob_moves.h"

#include <QFileInfo>
#include <algorithm>
#include <exception>

#include "app/details_log.h"
#include "app/qt_text.h"
#include "app/run_state.h"
#include "app/script_condition.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/format.h"
#include "classlib/numconv.h"
#include "classlib/stream.h"

namespace app {

namespace {

std::string Text(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

const std::string kBlobPrefix = "BLOB_FIELD_";
const std::string kKeyPrefix = "GUID_FIELD_";
constexpr size_t kMaxSuffix = 10;

bool IsDataFile(const std::string& file_name) {
  return QFileInfo(QString::fromStdString(classlib::NativeFileName(file_name))).isFile();
}

// One move carried out on the table access, logging what fails.
class TMoveTransfer {
 public:
  TMoveTransfer(IProgressView& view, IBlobTable& table, const std::string& source,
                const TBlobMove& move)
      : view_(view), table_(table), source_(source), move_(move) {}

  // False when the move fails the script file.
  bool Run();

 private:
  bool Declared() const;
  void FillRows();
  void FillRow(const std::string& key);
  void RowFailed(const std::string& error);
  void Finish();
  void DropKeyColumn();
  void Log(const std::string& error) const { AddDetailsLog(view_, source_, error, ""); }

  IProgressView& view_;
  IBlobTable& table_;
  const std::string& source_;
  const TBlobMove& move_;
  std::string last_key_;
  bool result_ = true;
  bool all_filled_ = true;
};

bool TMoveTransfer::Run() {
  if (!Declared()) return false;
  try {
    FillRows();
    Finish();
  } catch (const std::exception& error) {
    // Rows after the failure were not filled: the file fails and the key
    // column stays for another run.
    result_ = false;
    Log(classlib::Format(
            Text(
                "Не могу вставить данные в поле %s таблицы %s по идентификатору %s из поля %s\r\n"),
            {move_.blob_column, move_.table, SqlLiteral(last_key_), move_.key_column}) +
        error.what());
    // The next move opens its own selection on the same data set.
    try {
      table_.Close();
    } catch (const std::exception&) {
    }
  }
  return result_;
}

// A declaration without its table or a column partner names nothing that
// could be filled; saying so beats a statement the server rejects.
bool TMoveTransfer::Declared() const {
  if (!move_.table.empty() && !move_.blob_column.empty() && !move_.key_column.empty()) return true;
  Log(classlib::Format(Text("Неполное описание переноса BLOB-поля: таблица '%s', поле '%s', "
                            "поле идентификатора '%s'"),
                       {move_.table, move_.blob_column, move_.key_column}));
  return false;
}

void TMoveTransfer::FillRows() {
  table_.Open(move_, classlib::Format("SELECT %s, %s FROM %s WHERE %0:s IS NOT NULL",
                                      {move_.key_column, move_.blob_column, move_.table}));
  while (!table_.Eof()) {
    last_key_ = table_.Key();
    FillRow(last_key_);
    table_.Next();
    view_.ProcessMessages();
  }
  table_.Close();
}

void TMoveTransfer::FillRow(const std::string& key) {
  if (!IsPlainFileKey(key)) {
    RowFailed(classlib::Format(
        Text("Идентификатор %s в таблице %s не может быть именем файла с данными из BLOB-поля"),
        {SqlLiteral(key), move_.table}));
    return;
  }
  const std::string file_name = BlobDataFileName(key);
  if (!IsDataFile(file_name)) {
    RowFailed(classlib::Format(table_.Rules().missing_file_with_extension
                                   ? Text("Не найден файл %sData\\%s.lob с данными из BLOB-поля")
                                   : Text("Не найден файл %sData\\%s с данными из BLOB-поля"),
                               {ProgramDir, key}));
    return;
  }
  try {
    table_.Fill(file_name);
  } catch (const std::exception& error) {
    RowFailed(classlib::Format(
        Text("Ошибка заполнения BLOB-поля с идентификатором %s в таблице %s\r\n%s"),
        {key, move_.table, std::string(error.what())}));
  }
}

void TMoveTransfer::RowFailed(const std::string& error) {
  result_ = false;
  all_filled_ = false;
  Log(error);
}

// What was filled is made durable first, even when some rows failed; only
// then, and only when nothing is missing, the keys that name the files go.
void TMoveTransfer::Finish() {
  try {
    table_.Commit();
  } catch (const std::exception& error) {
    result_ = false;
    Log(Text("подтверждение транзакции\r\n") + error.what());
    return;
  }
  if (!all_filled_) {
    Log(classlib::Format(
        Text("Поле %s таблицы %s не удалено: заполнены не все BLOB-поля, обновление можно "
             "повторить"),
        {move_.key_column, move_.table}));
    return;
  }
  DropKeyColumn();
}

void TMoveTransfer::DropKeyColumn() {
  const std::string statement =
      classlib::Format(table_.Rules().drop_format, {move_.table, move_.key_column});
  try {
    table_.Execute(statement);
  } catch (const std::exception& error) {
    Log(classlib::Format(Text("Ошибка при удалении BLOB-полей\r\n%s\r\n%s"),
                         {std::string(error.what()), statement}));
    if (table_.Rules().failed_drop_fails_file) result_ = false;
  }
}

}  // namespace

void CollectBlobMoves(const TScriptElement& group, std::vector<TBlobMove>& moves) {
  const std::string table = group.Attribute("TABLE_NAME");
  for (const auto& [name, value] : group.attributes) {
    if (classlib::UpperCase(name).find("BLOB_FIELD") == std::string::npos) continue;
    const std::string suffix =
        name.size() > kBlobPrefix.size() ? name.substr(kBlobPrefix.size(), kMaxSuffix) : "";
    moves.push_back(
        {table, group.Attribute(kBlobPrefix + suffix), group.Attribute(kKeyPrefix + suffix)});
  }
}

std::string BlobDataFileName(const std::string& key) {
  return ProgramDir + "Data\\" + key + ".lob";
}

bool IsPlainFileKey(const std::string& key) {
  return key.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool TBlobMoves::Perform(const std::string& script_path) {
  bool result = true;
  for (const TBlobMove& move : moves_) {
    if (!TMoveTransfer(view_, table_, script_path, move).Run()) result = false;
  }
  return result;
}

}  // namespace app
