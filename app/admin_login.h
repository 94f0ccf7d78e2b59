// The product's own check of an administrator: how passwords and database
// accounts are stored in LOGON_USER, which depends on the database release,
// and the statements the login runs.
#pragma once

#include <string>

namespace app {

inline const std::string kUsersQuery =
    "SELECT GUID, USERNAME, PAROL, USERNAMESQL, PASSWORDSQL, ROLES, DEFGROUPGUID FROM LOGON_USER";
inline const std::string kDatabaseReleaseQuery = "SELECT MAX(BDVERSION) FROM BO_VERSION";

// From this release on the stored forms are enciphered; before it they are
// shifted.
inline const std::string kFirstEncipheredRelease = "3.0.0";

// The users' statement, on Firebird (or InterBase) or not. There the stored
// forms come as binary blobs under their own names: Qt's Firebird driver
// decodes text columns, and the byte 0x98, undefined in WIN1251 yet held by
// many older forms, does not survive its decoding (an OCTETS column is
// decoded too). Elsewhere the text reaches us byte for byte.
std::string UsersQuery(bool firebird);
// The groups of the user with that GUID.
std::string UserGroupsQuery(const std::string& user_guid);
// Counts the administration privileges of the named group.
std::string AdminPrivilegeQuery(const std::string& group_name);

// True for a release that compares as text at or above "3.0.0" (so "10.0.0"
// and the empty text are older).
bool UsesEncipheredForms(const std::string& release);

// The stored form of a password or account text (ANSI) for that release,
// and back. An older-release form cannot hold bytes below 32 and returns
// them raised by 224, as the product itself does.
std::string StoredForm(const std::string& plain, const std::string& release);
std::string PlainOfStoredForm(const std::string& stored, const std::string& release);

// The connection string as the product's registry key keeps it: enciphered
// in place (the same length), and back.
std::string EncipheredConnectionString(const std::string& text);
std::string DecipheredConnectionString(const std::string& stored);

}  // namespace app
