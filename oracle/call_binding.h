// Finding, loading and unloading the client library, its version, and the
// process-wide environment. The client library is found in this order:
//   1. the registry value "OCIDLL" of HKEY_LOCAL_MACHINE\SOFTWARE\ORACLE
//      (a path, or a bare name for the loader to find);
//   2. an Oracle home: the one named by OracleHomeName, else the home whose
//      bin folder (or the home itself) is on PATH, else the registry value
//      "ORACLE_HOME", else $ORACLE_HOME; its lib/libclntsh.so, else its
//      libclntsh.so;
//   3. "libclntsh.so" by bare name, for the loader's own search.
// Its version comes from its exported "OCIClientVersion" (clients from
// 10.2); an older client's from its file name's version suffix, else from
// the calls it exports (GetFileVersionText).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace oracle {

// Discovery: the homes of the registry, the library's path, its version and
// the call styles it offers. Raises when no usable library is found.
void FindOracleHomes();
// Reads only the homes of the registry into OracleHomes.
void ReadOracleHomes();
// Discovery, loading, and the table filled by name.
void LoadOciEntryPoints();
bool IsOciLoaded();
// Loads when needed and creates the environment and error handles.
void InitOciEnvironment();
void FreeOciEnvironment();
// Back to the start state: libraries freed, every entry the not-linked stub.
void UnloadOci();

void InitOci7(bool threaded);
bool IsOci7Initialized();
void LoadMtsSupport();
void UnloadMtsSupport();

// "Need Oracle 8 Call Interface", "Need Oracle 8i Call Interface",
// "Need Oracle 9 Call Interface".
void CheckOci8();
void CheckOci8i();
void CheckOci9();

// The five parts of the library's version joined with "." (10.2.0.1.0),
// else (a client without "OCIClientVersion") GetFileVersionText. Loads the
// library into hOCILib when it is not loaded; raises "Cannot load OCI DLL: "
// + path + the loader's reason in parentheses when it cannot be loaded, and
// "Not an Oracle client library: " + path when it exports none of the calls.
std::string GetOciClientVersion(const std::string& path);
// Whether the loaded library exports one of the calls that tell a client's
// release (see GetFileVersionText).
bool ExportsOciCalls();
// The release of a client before 10.2 (Linux libraries have no version
// resource): the version suffix of the library's file name
// ("libclntsh.so.10.1" -> "10.1"; for a bare name, of the file the loader
// found), or of the file a symbolic link of that name leads to; else the newest release whose first new call the library
// exports (OCILobRead2 10.1, OCIStmtPrepare2 9.2, OCIDateTimeConstruct 9.0,
// OCIEnvCreate 8.1, OCIInitialize 8.0, olog 7.3); empty when nothing tells.
// Both tell a release to its minor number only; the library's own banner
// ("Release 8.1.7.0.0"), when the file carries one of that minor release,
// tells it in full.
std::string GetFileVersionText(const std::string& path);
// Whether the loaded client's release (OCIVersion) lies in [low, high]: for
// certain (IsIn), or possibly, when only its minor release is known and one
// of that release's updates lies there (MayBeIn). Rules for the clients of
// a range use them to take the way that is right for every client it may be.
bool ClientReleaseIsIn(uint16_t low, uint16_t high);
bool ClientReleaseMayBeIn(uint16_t low, uint16_t high);
// The full release a client library's bytes name in their banner
// ("Release 8.1.7.0.0" -> "8.1.7.0.0") when it is one of the minor release
// `known` ("8.1"); else empty.
std::string ReleaseOfBanner(std::string_view bytes, const std::string& known);
// The numbers after ".so." of a file name ("10.1"); empty when there are none.
std::string VersionSuffixOf(const std::string& file_name);
// "Cannot load OCI DLL: " + path (or another beginning) with the loader's
// reason for the last failed load in parentheses.
std::string LoadFailureText(const std::string& beginning, const std::string& path);
// The first four components as digits of one number: 10.2.0.1.0 -> 10201.
uint16_t ParseClientVersion(const std::string& text);

}  // namespace oracle
