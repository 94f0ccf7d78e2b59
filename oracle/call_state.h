// The binding's process-wide state: the homes found, the chosen client
// library, its version and call styles, the environment handles and the
// environment settings. One instance per process; discovery, loading and
// unloading run on the thread that connects.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "oracle/oci_defs.h"

namespace oracle {

struct TOracleHome {
  std::string Path;     // the home folder
  std::string Key;      // its key name below "SOFTWARE\ORACLE"
  std::string Name;     // "ORACLE_HOME_NAME"
};

constexpr int kMaxOracleHomes = 10;

// PossibleCallStyles bits; exactly kCallStyleOci8 means direct mode.
constexpr uint8_t kCallStyleOci7 = 0x02;
constexpr uint8_t kCallStyleOci8 = 0x04;
// DefaultCallStyle values.
constexpr uint8_t kOci7 = 1;
constexpr uint8_t kOci8 = 2;

// The client library's file on this system.
inline constexpr const char* kOciLibraryName = "libclntsh.so";

extern std::vector<TOracleHome> OracleHomes;
extern int OracleHomeOnPath;  // index into OracleHomes, -1 = none
extern std::string OracleHomeName;
extern std::string OracleHomePath;
extern std::string OCIDLL;
extern std::string OCISecondLibrary;
extern std::string OCIClientVersionText;
extern uint16_t OCIVersion;
// Read by sessions connecting on any thread while the first connect loads
// the client library: atomic, so a reader sees the old value or the new.
extern std::atomic<uint8_t> DefaultCallStyle;
extern std::atomic<uint8_t> PossibleCallStyles;
extern bool OCILite;
extern bool OCILoaded;
// Set last, once the environment's handles are made, and read without the
// environment lock by sessions connecting on other threads (a pool makes
// several connections at once): atomic, so a reader that sees it set sees
// the handles too.
extern std::atomic<bool> OCIInited;
extern OCIEnv* hOCIEnv;
extern OCIError* hOCIError;
extern bool OCI7Initialized;

// Environment settings (the program keeps the defaults).
extern bool OCIThreaded;
extern bool OCIMutexed;
extern bool OCIShared;
extern bool OCIEvents;
extern uint16_t OCIEventsVersion;
extern bool OCIObjects;
extern int OCIErrorBufferSize;

// The libraries loaded: the client library and the one that holds the XML
// stream entries (the client library itself from 9.0 on).
extern void* hOCILib;
extern void* hOCISecondLib;

// Direct mode: the network client's entries are installed.
inline bool IsDirectMode() { return PossibleCallStyles == kCallStyleOci8; }

std::mutex& OciEnvironmentLock();
std::mutex& OciMtsLock();

}  // namespace oracle
