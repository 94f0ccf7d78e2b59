// The Oracle layer's internal data-type codes, beyond the generic ones of
// the data-access core (0 to 30). Records, parameters and field
// descriptions carry them; the value classes pick their descriptors by them.
#pragma once

namespace oracle {

constexpr int dtRowId = 100;
constexpr int dtCursor = 101;
constexpr int dtOraBlob = 102;
constexpr int dtOraClob = 103;
constexpr int dtBFile = 104;
constexpr int dtCFile = 105;
constexpr int dtLabel = 106;
constexpr int dtFixedChar = 107;
// Character data kept in the record as the server sends it (select-list
// type 25), bound as plain characters; no field type shows it.
constexpr int dtCharData = 108;
constexpr int dtTimeStamp = 109;
constexpr int dtTimeStampTZ = 110;
constexpr int dtTimeStampLTZ = 111;
constexpr int dtIntervalYM = 112;
constexpr int dtIntervalDS = 113;
constexpr int dtNumber = 115;
constexpr int dtXML = 116;
constexpr int dtFixedWideChar = 117;

}  // namespace oracle
