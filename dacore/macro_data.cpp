// The older stored form of a macro list ("Data"): a marker byte (100: a form
// with activity flags, followed by one unused byte), then one entry per
// macro of the list: name length (1 byte), name, value length (2 bytes, least
// significant first), value, and in the form marked 100 an activity byte.
//
// Values are read whole whatever their length, so the entries behind a long
// value stay in step; data that ends inside an entry raises EReadError
// rather than reading past its end.
#include "classlib/exceptions.h"
#include "dacore/macro_macros.h"

namespace dacore {

namespace {

constexpr uint8_t kFormWithActivity = 100;

class TByteReader {
 public:
  explicit TByteReader(std::span<const uint8_t> data) : data_(data) {}

  uint8_t Byte() { return Take(1)[0]; }
  unsigned Word() {
    std::span<const uint8_t> b = Take(2);
    return b[0] | (static_cast<unsigned>(b[1]) << 8);
  }
  std::string Text(size_t length) {
    std::span<const uint8_t> b = Take(length);
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
  }

 private:
  std::span<const uint8_t> Take(size_t count) {
    if (data_.size() - pos_ < count) throw classlib::EReadError("Stream read error");
    std::span<const uint8_t> bytes = data_.subspan(pos_, count);
    pos_ += count;
    return bytes;
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace

void TMacros::ReadData(std::span<const uint8_t> data) {
  TByteReader reader(data);
  const bool with_activity = reader.Byte() == kFormWithActivity;
  if (with_activity) reader.Byte();
  const int entries = Count();
  for (int i = 0; i < entries; ++i) {
    const std::string name = reader.Text(reader.Byte());
    const std::string value = reader.Text(reader.Word());
    const bool active = with_activity ? reader.Byte() != 0 : true;
    TMacro* macro = MacroByName(name);
    macro->SetValue(value);
    if (with_activity) macro->SetActive(active);
  }
}

}  // namespace dacore
