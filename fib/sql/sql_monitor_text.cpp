#include "fib/sql/sql_monitor_text.h"

namespace fib {

std::string EscapeMonitorText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 32 || byte == '\t' || byte == '\n' || byte == '\r') {
      result += c;
    } else {
      result += "#$";
      result += kHex[byte >> 4];
      result += kHex[byte & 15];
    }
  }
  return result;
}

std::vector<std::string_view> SplitMonitorChunks(std::string_view text, std::size_t chunk_size) {
  std::vector<std::string_view> chunks;
  for (std::size_t pos = 0; pos < text.size(); pos += chunk_size)
    chunks.push_back(text.substr(pos, chunk_size));
  return chunks;
}

}  // namespace fib
