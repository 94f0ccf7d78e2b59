// The release of a client library that has no version call (clients before
// 10.2). Linux libraries carry no version resource; the release is the
// version suffix of the library's file name (libclntsh.so.10.1), followed
// through symbolic links to their targets, or the newest release whose
// first new call of the newer interface the library exports, whichever is
// later (8i and 9.2 clients kept the names libclntsh.so.8.0 and .9.0). Both
// tell a release to its minor number only, which is not enough where
// clients of one minor release differ (8.1.5 and 8.1.7): the release the
// library's own banner names in full ("Release 8.1.7.0.0") then tells it,
// when the file carries one of that minor release.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "platform/dynlib.h"

namespace oracle {

namespace {

// Each release by a call it was the first to offer, newest first.
struct FirstCall {
  const char* name;
  const char* release;
};

constexpr FirstCall kFirstCalls[] = {
    {"OCILobRead2", "10.1"},         {"OCIStmtPrepare2", "9.2"}, {"OCIDateTimeConstruct", "9.0"},
    {"OCIEnvCreate", "8.1"},         {"OCIInitialize", "8.0"},   {"olog", "7.3"},
};

// Links followed at most, so that a loop of links ends.
constexpr int kMaxLinks = 16;

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a symbolic link names, as a path; empty when it is no link.
std::string LinkTarget(const std::string& path) {
  std::vector<char> buffer(4096);
  const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return "";
  std::string target(buffer.data(), static_cast<size_t>(length));
  if (target.front() == '/') return target;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
}

std::string ReleaseOfExports() {
  for (const FirstCall& call : kFirstCalls)
    if (platform::GetProcAddress(hOCILib, call.name)) return call.release;
  return "";
}

// A release named in full: at least three numbers joined by dots.
bool IsFullRelease(const std::string& text) {
  return VersionSuffixOf("libclntsh.so." + text) == text && std::count(text.begin(), text.end(), '.') >= 2;
}

// The whole library file; empty when it cannot be read.
std::string FileBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) return "";
  std::string bytes(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

}  // namespace

std::string ReleaseOfBanner(std::string_view bytes, const std::string& known) {
  if (known.empty()) return "";
  const std::string_view marker = "Release ";
  for (size_t at = bytes.find(marker); at != std::string_view::npos; at = bytes.find(marker, at + 1)) {
    const size_t start = at + marker.size();
    size_t end = start;
    while (end < bytes.size() && ((bytes[end] >= '0' && bytes[end] <= '9') || bytes[end] == '.')) ++end;
    const std::string release(bytes.substr(start, end - start));
    if (IsFullRelease(release) && release.compare(0, known.size() + 1, known + ".") == 0) return release;
  }
  return "";
}

std::string VersionSuffixOf(const std::string& file_name) {
  const size_t so = file_name.rfind(".so.");
  if (so == std::string::npos) return "";
  const std::string suffix = file_name.substr(so + 4);
  bool digit_before = false;
  for (char c : suffix) {
    if (c == '.' && digit_before) {
      digit_before = false;
    } else if (c >= '0' && c <= '9') {
      digit_before = true;
    } else {
      return "";
    }
  }
  return digit_before ? suffix : "";
}

bool ExportsOciCalls() { return hOCILib && !ReleaseOfExports().empty(); }

std::string GetFileVersionText(const std::string& path) {
  // A path is the file the library was loaded from; a bare name was
  // searched for by the loader, which knows the file it found.
  std::string file = platform::MapLibraryName(path);
  if (file.find('/') == std::string::npos && hOCILib) file = platform::GetModuleFileName(hOCILib);
  const std::string library = file;
  std::string named;
  for (int link = 0; link <= kMaxLinks && !file.empty() && named.empty(); ++link) {
    named = VersionSuffixOf(FileNameOf(file));
    file = LinkTarget(file);
  }
  const std::string exported = hOCILib ? ReleaseOfExports() : "";
  // The older interface's one marker tells no release of its own apart: a
  // name's 7.2 stays 7.2.
  const uint16_t exported_version = ParseClientVersion(exported);
  const std::string release =
      named.empty() || (exported_version >= 8000 && exported_version > ParseClientVersion(named)) ? exported : named;
  if (release.empty() || IsFullRelease(release)) return release;
  const std::string banner = ReleaseOfBanner(FileBytes(library), release);
  return banner.empty() ? release : banner;
}

bool ClientReleaseMayBeIn(uint16_t low, uint16_t high) {
  if (OCIVersion >= low && OCIVersion <= high) return true;
  if (IsFullRelease(OCIClientVersionText)) return false;
  // Only the minor release is known: any of its updates may be the one.
  const uint16_t first = OCIVersion, last = static_cast<uint16_t>(OCIVersion + 99);
  return first <= high && last >= low;
}

bool ClientReleaseIsIn(uint16_t low, uint16_t high) {
  if (IsFullRelease(OCIClientVersionText)) return OCIVersion >= low && OCIVersion <= high;
  return OCIVersion >= low && OCIVersion + 99 <= high;
}

}  // namespace oracle
