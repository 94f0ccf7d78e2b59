// What the stand-in's descriptors hold (LOB and file locators, date-times,
// intervals) and the server side they refer to: the LOB store, the
// directories BFILEs name, and the width of the client character set.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "oracle/oci_defs.h"

namespace standin {

using namespace oracle;

// The row and column of a SQLite file that a LOB value of the SQLite tier
// stands for; no session: a value of the stand-in's own store.
struct TierCell {
  const void* session = nullptr;
  std::string table, column;
  int64_t row = 0;
};

// A LOB value on the "server". Every kind is kept as units: characters of a
// CLOB or NCLOB, bytes of a BLOB (one unit a byte).
struct LobValue {
  ub1 kind = 1;  // 1 BLOB, 2 CLOB, 3 NCLOB
  bool temporary = false;
  std::u16string units;
  TierCell cell;  // read from and written to at each use
};

struct DateTimeValue {
  int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  ub4 fraction = 0;       // nanoseconds
  int zone_minutes = 0;   // offset from UTC
};

struct IntervalValue {
  bool negative = false;
  int64_t years = 0, months = 0;  // year to month
  int64_t days = 0, hours = 0, minutes = 0, seconds = 0, nanoseconds = 0;  // day to second
};

// "[+-]Y-M" for a year-to-month interval (type OCI_DTYPE_INTERVAL_YM), else
// "[+-]D HH:MI:SS[.F]"; false for any other text (oci_standin_datetime).
bool ParseInterval(std::string text, ub4 type, IntervalValue& out);
// An interval as the received values show it: "+Y-MM" for year to month,
// "+DD HH:MI:SS.FFFFFFFFF" for day to second.
std::string IntervalText(const IntervalValue& value, bool year_to_month);

// What one descriptor holds; which part matters depends on its type.
struct DescriptorValue {
  int lob = 0;             // LOB locator: id in the store, 0 not initialised
  bool streaming = false;  // a piecewise (polling) read is under way
  uint64_t stream_at = 0;  // its next unit, from 0
  uint64_t stream_left = 0;  // units it has still to hand over; 0: to the end
  bool writing = false;    // a piecewise write is under way
  uint64_t write_at = 0;   // its next unit, from 0
  uint64_t written = 0;    // units it has written
  std::string directory, file_name;  // file locator
  bool file_open = false;
  bool has_value = false;  // date-time and interval
  DateTimeValue date_time;
  IntervalValue interval;
};

struct State;
struct Handle;

// The folder a directory alias is mapped to (empty when none), and the path
// of the file a file locator names (empty without a folder): oci_standin_bfile.
std::string FolderOf(State& state, const std::string& alias);
std::string FilePath(State& state, const Handle* file);

struct ValueStore {
  std::map<int, LobValue> lobs;
  int next_lob = 1;
  std::map<std::string, std::string> directories;  // upper-cased alias -> folder
  int charset_width = 1;  // 1 single-byte (Latin-1), more: UTF-8
};

}  // namespace standin
