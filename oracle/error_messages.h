// The fixed messages the layer raises, through RaiseOraException or as the
// text of an EOraError.
#pragma once

namespace oracle::messages {

inline constexpr const char* kMtsPoolingDirect = "MTS pooling is not supported in Direct mode";
inline constexpr const char* kStatementCacheDirect = "Statement cache is not supported in Direct mode";
inline constexpr const char* kClientIdentifierColon =
    "The first character of the ClientIdentifier should not be ':'";
inline constexpr const char* kTransactionActive = "Cannot perform operation when transaction is active";
inline constexpr const char* kTransactionNotActive =
    "Transaction must be active to perform this operation";
inline constexpr const char* kChangeNotifyNoOperations =
    "Operations for change notification subscription cannot be empty set";
inline constexpr const char* kChangeNotifyDirect = "Change notification is not supported in Direct mode";
inline constexpr const char* kChangeNotifyClient = "OCI 10.2 or greater is needed for change notification";
inline constexpr const char* kChangeNotifyServer =
    "Change notification is supported starting with Oracle 10.2";
inline constexpr const char* kObjectNotAllocated = "Object is not allocated";
inline constexpr const char* kObjectCached = "Object is cached";
inline constexpr const char* kNeedThreadSafety = "Session must be Thread Safety";
inline constexpr const char* kReopenNotAllowed = "Reopen is not allowed";
inline constexpr const char* kLobNotAllocated = "Lob is not allocated";
inline constexpr const char* kSvcCtxNotDefined = "OCISvcCtx is not defined";
inline constexpr const char* kLobParamDirection = "Lob parameter should be Input or Output";
inline constexpr const char* kLobNotInited = "Lob locator should be inited";
inline constexpr const char* kInvalidConnectString = "Invalid connect string";
inline constexpr const char* kFieldNotObject = "Field type should be Object";
inline constexpr const char* kMissingDataSetField = "Missing DataSetField property";
inline constexpr const char* kKeyFieldNotFound = "%s: Key field '%s' not found";
inline constexpr const char* kInvalidInterval = "Invalid interval.";
inline constexpr const char* kSchemaLite = "Schema feature is not supported with Oracle Lite servers";
inline constexpr const char* kOciPoolingDirect = "OCI pooling is not supported in Direct mode";
inline constexpr const char* kOciPoolingClient = "OCI pooling is supported starting with OCI 9.2";
inline constexpr const char* kSessionNotDefined = "Session is not defined";
inline constexpr const char* kSessionNotConnected = "Session is not connected";
inline constexpr const char* kArrayIndexRange = "Index of array is not range";
inline constexpr const char* kTypeNotInTable = "This type cannot consist in table";
inline constexpr const char* kWrongNationalType = "Wrong national type";
inline constexpr const char* kTypeNotInDmlArray = "Type is not allowed in DML array";
inline constexpr const char* kCursorNotOpened = "Cursor must be opened";
inline constexpr const char* kParamArrayLength = "%s parameter must be array with length %d";
inline constexpr const char* kTooManyInputParams = "Too many Input params";
inline constexpr const char* kNotEnoughInputParams = "Not enough Input params";
inline constexpr const char* kTooManyOutputParams = "Too many Output params";
inline constexpr const char* kNotEnoughOutputParams = "Not enough Output params";
inline constexpr const char* kNoRowsReturned = "SQL statement doesn't return rows";
inline constexpr const char* kObjectTypeNotDefined = "Type of object must be defined";

}  // namespace oracle::messages
