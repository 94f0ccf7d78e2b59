// The schema cache files: the metadata caches kept on the local disk
// between runs. One cache is three files: the table-info file under the
// given name, the data-set-info file with the extension ".dt" and the
// error-message file with ".err".
//
// Integers are 32-bit little-endian, Booleans one byte, strings a 32-bit
// length and that many bytes. Every length read is checked against what is
// left of the file: a damaged or cut file is deleted and loads nothing.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "fib/metadata/metadata_cache.h"

namespace fib {

// A cache file whose contents do not fit its layout.
class CacheFileDamaged : public std::runtime_error {
 public:
  CacheFileDamaged() : std::runtime_error("damaged cache file") {}
};

class CacheFileWriter {
 public:
  void Integer(int32_t value);
  void Byte(bool value);
  void String(const std::string& value);
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

class CacheFileReader {
 public:
  explicit CacheFileReader(std::string bytes) : bytes_(std::move(bytes)) {}
  // Each raises CacheFileDamaged when the file ends first.
  int32_t Integer();
  // A count of following records; negative ones are damage too.
  int32_t Count();
  bool Byte();
  std::string String();
  // For the headers written without their length: true (and skipped) when
  // the file starts with exactly these bytes.
  bool StartsWith(const std::string& raw);

 private:
  void Need(size_t count) const;
  std::string bytes_;
  size_t pos_ = 0;
};

// The ".dt" or ".err" name beside the table-info file.
std::string SideFileName(const std::string& file_name, const std::string& extension);

// Each save deletes the file when its cache is empty.
void SaveTableInfoFile(const TpZODTableInfoCollect& cache, const std::string& file_name);
void SaveDataSetInfoFile(const TpDataSetInfoCollect& cache, const std::string& file_name);
void SaveErrorMessagesFile(const TpErrorMessagesCollect& cache, const std::string& file_name);
// Each load clears the cache first. The table-info load answers whether
// the file was there to read (an older version loads nothing but counts).
bool LoadTableInfoFile(TpZODTableInfoCollect& cache, const std::string& file_name);
void LoadDataSetInfoFile(TpDataSetInfoCollect& cache, const std::string& file_name);
void LoadErrorMessagesFile(TpErrorMessagesCollect& cache, const std::string& file_name);

void SaveSchemaCache(const MetadataCaches& caches, const std::string& file_name);
bool LoadSchemaCache(MetadataCaches& caches, const std::string& file_name, bool validate);

// Whole-file reading and replacing; used by the three formats.
namespace cache_file_io {
// False when the file does not exist.
bool ReadFile(const std::string& file_name, std::string& bytes);
// Written beside the target and renamed over it, so a crash mid-write
// never leaves a cut file under the cache's name.
void WriteFile(const std::string& file_name, const std::string& bytes);
void DeleteFile(const std::string& file_name);
}  // namespace cache_file_io

}  // namespace fib
