// DATE bytes, milliseconds, big-endian bytes and ROWID texts.
#include "oracle/cursor_conversions.h"

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "oracle/call_binding.h"

namespace oracle {

namespace {

constexpr double kMSecsPerDay = 86400000.0;
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The big-endian bytes as base-64 digits, zero-extended at the top to a
// whole number of 6-bit digits.
std::string Base64Digits(const uint8_t* bytes, size_t count) {
  const size_t bits = count * 8;
  const size_t digits = (bits + 5) / 6;
  std::string text(digits, 'A');
  // Walk from the least significant bit upwards.
  for (size_t d = 0; d < digits; ++d) {
    unsigned value = 0;
    for (unsigned bit = 0; bit < 6; ++bit) {
      const size_t position = d * 6 + bit;  // from the low end
      if (position >= bits) break;
      const uint8_t byte = bytes[count - 1 - position / 8];
      if (byte & (1u << (position % 8))) value |= 1u << bit;
    }
    text[digits - 1 - d] = kBase64[value];
  }
  return text;
}

template <class T>
T ReadHost(const uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

}  // namespace

bool OraDateToDateTime(const uint8_t* bytes, classlib::TDateTime& value, TDayCache* cache) {
  if (bytes[0] == 100 && bytes[1] == 100) return false;
  if (bytes[2] == 0 || bytes[2] > 12 || bytes[3] == 0 || bytes[3] > 31) return false;
  if (bytes[4] == 0 || bytes[5] == 0 || bytes[6] == 0) return false;
  if (bytes[4] > 24 || bytes[5] > 60 || bytes[6] > 60) return false;
  // Every DATE of a fetch passes here: no exceptions, and a day of a month
  // seen last is a sum.
  const uint32_t key = static_cast<uint32_t>(bytes[0]) << 16 | static_cast<uint32_t>(bytes[1]) << 8 | bytes[2];
  classlib::TDateTime date;
  if (cache && cache->key == key) {
    if (bytes[3] > cache->days) return false;  // a day the month does not have
    date = cache->month_start + (bytes[3] - 1);  // whole days: exact
  } else {
    const int year = std::abs((bytes[0] - 100) * 100 + bytes[1] - 100);
    if (!classlib::TryEncodeDate(year, bytes[2], bytes[3], date)) return false;
    if (cache) *cache = TDayCache{key, date - (bytes[3] - 1), classlib::DaysInMonth(year, bytes[2])};
  }
  const int seconds = ((bytes[4] - 1) * 60 + bytes[5] - 1) * 60 + bytes[6] - 1;
  const double time = static_cast<double>(seconds * 1000) / kMSecsPerDay;
  value = date < 0 ? date - time : date + time;
  return true;
}

void DateTimeToOraDate(classlib::TDateTime value, uint8_t* bytes) {
  int year, month, day, hour, minute, second, msec;
  classlib::DecodeDate(value, year, month, day);
  classlib::DecodeTime(value, hour, minute, second, msec);
  bytes[0] = static_cast<uint8_t>(year / 100 + 100);
  bytes[1] = static_cast<uint8_t>(year % 100 + 100);
  bytes[2] = static_cast<uint8_t>(month);
  bytes[3] = static_cast<uint8_t>(day);
  bytes[4] = static_cast<uint8_t>(hour + 1);
  bytes[5] = static_cast<uint8_t>(minute + 1);
  bytes[6] = static_cast<uint8_t>(second + 1);
}

double DateTimeToMSecs(classlib::TDateTime value) {
  return classlib::TimeStampToMSecs(classlib::DateTimeToTimeStamp(value));
}

classlib::TDateTime MSecsToDateTime(double msecs) {
  return classlib::TimeStampToDateTime(classlib::MSecsToTimeStamp(std::round(msecs)));
}

void WordToBytesBE(uint16_t value, uint8_t* bytes) {
  bytes[0] = static_cast<uint8_t>(value >> 8);
  bytes[1] = static_cast<uint8_t>(value);
}

void IntToBytesBE(uint32_t value, uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

uint16_t NormalizeRowIdWord(uint16_t value) {
  return value != 0 && (value & 0xFF) == 0 ? static_cast<uint16_t>(value >> 8) : value;
}

std::string OraRowIdToText(const TRowIdParts& parts) {
  if (parts.ObjectNumber == 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%08X.%04X.%04X", parts.BlockNumber, parts.RowNumber,
                  parts.FileNumber);
    return text;
  }
  uint8_t object[4], file[2], block[4], row[2];
  IntToBytesBE(parts.ObjectNumber, object);
  WordToBytesBE(parts.FileNumber, file);
  IntToBytesBE(parts.BlockNumber, block);
  WordToBytesBE(parts.RowNumber, row);
  return Base64Digits(object, 4) + Base64Digits(file, 2) + Base64Digits(block, 4) +
         Base64Digits(row, 2);
}

TRowIdParts RowIdPartsOfRecord(const uint8_t* record) {
  TRowIdParts parts;
  parts.ObjectNumber = ReadHost<uint32_t>(record);
  parts.FileNumber = NormalizeRowIdWord(ReadHost<uint16_t>(record + 4));
  parts.BlockNumber = ReadHost<uint32_t>(record + 7);
  parts.RowNumber = NormalizeRowIdWord(ReadHost<uint16_t>(record + 11));
  return parts;
}

TRowIdParts RowIdPartsOfDescriptor(const uint8_t* bytes) {
  TRowIdParts parts;
  parts.ObjectNumber = bytes[0] ? ReadHost<uint32_t>(bytes + 1) : 0;
  parts.FileNumber = ReadHost<uint16_t>(bytes + 5);
  parts.BlockNumber = ReadHost<uint32_t>(bytes + 7);
  parts.RowNumber = ReadHost<uint16_t>(bytes + 11);
  return parts;
}

std::string URowIdToText(const uint8_t* bytes, size_t length) {
  if (length <= 1) return "*";
  return "*" + Base64Digits(bytes + 1, length - 1);
}

void EnsureOciInit() { InitOciEnvironment(); }

}  // namespace oracle
