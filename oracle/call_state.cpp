#include "oracle/call_state.h"

namespace oracle {

std::vector<TOracleHome> OracleHomes;
int OracleHomeOnPath = -1;
std::string OracleHomeName;
std::string OracleHomePath;
std::string OCIDLL;
std::string OCISecondLibrary;
std::string OCIClientVersionText;
uint16_t OCIVersion = 0;
std::atomic<uint8_t> DefaultCallStyle{0};
std::atomic<uint8_t> PossibleCallStyles{0};
bool OCILite = false;
bool OCILoaded = false;
std::atomic<bool> OCIInited = false;
OCIEnv* hOCIEnv = nullptr;
OCIError* hOCIError = nullptr;
bool OCI7Initialized = false;

bool OCIThreaded = true;
bool OCIMutexed = true;
bool OCIShared = false;
bool OCIEvents = true;
uint16_t OCIEventsVersion = 10200;
bool OCIObjects = true;
int OCIErrorBufferSize = 512;

void* hOCILib = nullptr;
void* hOCISecondLib = nullptr;

std::mutex& OciEnvironmentLock() {
  static std::mutex lock;
  return lock;
}

std::mutex& OciMtsLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace oracle
