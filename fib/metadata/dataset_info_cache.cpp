#include "fib/metadata/dataset_info_cache.h"

#include "fib/metadata/repository_sql.h"

namespace fib {

std::string ListText(const std::string& text) {
  std::string result;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    result += text.substr(start, end - start) + "\r\n";
    // One break is CR LF, a lone CR or a lone LF.
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  return result;
}

TpDataSetInfoCollect::TpDataSetInfoCollect(RepositoryFlags& flags) : flags_(flags) {}

TpDataSetInfoCollect::Infos::iterator TpDataSetInfoCollect::Find(const std::string& db_name,
                                                                 int id) {
  auto [first, last] = infos_.equal_range(std::to_string(id));
  for (auto it = first; it != last; ++it) {
    if (it->second.DBName == db_name) return it;
  }
  return infos_.end();
}

TpDataSetInfo TpDataSetInfoCollect::FindDataSetInfo(IMetadataSource& source, int id,
                                                    const std::string& data_set_name) {
  classlib::CriticalSectionGuard guard(section_);
  auto it = Find(source.DBName(), id);
  if (it != infos_.end() && it->second.NeedValidate && validate_after_load_) {
    int version = SelectInteger(source, repository_sql::kDataSetVersion,
                                {{"DS_ID", classlib::Variant(id)}});
    source.Commit();
    if (version != it->second.ZODVersion) {
      infos_.erase(it);
      it = infos_.end();
    } else {
      it->second.NeedValidate = false;
    }
  }
  if (it == infos_.end()) {
    TpDataSetInfo info;
    ReadDataSetInfo(&source, flags_, data_set_name, id, info);
    info.DBName = source.DBName();
    it = infos_.emplace(std::to_string(id), std::move(info));
  }
  return it->second;
}

void TpDataSetInfoCollect::Forget(const std::string& db_name, int id) {
  classlib::CriticalSectionGuard guard(section_);
  auto it = Find(db_name, id);
  if (it != infos_.end()) infos_.erase(it);
}

void TpDataSetInfoCollect::Clear() {
  classlib::CriticalSectionGuard guard(section_);
  infos_.clear();
}

void TpDataSetInfoCollect::RemoveDatabase(const std::string& db_name) {
  classlib::CriticalSectionGuard guard(section_);
  std::erase_if(infos_, [&](const auto& entry) { return entry.second.DBName == db_name; });
}

int TpDataSetInfoCollect::Count() const {
  classlib::CriticalSectionGuard guard(section_);
  return static_cast<int>(infos_.size());
}

std::vector<std::pair<std::string, TpDataSetInfo>> TpDataSetInfoCollect::Snapshot() const {
  classlib::CriticalSectionGuard guard(section_);
  return {infos_.begin(), infos_.end()};
}

void TpDataSetInfoCollect::Add(const std::string& key, TpDataSetInfo info) {
  classlib::CriticalSectionGuard guard(section_);
  infos_.emplace(key, std::move(info));
}

}  // namespace fib
