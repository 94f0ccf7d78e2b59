#include "fib/statements/blob_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fib {
namespace {

void AppendInt32(std::string& out, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void AppendText(std::string& out, std::string_view text) {
  AppendInt32(out, static_cast<int32_t>(text.size()));
  out.append(text);
}

// Reads a file from the front, never past its end: every length read from
// the file is compared with what is left before it is used.
class BoundedReader {
 public:
  BoundedReader(std::FILE* file, int64_t size) : file_(file), left_(size) {}

  bool Bytes(std::string& out, int64_t count) {
    if (count < 0 || count > left_) return false;
    out.resize(static_cast<size_t>(count));
    if (count > 0 && std::fread(out.data(), 1, out.size(), file_) != out.size()) return false;
    left_ -= count;
    return true;
  }
  bool Int32(int32_t& value) {
    unsigned char b[4];
    if (left_ < 4 || std::fread(b, 1, 4, file_) != 4) return false;
    left_ -= 4;
    value = static_cast<int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t{b[3]} << 24));
    return true;
  }
  bool Text(std::string& out) {
    int32_t length = 0;
    return Int32(length) && Bytes(out, length);
  }
  int64_t Left() const { return left_; }

 private:
  std::FILE* file_;
  int64_t left_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool ReadIdentity(BoundedReader& in, BlobCacheIdentity& id, int32_t& data_length) {
  std::string header;
  int32_t version = 0;
  if (!in.Bytes(header, kBlobCacheHeader.size()) || header != kBlobCacheHeader) return false;
  if (!in.Int32(version) || version != kBlobCacheVersion) return false;
  int32_t words[2];
  if (!in.Int32(words[0]) || !in.Int32(words[1])) return false;
  id.blob_id.gds_quad_high = words[0];
  id.blob_id.gds_quad_low = static_cast<ISC_ULONG>(words[1]);
  if (!in.Int32(data_length) || !in.Int32(id.key_count)) return false;
  if (data_length < 0 || id.key_count < 0) return false;
  return in.Text(id.table_name) && in.Text(id.field_name) && in.Text(id.key_string);
}

bool NeedsEscape(unsigned char c, bool first) {
  if (first && c == '.') return true;
  return c == '/' || c == '\\' || c == '%' || c < 0x20 || c >= 0x7F;
}

}  // namespace

bool operator==(const BlobCacheIdentity& a, const BlobCacheIdentity& b) {
  return a.blob_id.gds_quad_high == b.blob_id.gds_quad_high &&
         a.blob_id.gds_quad_low == b.blob_id.gds_quad_low && a.key_count == b.key_count &&
         a.table_name == b.table_name && a.field_name == b.field_name &&
         a.key_string == b.key_string;
}

std::string BlobKeyString(const std::vector<classlib::Variant>& key_values) {
  std::string result;
  for (size_t i = 0; i < key_values.size(); ++i) {
    if (i > 0) result += '_';
    result += classlib::VarToStr(key_values[i]);
  }
  return result;
}

std::string EscapeCachePathPart(const std::string& part) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string result;
  for (size_t i = 0; i < part.size(); ++i) {
    auto c = static_cast<unsigned char>(part[i]);
    if (NeedsEscape(c, i == 0)) {
      result += '%';
      result += kHex[c >> 4];
      result += kHex[c & 0xF];
    } else {
      result += static_cast<char>(c);
    }
  }
  return result;
}

std::string BlobCachePath(const std::string& folder, const BlobCacheIdentity& identity) {
  return folder + EscapeCachePathPart(identity.table_name) + "/" +
         EscapeCachePathPart(identity.field_name) + "/" + EscapeCachePathPart(identity.key_string) +
         ".blb";
}

std::string DefaultBlobCacheFolder() {
  // Paths here are file-system paths, so the environment is read as it is
  // rather than through the layer's ANSI conversion.
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  std::string base;
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return {};
    base = std::string(home) + "/.cache";
  }
  if (base.back() != '/') base += '/';
  return base + "updater/blob-cache/";
}

classlib::TCriticalSection& BlobCacheLock() {
  static classlib::TCriticalSection lock;
  return lock;
}

bool WriteBlobCacheFile(const std::string& path, const BlobCacheIdentity& identity,
                        std::string_view data) {
  std::string head(kBlobCacheHeader);
  AppendInt32(head, kBlobCacheVersion);
  AppendInt32(head, identity.blob_id.gds_quad_high);
  AppendInt32(head, static_cast<int32_t>(identity.blob_id.gds_quad_low));
  AppendInt32(head, static_cast<int32_t>(data.size()));
  AppendInt32(head, identity.key_count);
  AppendText(head, identity.table_name);
  AppendText(head, identity.field_name);
  AppendText(head, identity.key_string);

  std::filesystem::path target(path);
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  std::string temp = path + ".tmp";
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temp.c_str(), "wb"));
  if (!file) return false;
  bool written =
      std::fwrite(head.data(), 1, head.size(), file.get()) == head.size() &&
      (data.empty() || std::fwrite(data.data(), 1, data.size(), file.get()) == data.size());
  written = std::fclose(file.release()) == 0 && written;
  if (written) std::filesystem::rename(temp, target, error);
  if (written && !error) return true;
  std::filesystem::remove(temp, error);
  return false;
}

std::optional<BlobCacheFile> ReadBlobCacheFile(const std::string& path, bool with_data) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  struct stat info {};
  if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  BoundedReader in(file.get(), info.st_size);
  BlobCacheFile result;
  int32_t data_length = 0;
  if (!ReadIdentity(in, result.identity, data_length)) return std::nullopt;
  // The data must fill the rest of the file exactly: a shorter file was cut
  // off, a longer one was not written by us.
  if (in.Left() != data_length) return std::nullopt;
  if (with_data && !in.Bytes(result.data, data_length)) return std::nullopt;
  return result;
}

void DeleteBlobCacheFile(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

// ---- TBlobCache ----------------------------------------------------------

TBlobCache::TBlobCache(classlib::TComponent* owner) : options_(owner) {}

std::string TBlobCache::Folder() const {
  if (!options_.Active()) return {};
  if (!options_.SwapDirStored() || options_.SwapDir().empty()) return DefaultBlobCacheFolder();
  return options_.GetSwapDir();
}

std::optional<std::string> TBlobCache::Load(const BlobCacheIdentity& identity,
                                            const std::vector<classlib::Variant>& key_values,
                                            int64_t expected_length) {
  if (designing_) return std::nullopt;
  std::string folder = Folder();
  if (folder.empty()) return std::nullopt;
  std::string file_name = BlobCachePath(folder, identity);
  bool can_load = true;
  if (BeforeLoadBlobFromSwap)
    BeforeLoadBlobFromSwap(identity.table_name, identity.field_name, key_values, file_name,
                           can_load);
  if (!can_load || file_name.empty()) return std::nullopt;

  std::optional<BlobCacheFile> file;
  {
    classlib::CriticalSectionGuard guard(BlobCacheLock());
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(file_name, ignored)) return std::nullopt;
    file = ReadBlobCacheFile(file_name, true);
    bool matches = file && file->identity == identity &&
                   (expected_length < 0 || int64_t(file->data.size()) == expected_length);
    if (!matches) {
      // Outdated or damaged: the blob comes from the server instead.
      DeleteBlobCacheFile(file_name);
      return std::nullopt;
    }
  }
  if (AfterLoadBlobFromSwap)
    AfterLoadBlobFromSwap(identity.table_name, identity.field_name, key_values, file_name);
  return std::move(file->data);
}

void TBlobCache::Save(const BlobCacheIdentity& identity,
                      const std::vector<classlib::Variant>& key_values, classlib::TStream* stream,
                      std::string_view raw_data) {
  if (designing_ || identity.blob_id.gds_quad_high == 0) return;
  if (int64_t(raw_data.size()) < options_.MinBlobSizeToSwap()) return;
  std::string folder = Folder();
  if (folder.empty()) return;
  std::string file_name = BlobCachePath(folder, identity);
  bool can_save = true;
  if (BeforeSaveBlobToSwap)
    BeforeSaveBlobToSwap(identity.table_name, identity.field_name, key_values, stream, file_name,
                         can_save);
  if (!can_save || file_name.empty()) return;
  bool written;
  {
    classlib::CriticalSectionGuard guard(BlobCacheLock());
    written = WriteBlobCacheFile(file_name, identity, raw_data);
  }
  // A cache that cannot be written (disk full, no rights) is simply not
  // used: the blob itself was read.
  if (written && AfterSaveBlobToSwap)
    AfterSaveBlobToSwap(identity.table_name, identity.field_name, key_values, file_name);
}

}  // namespace fib
