// The stand-in's date-time and interval entries, and OCIDescriptorAlloc for
// every descriptor kind the value classes use. Date-times are formatted and
// parsed through the elements of the format models the layer builds: YYYY,
// MM, MON, MONTH, DD, DY, DAY, HH24, HH12, HH, MI, SS, FF and FF1..FF9, AM/PM,
// TZH, TZM, "fm" (no padding until the next "fm"), quoted literals and
// punctuation. Interval texts are "[+-]Y-M" and "[+-]D HH:MI:SS[.F]".
#include <algorithm>
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

const char* const kMonths[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                 "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char* const kDays[7] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

bool Leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysIn(int y, int m) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && Leap(y) ? 29 : days[m - 1];
}
// Days from 1970-01-01 (proleptic Gregorian).
int64_t DayNumber(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

std::string Padded(int64_t value, int width, bool fill) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (fill && static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return (value < 0 ? "-" : "") + digits;
}

std::string Capitalised(const std::string& word, const std::string& model) {
  // An all-capital element gives capitals, a capitalised one a capital first.
  if (model.size() > 1 && model[1] >= 'a' && model[1] <= 'z') {
    std::string out = word.substr(0, 1);
    for (size_t i = 1; i < word.size(); ++i) out += static_cast<char>(word[i] - 'A' + 'a');
    return out;
  }
  return word;
}

// The elements, longest first so HH24 wins over HH.
const char* const kElements[] = {"MONTH", "YYYY", "HH24", "HH12", "TZH", "TZM", "MON", "DAY", "FF",
                                 "DD", "DY", "MM", "HH", "MI", "SS", "AM", "PM", "FM"};

std::string ElementAt(const std::string& model, size_t at) {
  std::string upper = Upper(model.substr(at, 5));
  for (const char* element : kElements)
    if (upper.rfind(element, 0) == 0) return element;
  return "";
}

std::string Format(const DateTimeValue& v, const std::string& model, int precision, bool with_zone) {
  std::string out;
  bool fill = true;
  for (size_t i = 0; i < model.size();) {
    if (model[i] == '"') {
      size_t end = model.find('"', i + 1);
      if (end == std::string::npos) end = model.size();
      out += model.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    std::string element = ElementAt(model, i);
    std::string written = model.substr(i, element.size());
    if (element.empty()) {
      out += model[i++];
      continue;
    }
    i += element.size();
    int hour12 = v.hour % 12 == 0 ? 12 : v.hour % 12;
    if (element == "FM") fill = !fill;
    else if (element == "YYYY") out += Padded(v.year, 4, fill);
    else if (element == "MM") out += Padded(v.month, 2, fill);
    else if (element == "MON") out += Capitalised(std::string(kMonths[v.month - 1]).substr(0, 3), written);
    else if (element == "MONTH") out += Capitalised(kMonths[v.month - 1], written);
    else if (element == "DD") out += Padded(v.day, 2, fill);
    else if (element == "DY" || element == "DAY") {
      std::string day = kDays[((DayNumber(v.year, v.month, v.day) % 7) + 11) % 7];
      out += Capitalised(element == "DY" ? day.substr(0, 3) : day, written);
    } else if (element == "HH24") out += Padded(v.hour, 2, fill);
    else if (element == "HH12" || element == "HH") out += Padded(hour12, 2, fill);
    else if (element == "MI") out += Padded(v.minute, 2, fill);
    else if (element == "SS") out += Padded(v.second, 2, fill);
    else if (element == "AM" || element == "PM") out += v.hour < 12 ? "AM" : "PM";
    else if (element == "FF") {
      int digits = precision;
      if (i < model.size() && model[i] >= '1' && model[i] <= '9') digits = model[i++] - '0';
      std::string fraction = Padded(v.fraction, 9, true);
      out += fraction.substr(0, static_cast<size_t>(digits));
    } else if (element == "TZH") out += (v.zone_minutes < 0 ? "-" : "+") + Padded(std::abs(v.zone_minutes) / 60, 2, true);
    else if (element == "TZM") out += Padded(std::abs(v.zone_minutes) % 60, 2, true);
    (void)with_zone;
  }
  return out;
}

// Reads up to `max` digits; false when none is there.
bool Digits(const std::string& text, size_t& at, int max, int64_t& value, int& count) {
  value = 0;
  count = 0;
  while (at < text.size() && count < max && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + (text[at++] - '0');
    ++count;
  }
  return count > 0;
}

// Parses text through a model; answers 0 or an Oracle error code.
int Parse(const std::string& text, const std::string& model, DateTimeValue& v) {
  DateTimeValue out;
  bool pm = false, twelve = false;
  size_t at = 0;
  int sign = 1;
  for (size_t i = 0; i < model.size();) {
    if (model[i] == '"') {
      size_t end = model.find('"', i + 1);
      if (end == std::string::npos) end = model.size();
      std::string literal = model.substr(i + 1, end - i - 1);
      if (text.compare(at, literal.size(), literal) != 0) return 1861;
      at += literal.size();
      i = end + 1;
      continue;
    }
    std::string element = ElementAt(model, i);
    if (element.empty()) {
      if (at >= text.size() || text[at] != model[i]) return 1861;
      ++at;
      ++i;
      continue;
    }
    i += element.size();
    int64_t value = 0;
    int count = 0;
    if (element == "FM") continue;
    if (element == "AM" || element == "PM") {
      std::string marker = Upper(text.substr(at, 2));
      if (marker != "AM" && marker != "PM") return 1855;
      pm = marker == "PM";
      at += 2;
      continue;
    }
    if (element == "MON" || element == "MONTH" || element == "DY" || element == "DAY") {
      std::string rest = Upper(text.substr(at));
      bool found = false;
      for (int m = 0; m < 12 && (element == "MON" || element == "MONTH"); ++m) {
        std::string name = element == "MON" ? std::string(kMonths[m]).substr(0, 3) : kMonths[m];
        if (rest.rfind(name, 0) == 0) {
          out.month = m + 1;
          at += name.size();
          found = true;
          break;
        }
      }
      for (int d = 0; d < 7 && !found; ++d) {
        std::string name = element == "DY" ? std::string(kDays[d]).substr(0, 3) : kDays[d];
        if (rest.rfind(name, 0) == 0) {
          at += name.size();
          found = true;
        }
      }
      if (!found) return element[0] == 'M' ? 1843 : 1846;
      continue;
    }
    if (element == "TZH") {
      if (at < text.size() && (text[at] == '+' || text[at] == '-')) sign = text[at++] == '-' ? -1 : 1;
      if (!Digits(text, at, 2, value, count)) return 1858;
      out.zone_minutes = sign * static_cast<int>(value) * 60;
      continue;
    }
    int max = element == "YYYY" ? 4 : element == "FF" ? 9 : 2;
    if (element == "FF" && i < model.size() && model[i] >= '1' && model[i] <= '9') max = model[i++] - '0';
    if (!Digits(text, at, max, value, count)) return 1858;
    if (element == "YYYY") out.year = static_cast<int>(value);
    else if (element == "MM") out.month = static_cast<int>(value);
    else if (element == "DD") out.day = static_cast<int>(value);
    else if (element == "HH24") out.hour = static_cast<int>(value);
    else if (element == "HH12" || element == "HH") out.hour = static_cast<int>(value), twelve = true;
    else if (element == "MI") out.minute = static_cast<int>(value);
    else if (element == "SS") out.second = static_cast<int>(value);
    else if (element == "TZM") out.zone_minutes += sign * static_cast<int>(value);
    else if (element == "FF") {
      for (int k = count; k < 9; ++k) value *= 10;
      out.fraction = static_cast<ub4>(value);
    }
  }
  if (at != text.size()) return 1830;
  if (twelve) {
    if (out.hour < 1 || out.hour > 12) return 1849;
    out.hour = out.hour % 12 + (pm ? 12 : 0);
  }
  if (out.month < 1 || out.month > 12) return 1843;
  if (out.day < 1 || out.day > DaysIn(out.year, out.month)) return 1847;
  if (out.hour > 23) return 1850;
  if (out.minute > 59) return 1851;
  if (out.second > 59) return 1852;
  v = out;
  return 0;
}

std::string ErrorText(int code) {
  switch (code) {
    case 1830: return "ORA-01830: date format picture ends before converting entire input string";
    case 1843: return "ORA-01843: not a valid month";
    case 1846: return "ORA-01846: not a valid day of the week";
    case 1847: return "ORA-01847: day of month must be between 1 and last day of month";
    case 1849: return "ORA-01849: hour must be between 1 and 12";
    case 1850: return "ORA-01850: hour must be between 0 and 23";
    case 1851: return "ORA-01851: minutes must be between 0 and 59";
    case 1852: return "ORA-01852: seconds must be between 0 and 59";
    case 1855: return "ORA-01855: AM/A.M. or PM/P.M. required";
    case 1858: return "ORA-01858: a non-numeric character was found where a numeric was expected";
    default: return "ORA-01861: literal does not match format string";
  }
}

bool IsDateTime(ub4 type) {
  return type == OCI_DTYPE_TIMESTAMP || type == OCI_DTYPE_TIMESTAMP_TZ || type == OCI_DTYPE_TIMESTAMP_LTZ;
}
bool IsInterval(ub4 type) { return type == OCI_DTYPE_INTERVAL_YM || type == OCI_DTYPE_INTERVAL_DS; }

Handle* DateTime(State& state, const void* pointer) {
  Handle* handle = Live(state, pointer);
  return handle && IsDateTime(handle->type) ? handle : nullptr;
}
Handle* Interval(State& state, const void* pointer) {
  Handle* handle = Live(state, pointer);
  return handle && IsInterval(handle->type) ? handle : nullptr;
}

std::string Text(const OraText* text, size_t length) {
  return text ? std::string(reinterpret_cast<const char*>(text), length) : "";
}

// Seconds and nanoseconds since 1970 in UTC, for comparisons.
std::pair<int64_t, int64_t> Instant(const DateTimeValue& v) {
  int64_t seconds = DayNumber(v.year, v.month, v.day) * 86400 + v.hour * 3600 + v.minute * 60 + v.second -
                    v.zone_minutes * 60;
  return {seconds, v.fraction};
}

}  // namespace

std::string standin::IntervalText(const IntervalValue& v, bool year_to_month) {
  std::string text = v.negative ? "-" : "+";
  if (year_to_month) return text + Padded(v.years, 2, true) + "-" + Padded(v.months, 2, true);
  return text + Padded(v.days, 2, true) + " " + Padded(v.hours, 2, true) + ":" + Padded(v.minutes, 2, true) + ":" +
         Padded(v.seconds, 2, true) + "." + Padded(v.nanoseconds, 9, true);
}

bool standin::ParseInterval(std::string text, ub4 type, IntervalValue& out) {
  IntervalValue v;
  text = Trimmed(text);
  size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) v.negative = text[at++] == '-';
  int64_t value = 0;
  int count = 0;
  auto expect = [&](char c) { return at < text.size() && text[at++] == c; };
  if (type == OCI_DTYPE_INTERVAL_YM) {
    if (!Digits(text, at, 9, v.years, count) || !expect('-') || !Digits(text, at, 9, v.months, count)) return false;
  } else {
    if (!Digits(text, at, 9, v.days, count) || !expect(' ') || !Digits(text, at, 9, v.hours, count) ||
        !expect(':') || !Digits(text, at, 9, v.minutes, count) || !expect(':') ||
        !Digits(text, at, 9, v.seconds, count))
      return false;
    if (at < text.size() && text[at] == '.') {
      ++at;
      if (!Digits(text, at, 9, value, count)) return false;
      for (int k = count; k < 9; ++k) value *= 10;
      v.nanoseconds = value;
    }
  }
  if (at != text.size()) return false;
  out = v;
  return true;
}

namespace {

// Months, or nanoseconds, with the sign.
__int128 IntervalMagnitude(const IntervalValue& v, ub4 type) {
  __int128 total = type == OCI_DTYPE_INTERVAL_YM
                       ? static_cast<__int128>(v.years) * 12 + v.months
                       : ((static_cast<__int128>(v.days) * 24 + v.hours) * 60 + v.minutes) * 60 + v.seconds;
  if (type != OCI_DTYPE_INTERVAL_YM) total = total * 1000000000 + v.nanoseconds;
  return v.negative ? -total : total;
}

}  // namespace

extern "C" {

sword OCIDescriptorAlloc(const void* parent, void** descriptor, ub4 type, size_t, void**) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIDescriptorAlloc type=" + std::to_string(type));
  if (sword status = InjectedStatus(state, "OCIDescriptorAlloc", nullptr)) return status;
  Handle* env = Live(state, parent, OCI_HTYPE_ENV);
  bool known = type == OCI_DTYPE_LOB || type == OCI_DTYPE_FILE || type == OCI_DTYPE_ROWID ||
               type == OCI_DTYPE_XML_STREAM || IsDateTime(type) || IsInterval(type);
  if (!env || !descriptor || !known) return OCI_INVALID_HANDLE;
  *descriptor = NewHandle(state, type, env);
  return OCI_SUCCESS;
}

sword OCIDateTimeConstruct(void* env, OCIError* error, OCIDateTime* value, sb2 year, ub1 month, ub1 day,
                           ub1 hour, ub1 minute, ub1 second, ub4 fraction, const OraText* zone,
                           size_t zone_length) {
  State& state = TheState();
  Guard guard(state.lock);
  DateTimeValue v{year, month, day, hour, minute, second, fraction, 0};
  std::string zone_text = Text(zone, zone_length);
  state.log.push_back("OCIDateTimeConstruct " + Format(v, "YYYY-MM-DD HH24:MI:SS.FF9", 9, false) +
                      " zone=" + zone_text);
  Handle* live = DateTime(state, value);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live) return OCI_INVALID_HANDLE;
  if (!zone_text.empty()) {
    DateTimeValue zoned;
    if (Parse("2000-01-01 " + zone_text, "YYYY-MM-DD TZH:TZM", zoned) != 0)
      return Fail(state, error, 1857, "ORA-01857: not a valid time zone");
    v.zone_minutes = zoned.zone_minutes;
  }
  if (month < 1 || month > 12) return Fail(state, error, 1843, ErrorText(1843));
  if (day < 1 || day > DaysIn(year, month)) return Fail(state, error, 1847, ErrorText(1847));
  if (hour > 23 || minute > 59 || second > 59 || fraction > 999999999)
    return Fail(state, error, 1878, "ORA-01878: specified field not found in datetime or interval");
  live->value.date_time = v;
  live->value.has_value = true;
  return OCI_SUCCESS;
}

sword OCIDateTimeGetDate(void* env, OCIError* error, const OCIDateTime* value, sb2* year, ub1* month, ub1* day) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIDateTimeGetDate");
  Handle* live = DateTime(state, value);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !year || !month || !day) return OCI_INVALID_HANDLE;
  if (!live->value.has_value) return Fail(state, error, 1858, ErrorText(1858));
  *year = static_cast<sb2>(live->value.date_time.year);
  *month = static_cast<ub1>(live->value.date_time.month);
  *day = static_cast<ub1>(live->value.date_time.day);
  return OCI_SUCCESS;
}

sword OCIDateTimeGetTime(void* env, OCIError* error, OCIDateTime* value, ub1* hour, ub1* minute, ub1* second,
                         ub4* fraction) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIDateTimeGetTime");
  Handle* live = DateTime(state, value);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !hour || !minute || !second || !fraction)
    return OCI_INVALID_HANDLE;
  if (!live->value.has_value) return Fail(state, error, 1858, ErrorText(1858));
  const DateTimeValue& v = live->value.date_time;
  *hour = static_cast<ub1>(v.hour);
  *minute = static_cast<ub1>(v.minute);
  *second = static_cast<ub1>(v.second);
  *fraction = v.fraction;
  return OCI_SUCCESS;
}

sword OCIDateTimeToText(void* env, OCIError* error, const OCIDateTime* value, const OraText* format,
                        ub1 format_length, ub1 precision, const OraText*, size_t, ub4* buffer_size,
                        OraText* buffer) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string model = Text(format, format_length);
  state.log.push_back("OCIDateTimeToText fmt=" + model + " prec=" + std::to_string(precision));
  Handle* live = DateTime(state, value);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !buffer_size || !buffer) return OCI_INVALID_HANDLE;
  if (!live->value.has_value) return Fail(state, error, 1858, ErrorText(1858));
  std::string text = Format(live->value.date_time, model, std::min<int>(precision, 9),
                            live->type == OCI_DTYPE_TIMESTAMP_TZ);
  if (text.size() > *buffer_size) return Fail(state, error, 1877, "ORA-01877: string is too long for internal buffer");
  std::memcpy(buffer, text.data(), text.size());
  *buffer_size = static_cast<ub4>(text.size());
  return OCI_SUCCESS;
}

sword OCIDateTimeFromText(void* env, OCIError* error, const OraText* text, size_t text_length,
                          const OraText* format, ub1 format_length, const OraText*, size_t,
                          OCIDateTime* value) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string input = Text(text, text_length), model = Text(format, format_length);
  state.log.push_back("OCIDateTimeFromText text=" + input + " fmt=" + model);
  if (sword status = InjectedStatus(state, "OCIDateTimeFromText", error)) return status;
  Handle* live = DateTime(state, value);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live) return OCI_INVALID_HANDLE;
  DateTimeValue parsed;
  if (int code = Parse(input, model, parsed)) return Fail(state, error, code, ErrorText(code));
  live->value.date_time = parsed;
  live->value.has_value = true;
  return OCI_SUCCESS;
}

sword OCIDateTimeAssign(void* env, OCIError* error, const OCIDateTime* from, OCIDateTime* to) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIDateTimeAssign");
  Handle* source = DateTime(state, from);
  Handle* dest = DateTime(state, to);
  if (!Live(state, env, OCI_HTYPE_ENV) || !source || !dest) return OCI_INVALID_HANDLE;
  (void)error;
  dest->value.date_time = source->value.date_time;
  dest->value.has_value = source->value.has_value;
  return OCI_SUCCESS;
}

sword OCIDateTimeCompare(void* env, OCIError* error, const OCIDateTime* left, const OCIDateTime* right,
                         sword* result) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIDateTimeCompare");
  Handle* a = DateTime(state, left);
  Handle* b = DateTime(state, right);
  if (!Live(state, env, OCI_HTYPE_ENV) || !a || !b || !result) return OCI_INVALID_HANDLE;
  if (!a->value.has_value || !b->value.has_value) return Fail(state, error, 1858, ErrorText(1858));
  auto x = Instant(a->value.date_time), y = Instant(b->value.date_time);
  *result = x < y ? -1 : x > y ? 1 : 0;
  return OCI_SUCCESS;
}

sword OCIIntervalFromText(void* env, OCIError* error, const OraText* text, size_t text_length,
                          OCIInterval* value) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string input = Text(text, text_length);
  state.log.push_back("OCIIntervalFromText text=" + input);
  Handle* live = Interval(state, value);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live) return OCI_INVALID_HANDLE;
  IntervalValue parsed;
  // Fields out of range are taken as they are; OCIIntervalCheck finds them.
  if (!ParseInterval(input, live->type, parsed))
    return Fail(state, error, 1867, "ORA-01867: the interval is invalid");
  live->value.interval = parsed;
  live->value.has_value = true;
  return OCI_SUCCESS;
}

sword OCIIntervalToText(void* env, OCIError* error, const OCIInterval* value, ub1 lead_precision,
                        ub1 fraction_precision, OraText* buffer, size_t buffer_length, size_t* result_length) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIIntervalToText lead=" + std::to_string(lead_precision) +
                      " frac=" + std::to_string(fraction_precision));
  Handle* live = Interval(state, value);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !buffer || !result_length) return OCI_INVALID_HANDLE;
  if (!live->value.has_value) return Fail(state, error, 1867, "ORA-01867: the interval is invalid");
  const IntervalValue& v = live->value.interval;
  std::string text = v.negative ? "-" : "+";
  if (live->type == OCI_DTYPE_INTERVAL_YM) {
    text += Padded(v.years, lead_precision, true) + "-" + Padded(v.months, 2, true);
  } else {
    text += Padded(v.days, lead_precision, true) + " " + Padded(v.hours, 2, true) + ":" +
            Padded(v.minutes, 2, true) + ":" + Padded(v.seconds, 2, true);
    if (fraction_precision > 0)
      text += "." + Padded(v.nanoseconds, 9, true).substr(0, std::min<size_t>(fraction_precision, 9));
  }
  if (text.size() > buffer_length) return Fail(state, error, 1877, "ORA-01877: string is too long for internal buffer");
  std::memcpy(buffer, text.data(), text.size());
  *result_length = text.size();
  return OCI_SUCCESS;
}

sword OCIIntervalCheck(void* env, OCIError* error, const OCIInterval* value, ub4* valid) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIIntervalCheck");
  Handle* live = Interval(state, value);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !valid) return OCI_INVALID_HANDLE;
  (void)error;
  const IntervalValue& v = live->value.interval;
  // The bits of the fields out of range: month, hour, minute, second.
  *valid = (v.months > 11 ? 0x20 : 0) | (v.hours > 23 ? 0x80 : 0) | (v.minutes > 59 ? 0x200 : 0) |
           (v.seconds > 59 ? 0x800 : 0);
  return OCI_SUCCESS;
}

sword OCIIntervalAssign(void* env, OCIError* error, const OCIInterval* from, OCIInterval* to) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIIntervalAssign");
  Handle* source = Interval(state, from);
  Handle* dest = Interval(state, to);
  if (!Live(state, env, OCI_HTYPE_ENV) || !source || !dest) return OCI_INVALID_HANDLE;
  if (source->type != dest->type) return Fail(state, error, 1870, "ORA-01870: the intervals or datetimes are not mutually comparable");
  dest->value.interval = source->value.interval;
  dest->value.has_value = source->value.has_value;
  return OCI_SUCCESS;
}

sword OCIIntervalCompare(void* env, OCIError* error, OCIInterval* left, OCIInterval* right, sword* result) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCIIntervalCompare");
  Handle* a = Interval(state, left);
  Handle* b = Interval(state, right);
  if (!Live(state, env, OCI_HTYPE_ENV) || !a || !b || !result) return OCI_INVALID_HANDLE;
  if (a->type != b->type) return Fail(state, error, 1870, "ORA-01870: the intervals or datetimes are not mutually comparable");
  __int128 x = IntervalMagnitude(a->value.interval, a->type), y = IntervalMagnitude(b->value.interval, b->type);
  *result = x < y ? -1 : x > y ? 1 : 0;
  return OCI_SUCCESS;
}

}
