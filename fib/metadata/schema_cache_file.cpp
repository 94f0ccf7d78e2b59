#include "fib/metadata/schema_cache_file.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "classlib/exceptions.h"

namespace fib {

void CacheFileWriter::Integer(int32_t value) {
  uint32_t bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void CacheFileWriter::Byte(bool value) { bytes_ += static_cast<char>(value ? 1 : 0); }

void CacheFileWriter::String(const std::string& value) {
  Integer(static_cast<int32_t>(value.size()));
  bytes_ += value;
}

void CacheFileReader::Need(size_t count) const {
  if (count > bytes_.size() - pos_) throw CacheFileDamaged();
}

int32_t CacheFileReader::Integer() {
  Need(4);
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[pos_ + i])) << (8 * i);
  pos_ += 4;
  return static_cast<int32_t>(bits);
}

int32_t CacheFileReader::Count() {
  int32_t count = Integer();
  if (count < 0) throw CacheFileDamaged();
  return count;
}

bool CacheFileReader::Byte() {
  Need(1);
  return bytes_[pos_++] != 0;
}

std::string CacheFileReader::String() {
  int32_t length = Count();
  Need(static_cast<size_t>(length));
  std::string value = bytes_.substr(pos_, static_cast<size_t>(length));
  pos_ += static_cast<size_t>(length);
  return value;
}

bool CacheFileReader::StartsWith(const std::string& raw) {
  if (bytes_.compare(0, raw.size(), raw) != 0) return false;
  pos_ = raw.size();
  return true;
}

std::string SideFileName(const std::string& file_name, const std::string& extension) {
  return std::filesystem::path(file_name).replace_extension(extension).string();
}

void SaveSchemaCache(const MetadataCaches& caches, const std::string& file_name) {
  SaveTableInfoFile(caches.TableInfo, file_name);
  SaveDataSetInfoFile(caches.DataSetInfo, SideFileName(file_name, ".dt"));
  SaveErrorMessagesFile(caches.ErrorMessages, SideFileName(file_name, ".err"));
}

bool LoadSchemaCache(MetadataCaches& caches, const std::string& file_name, bool validate) {
  bool loaded = LoadTableInfoFile(caches.TableInfo, file_name);
  caches.TableInfo.SetValidateAfterLoad(validate);
  LoadDataSetInfoFile(caches.DataSetInfo, SideFileName(file_name, ".dt"));
  caches.DataSetInfo.SetValidateAfterLoad(validate);
  LoadErrorMessagesFile(caches.ErrorMessages, SideFileName(file_name, ".err"));
  return loaded;
}

namespace cache_file_io {

bool ReadFile(const std::string& file_name, std::string& bytes) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) throw classlib::EReadError("Stream read error");
  return true;
}

void WriteFile(const std::string& file_name, const std::string& bytes) {
  std::string temporary = file_name + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      DeleteFile(temporary);
      throw classlib::EFCreateError("Cannot create file \"" + file_name + "\"");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, file_name, error);
  if (error) {
    DeleteFile(temporary);
    throw classlib::EFCreateError("Cannot create file \"" + file_name + "\"");
  }
}

void DeleteFile(const std::string& file_name) {
  std::error_code ignored;
  std::filesystem::remove(file_name, ignored);
}

}  // namespace cache_file_io

}  // namespace fib
