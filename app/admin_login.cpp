#include "app/admin_login.h"

#include "app/char_shift.h"
#include "app/decimal_codes.h"
#include "app/win_crypt.h"
#include "classlib/ansistr.h"

namespace app {

namespace {

std::string Enciphered(std::string text, bool encrypt) {
  TWinCryptObject crypt;
  crypt.SetKey(kLoginKeyText);
  // A failure leaves a form that matches nothing stored, which the login
  // then reports as a wrong password.
  if (encrypt)
    crypt.EncryptString(text);
  else
    crypt.DecryptString(text);
  return text;
}

}  // namespace

std::string UsersQuery(bool firebird) {
  if (!firebird) return kUsersQuery;
  std::string columns;
  for (const char* stored : {"PAROL", "USERNAMESQL", "PASSWORDSQL"})
    columns += std::string(", CAST(") + stored + " AS BLOB SUB_TYPE 0) AS " + stored;
  return "SELECT GUID, USERNAME" + columns + ", ROLES, DEFGROUPGUID FROM LOGON_USER";
}

std::string UserGroupsQuery(const std::string& user_guid) {
  return "SELECT LG.GROUPNAME, LG.GUID FROM LOGON_GROUP LG, LOGON_LINK LL WHERE "
         "(LG.GUID=LL.GROUP_ID) AND (LL.USER_ID=" +
         classlib::QuotedStr(user_guid) + ")";
}

std::string AdminPrivilegeQuery(const std::string& group_name) {
  return "SELECT COUNT(*) FROM LOGON_GROUP LG, LOGON_PRIVILEGES LP WHERE LG.GUID=LP.GROUP_ID AND "
         "(LG.GROUPNAME=" +
         classlib::QuotedStr(group_name) + ") AND (Upper(LP.ACTIONNAME)='ADMINISTRATION')";
}

bool UsesEncipheredForms(const std::string& release) {
  return release.compare(kFirstEncipheredRelease) >= 0;
}

std::string StoredForm(const std::string& plain, const std::string& release) {
  if (UsesEncipheredForms(release)) return StrToDecimalCodes(Enciphered(plain, true));
  return EncodeString(plain, kShiftModeStoredAccount);
}

std::string PlainOfStoredForm(const std::string& stored, const std::string& release) {
  if (UsesEncipheredForms(release)) return Enciphered(DecimalCodesToStr(stored), false);
  return DecodeString(stored, kShiftModeStoredAccount);
}

std::string EncipheredConnectionString(const std::string& text) { return Enciphered(text, true); }

std::string DecipheredConnectionString(const std::string& stored) {
  return Enciphered(stored, false);
}

}  // namespace app
