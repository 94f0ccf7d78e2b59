// The data-access core's messages. "%s" and "%d" are format arguments.
#pragma once

namespace dacore {

inline constexpr const char* SUnknownDataType = "Unknown data type";
inline constexpr const char* SDataTypeNotSupported = "Data type is not supported";
inline constexpr const char* SFieldNotFound = "Field %s not found";
inline constexpr const char* SAttributeNotFound = "Attribute %s not found";
inline constexpr const char* SCannotConvertType = "Cannot convert type";
inline constexpr const char* SIllegalFilter = "Illegal filter expression";
inline constexpr const char* SInvalidIndexFieldNames = "Invalid IndexFieldNames format!";
inline constexpr const char* SNeedBlobType = "Field is not BLOB";
inline constexpr const char* SInvalidBlob = "Invalid BLOB";
inline constexpr const char* SBlobMustBeCached = "Blob must be in cached mode";
inline constexpr const char* SNoKeyFields = "Unique keyfields required";
inline constexpr const char* SKeyFieldsNotFound = "Key fields not found";
inline constexpr const char* STableInfoNameRequired = "TableInfo name must be provided";
inline constexpr const char* SBadStatementType = "Bad statement type";
inline constexpr const char* SBadUpdatingTable = "Wrong UpdatingTable value - table %s is unknown";
inline constexpr const char* SInvalidUnCompressedBlobSize = "Invalid uncompressed blob size";
inline constexpr const char* SInvalidCompressedBlobSize = "Invalid compressed blob size";
inline constexpr const char* SInvalidCompressedBlobHeader = "Invalid compressed blob header";
inline constexpr const char* SInvalidCompressedBlobData = "Invalid compressed blob data";
inline constexpr const char* SNotCachedUpdate = "Not in cached update mode";
inline constexpr const char* SCannotUpdateNotOwned = "Cannot update, %s is not owned by %s";
inline constexpr const char* SConnectionNotDefined = "Connection is not defined";
inline constexpr const char* SCannotConnect = "Cannot connect to database";
inline constexpr const char* SMacroNotFound = "Macro %s not found";
inline constexpr const char* STransactionInProgress = "User transaction is already in progress";
inline constexpr const char* SUpdateFailed = "Update failed. Found %d records";
inline constexpr const char* SRefreshFailed = "Refresh failed. Found %d records";
inline constexpr const char* SRecordChanged = "Record was changed by another user";
inline constexpr const char* SRefreshPendingRecord =
    "Cannot refresh a record whose cached changes are not applied; apply or cancel them first";
inline constexpr const char* SInvalidFetchRows = "FetchRows must be 1..10000";
inline constexpr const char* SNoCorrespondParam = "Not found field corresponding parameter %s";
inline constexpr const char* SUnknownParamType = "Unknown type of parameter %s";
inline constexpr const char* SConnectionIsClosed = "Operation is not allowed when the connection is closed";
inline constexpr const char* SCannotChangeWhenPooling = "Operation is not allowed when Pooling is True";
inline constexpr const char* SMaxConnectionsReached = "Maximum connections reached in pool";
inline constexpr const char* SCannotChangeIsUnicode = "Cannot change IsUnicode if Size > 0";
inline constexpr const char* SNoTimers = "Not enough timers available";
inline constexpr const char* SCompressorNotLinked = "Compressor function is not linked";
inline constexpr const char* SUncompressorNotLinked = "Uncompressor function is not linked";
inline constexpr const char* SUpdateObjectCircularReferences =
    "Circular references are not allowed between TCustomDADataset and TCustomDAUpdateSQL objects";
inline constexpr const char* SUpdateObjectWrongClass = "Only %s and %s objects are allowed in update properties";
inline constexpr const char* SUpdateObjectEmptySQL =
    "SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject cannot be empty";
inline constexpr const char* SInvalidBlobPosition = "Invalid BLOB position";

}  // namespace dacore
