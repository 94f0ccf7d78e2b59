#include "classlib/ansistr.h"

#include <algorithm>

namespace classlib {

namespace {

constexpr std::string_view kPathDelimiters = "\\/";
constexpr std::string_view kNameDelimiters = "\\/:";  // folders and the drive
constexpr std::string_view kExtDelimiters = ".\\/:";

bool IsSlash(char c) { return c == '\\' || c == '/'; }

// Length of the part of path before its file name (delimiter included).
size_t FolderLength(std::string_view path) {
  return static_cast<size_t>(LastDelimiter(kNameDelimiters, path));
}

// Position (0-based) of the dot that starts the extension, or npos.
size_t ExtStart(std::string_view path) {
  int at = LastDelimiter(kExtDelimiters, path);
  return at > 0 && path[at - 1] == '.' ? static_cast<size_t>(at - 1) : path.npos;
}

}  // namespace

bool IsPathDelimiter(std::string_view s, int index) {
  return IsDelimiter(kPathDelimiters, s, index);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || !IsSlash(out.back())) out += '/';
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  if (!path.empty() && IsSlash(path.back())) path.remove_suffix(1);
  return std::string(path);
}

std::string ExtractFilePath(std::string_view path) {
  return std::string(path.substr(0, FolderLength(path)));
}

// The folder without its trailing delimiter, except where that delimiter is
// the root itself ("/", "C:\").
std::string ExtractFileDir(std::string_view path) {
  size_t n = FolderLength(path);
  if (n > 1 && IsSlash(path[n - 1]) && kNameDelimiters.find(path[n - 2]) == kNameDelimiters.npos)
    --n;
  return std::string(path.substr(0, n));
}

// "C:" of a drive path, "\\server\share" of a network path, else empty.
std::string ExtractFileDrive(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() < 2 || !IsSlash(path[0]) || !IsSlash(path[1])) return {};
  size_t server_end = path.find_first_of(kPathDelimiters, 2);
  if (server_end == path.npos || server_end == 2) return {};
  size_t share_end = path.find_first_of(kPathDelimiters, server_end + 1);
  return std::string(path.substr(0, share_end));
}

std::string ExtractFileName(std::string_view path) {
  return std::string(path.substr(FolderLength(path)));
}

std::string ExtractFileExt(std::string_view path) {
  size_t dot = ExtStart(path);
  return dot == path.npos ? std::string() : std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  std::string out(path.substr(0, std::min(ExtStart(path), path.size())));
  out += ext;
  return out;
}

}  // namespace classlib
