// The Oracle call interface as both sides of the entry-point table see it:
// the layer that calls through the table and the stand-in client library the
// tests load in the real one's place. It holds the integer types, handle and
// descriptor types, statuses, modes and attribute numbers of the public call
// interface, with the width of every scalar attribute.
//
// The integer types are those of the public interface (ub1/ub2/ub4 unsigned
// 8/16/32-bit, sb1/sb2/sb4 signed, sword the native int), so that a real
// client library loads where the stand-in does. An attribute is read and
// written through a buffer of exactly its width (OciAttrWidth).
#pragma once

#include <cstdint>

namespace oracle {

// ---- Integer types ----------------------------------------------------------
using ub1 = uint8_t;
using sb1 = int8_t;
using ub2 = uint16_t;
using sb2 = int16_t;
using ub4 = uint32_t;
using sb4 = int32_t;
using ub8 = uint64_t;
using sb8 = int64_t;
using sword = int;
using uword = unsigned int;
using OraText = unsigned char;
using boolean = int;

// ---- Handles and descriptors (opaque) ---------------------------------------
struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIBind;
struct OCIDefine;
struct OCIDescribe;
struct OCIServer;
struct OCISession;
using OCIAuthInfo = OCISession;  // the interface gives both one handle type
struct OCITrans;
struct OCISubscription;
struct OCISPool;
struct OCIParam;
struct OCILobLocator;
struct OCIRowid;
struct OCIDateTime;
struct OCIInterval;
struct OCIType;
struct OCIRef;
struct OCIColl;
struct OCIString;

// A NUMBER in its 22-byte form; an OCIDate in its 8-byte form.
struct OCINumber {
  ub1 OCINumberPart[22];
};
struct OCITime {
  ub1 OCITimeHH, OCITimeMI, OCITimeSS;
};
struct OCIDate {
  sb2 OCIDateYYYY;
  ub1 OCIDateMM, OCIDateDD;
  OCITime OCIDateTime;
};

// Null indicators of values, attributes and objects.
using OCIInd = sb2;
constexpr OCIInd OCI_IND_NOTNULL = 0;
constexpr OCIInd OCI_IND_NULL = -1;

// Type codes of described types and their attributes.
using OCITypeCode = ub2;
constexpr OCITypeCode OCI_TYPECODE_VARCHAR = 1;  // a string object of the cache
constexpr OCITypeCode OCI_TYPECODE_OPAQUE = 58;
constexpr OCITypeCode OCI_TYPECODE_OBJECT = 108;
constexpr OCITypeCode OCI_TYPECODE_REF = 110;
constexpr OCITypeCode OCI_TYPECODE_NAMEDCOLLECTION = 122;
constexpr OCITypeCode OCI_TYPECODE_VARRAY = 247;
constexpr OCITypeCode OCI_TYPECODE_TABLE = 248;

// ---- Statuses ---------------------------------------------------------------
constexpr sword OCI_SUCCESS = 0;
constexpr sword OCI_SUCCESS_WITH_INFO = 1;
constexpr sword OCI_NEED_DATA = 99;
constexpr sword OCI_NO_DATA = 100;
constexpr sword OCI_ERROR = -1;
constexpr sword OCI_INVALID_HANDLE = -2;
constexpr sword OCI_STILL_EXECUTING = -3123;
constexpr sword OCI_CONTINUE = -24200;

// ---- Handle types -----------------------------------------------------------
constexpr ub4 OCI_HTYPE_ENV = 1;
constexpr ub4 OCI_HTYPE_ERROR = 2;
constexpr ub4 OCI_HTYPE_SVCCTX = 3;
constexpr ub4 OCI_HTYPE_STMT = 4;
constexpr ub4 OCI_HTYPE_BIND = 5;
constexpr ub4 OCI_HTYPE_DEFINE = 6;
constexpr ub4 OCI_HTYPE_DESCRIBE = 7;
constexpr ub4 OCI_HTYPE_SERVER = 8;
constexpr ub4 OCI_HTYPE_SESSION = 9;
constexpr ub4 OCI_HTYPE_AUTHINFO = OCI_HTYPE_SESSION;
constexpr ub4 OCI_HTYPE_TRANS = 10;
constexpr ub4 OCI_HTYPE_SUBSCRIPTION = 13;
constexpr ub4 OCI_HTYPE_SPOOL = 27;

// ---- Descriptor types -------------------------------------------------------
constexpr ub4 OCI_DTYPE_LOB = 50;
constexpr ub4 OCI_DTYPE_PARAM = 53;
constexpr ub4 OCI_DTYPE_ROWID = 54;
constexpr ub4 OCI_DTYPE_FILE = 56;
constexpr ub4 OCI_DTYPE_INTERVAL_YM = 62;
constexpr ub4 OCI_DTYPE_INTERVAL_DS = 63;
constexpr ub4 OCI_DTYPE_TIMESTAMP = 68;
constexpr ub4 OCI_DTYPE_TIMESTAMP_TZ = 69;
constexpr ub4 OCI_DTYPE_TIMESTAMP_LTZ = 70;
constexpr ub4 OCI_DTYPE_XML_STREAM = 74;
constexpr ub4 OCI_DTYPE_CHDES = 77;
constexpr ub4 OCI_DTYPE_TABLE_CHDES = 78;
constexpr ub4 OCI_DTYPE_ROW_CHDES = 79;

// ---- Modes ------------------------------------------------------------------
constexpr ub4 OCI_DEFAULT = 0;
// Environment creation (OCIInitialize, OCIEnvCreate).
constexpr ub4 OCI_THREADED = 1;
constexpr ub4 OCI_OBJECT = 2;
constexpr ub4 OCI_EVENTS = 4;
constexpr ub4 OCI_SHARED = 16;
constexpr ub4 OCI_NO_MUTEX = 128;
// OCIEnvInit.
constexpr ub4 OCI_ENV_NO_MUTEX = 8;
// Statement preparation and execution.
constexpr ub4 OCI_NTV_SYNTAX = 1;
constexpr ub4 OCI_STMT_SCROLLABLE_READONLY = 8;
constexpr ub4 OCI_DESCRIBE_ONLY = 16;
constexpr ub4 OCI_COMMIT_ON_SUCCESS = 32;
// Fetch orientations.
constexpr ub2 OCI_FETCH_NEXT = 2;
constexpr ub2 OCI_FETCH_FIRST = 4;
constexpr ub2 OCI_FETCH_LAST = 8;
constexpr ub2 OCI_FETCH_PRIOR = 16;
constexpr ub2 OCI_FETCH_ABSOLUTE = 32;
constexpr ub2 OCI_FETCH_RELATIVE = 64;
// Binds and defines.
constexpr ub4 OCI_DATA_AT_EXEC = 2;
constexpr ub4 OCI_DYNAMIC_FETCH = 2;
// Pieces of piecewise transfers.
constexpr ub1 OCI_ONE_PIECE = 0;
constexpr ub1 OCI_FIRST_PIECE = 1;
constexpr ub1 OCI_NEXT_PIECE = 2;
constexpr ub1 OCI_LAST_PIECE = 3;
// Sessions: credentials and modes.
constexpr ub4 OCI_CRED_RDBMS = 1;
constexpr ub4 OCI_CRED_EXT = 2;
constexpr ub4 OCI_CRED_PROXY = 3;
constexpr ub4 OCI_SYSDBA = 2;
constexpr ub4 OCI_SYSOPER = 4;
constexpr ub4 OCI_STMT_CACHE = 0x40;
constexpr ub4 OCI_SESSGET_SPOOL = 1;
constexpr ub4 OCI_SESSGET_STMTCACHE = 4;
constexpr ub4 OCI_SESSRLS_RETAG = 1;
constexpr ub4 OCI_SESSRLS_DROP = 2;
constexpr ub4 OCI_SPC_STMTCACHE = 4;
// Objects, LOBs, numbers, character sets.
constexpr ub2 OCI_DURATION_SESSION = 10;
constexpr ub1 OCI_FILE_READONLY = 1;
constexpr uword OCI_NUMBER_SIGNED = 2;
constexpr ub4 OCI_TYPEGET_HEADER = 0;
constexpr ub1 OCI_OTYPE_NAME = 1;
constexpr ub1 OCI_PTYPE_TYPE = 6;
constexpr int OCI_PIN_ANY = 3;
constexpr int OCI_LOCK_NONE = 1;
constexpr ub2 OCI_OBJECTFREE_FORCE = 1;
constexpr ub1 SQLCS_IMPLICIT = 1;
constexpr ub1 SQLCS_NCHAR = 2;
constexpr ub2 OCI_UTF16ID = 1000;
// Change notification.
constexpr ub4 OCI_OPCODE_ALLROWS = 0x01;
constexpr ub4 OCI_OPCODE_INSERT = 0x02;
constexpr ub4 OCI_OPCODE_UPDATE = 0x04;
constexpr ub4 OCI_OPCODE_DELETE = 0x08;
constexpr ub4 OCI_OPCODE_ALTER = 0x10;
constexpr ub4 OCI_OPCODE_DROP = 0x20;
// Fail-over events, types and the answer that asks for another try.
constexpr ub4 OCI_FO_END = 1;
constexpr ub4 OCI_FO_ABORT = 2;
constexpr ub4 OCI_FO_REAUTH = 4;
constexpr ub4 OCI_FO_BEGIN = 8;
constexpr ub4 OCI_FO_ERROR = 16;
constexpr ub4 OCI_FO_NONE = 1;
constexpr ub4 OCI_FO_SESSION = 2;
constexpr ub4 OCI_FO_SELECT = 4;
constexpr ub4 OCI_FO_TXNAL = 8;
constexpr sword OCI_FO_RETRY = 25410;
// The fail-over callback and the record handed over as OCI_ATTR_FOCBK; the
// library copies the record, so it need live only for that call.
using OCICallbackFailover = sb4 (*)(void* service_context, void* environment, void* context,
                                   ub4 failover_type, ub4 failover_event);
struct OCIFocbkStruct {
  OCICallbackFailover callback_function;
  void* fo_ctx;
};

// Statement types (OCI_ATTR_STMT_TYPE).
constexpr ub2 OCI_STMT_SELECT = 1;
constexpr ub2 OCI_STMT_UPDATE = 2;
constexpr ub2 OCI_STMT_DELETE = 3;
constexpr ub2 OCI_STMT_INSERT = 4;
constexpr ub2 OCI_STMT_CREATE = 5;
constexpr ub2 OCI_STMT_DROP = 6;
constexpr ub2 OCI_STMT_ALTER = 7;
constexpr ub2 OCI_STMT_BEGIN = 8;
constexpr ub2 OCI_STMT_DECLARE = 9;

// ---- The older call interface -------------------------------------------------
// Its logon, host and cursor data areas are blocks of these sizes that the
// caller allocates and the library fills; the layer reads only the header
// of a cursor data area (TCdaHeader).
constexpr int kOci7LdaSize = 64;
constexpr int kOci7HdaSize = 256;
constexpr int kOci7CdaSize = 64;
constexpr ub4 OCI_LM_DEF = 0;  // olog: blocking logon
constexpr sword kOci7NativeSyntax = 2;  // oparse: the server's own syntax

// The header of the older interface's cursor data area: the fields the
// library fills after each call (the rest of the 64 bytes is its own).
struct TCdaHeader {
  sb2 v2_return_code;
  ub2 function_type;
  ub4 rows_processed;
  ub2 parse_error_offset;
  ub1 function_code;
  ub1 reserved1;
  ub2 return_code;
  ub1 warning_flags;
};
static_assert(sizeof(TCdaHeader) <= kOci7CdaSize);

// ---- External data types ----------------------------------------------------
constexpr ub2 SQLT_CHR = 1;
constexpr ub2 SQLT_NUM = 2;
constexpr ub2 SQLT_INT = 3;
constexpr ub2 SQLT_FLT = 4;
constexpr ub2 SQLT_STR = 5;
constexpr ub2 SQLT_VNU = 6;
constexpr ub2 SQLT_LNG = 8;
constexpr ub2 SQLT_VCS = 9;
constexpr ub2 SQLT_RID = 11;
constexpr ub2 SQLT_DAT = 12;
constexpr ub2 SQLT_VBI = 15;
constexpr ub2 SQLT_BIN = 23;
constexpr ub2 SQLT_LBI = 24;
constexpr ub2 SQLT_UIN = 68;
constexpr ub2 SQLT_LVC = 94;
constexpr ub2 SQLT_LVB = 95;
constexpr ub2 SQLT_AFC = 96;
constexpr ub2 SQLT_AVC = 97;
constexpr ub2 SQLT_CUR = 102;
constexpr ub2 SQLT_RDD = 104;
constexpr ub2 SQLT_LAB = 105;
constexpr ub2 SQLT_NTY = 108;
constexpr ub2 SQLT_REF = 110;
constexpr ub2 SQLT_CLOB = 112;
constexpr ub2 SQLT_BLOB = 113;
constexpr ub2 SQLT_BFILEE = 114;
constexpr ub2 SQLT_CFILEE = 115;
constexpr ub2 SQLT_RSET = 116;
constexpr ub2 SQLT_VST = 155;
constexpr ub2 SQLT_ODT = 156;
constexpr ub2 SQLT_TIMESTAMP = 187;
constexpr ub2 SQLT_TIMESTAMP_TZ = 188;
constexpr ub2 SQLT_INTERVAL_YM = 189;
constexpr ub2 SQLT_INTERVAL_DS = 190;
constexpr ub2 SQLT_TIMESTAMP_LTZ = 232;

// ---- Attributes -------------------------------------------------------------
// Numbers repeat between handle types (6 is the server of a service context
// and the scale of a described column); the width comment is the buffer an
// OCIAttrGet fills and an OCIAttrSet of a scalar reads.
constexpr ub4 OCI_ATTR_DATA_SIZE = 1;       // ub2, described column
constexpr ub4 OCI_ATTR_DATA_TYPE = 2;       // ub2, described column
constexpr ub4 OCI_ATTR_NAME = 4;            // text with length, described column
constexpr ub4 OCI_ATTR_PRECISION = 5;       // sb2, described column
constexpr ub4 OCI_ATTR_ENV = 5;             // OCIEnv*, service context
constexpr ub4 OCI_ATTR_SCALE = 6;           // sb1, described column
constexpr ub4 OCI_ATTR_SERVER = 6;          // OCIServer*, service context
constexpr ub4 OCI_ATTR_IS_NULL = 7;         // ub1, described column
constexpr ub4 OCI_ATTR_SESSION = 7;         // OCISession*, service context
constexpr ub4 OCI_ATTR_TRANS = 8;           // OCITrans*, service context
constexpr ub4 OCI_ATTR_XID = 27;            // XID bytes with their length, transaction
constexpr ub4 OCI_ATTR_TYPE_NAME = 8;       // text with length
constexpr ub4 OCI_ATTR_ROW_COUNT = 9;       // ub4, statement
constexpr ub4 OCI_ATTR_SCHEMA_NAME = 9;     // text with length, described column
constexpr ub4 OCI_ATTR_SQLFNCODE = 10;      // ub2, statement
constexpr ub4 OCI_ATTR_PREFETCH_ROWS = 11;  // ub4, statement
constexpr ub4 OCI_ATTR_PREFETCH_MEMORY = 13;  // ub4, statement
constexpr ub4 OCI_ATTR_FSPRECISION = 16;    // ub1, described column
constexpr ub4 OCI_ATTR_LFPRECISION = 17;    // ub1, described column
constexpr ub4 OCI_ATTR_PARAM_COUNT = 18;    // ub4, statement
constexpr ub4 OCI_ATTR_ROWID = 19;          // into an OCIRowid descriptor, statement
constexpr ub4 OCI_ATTR_CHARSET = 20;        // text with length
constexpr ub4 OCI_ATTR_USERNAME = 22;       // text with length, session
constexpr ub4 OCI_ATTR_PASSWORD = 23;       // text with length, session
constexpr ub4 OCI_ATTR_STMT_TYPE = 24;      // ub2, statement
constexpr ub4 OCI_ATTR_INTERNAL_NAME = 25;  // text with length, server
constexpr ub4 OCI_ATTR_CHARSET_ID = 31;     // ub2
constexpr ub4 OCI_ATTR_CHARSET_FORM = 32;   // ub1
constexpr ub4 OCI_ATTR_MAXDATA_SIZE = 33;   // sb4, bind
constexpr ub4 OCI_ATTR_FOCBK = 43;          // fail-over callback record, server
constexpr ub4 OCI_ATTR_SUBSCR_CALLBACK = 95;   // function pointer, subscription
constexpr ub4 OCI_ATTR_SUBSCR_CTX = 96;        // void*, subscription
constexpr ub4 OCI_ATTR_SUBSCR_NAMESPACE = 98;  // ub4, subscription
constexpr ub4 OCI_ATTR_PROXY_CREDENTIALS = 99;  // OCISession*, session
constexpr ub4 OCI_ATTR_PARSE_ERROR_OFFSET_80 = 128;  // ub2, error handle (8.0 clients)
constexpr ub4 OCI_ATTR_PARSE_ERROR_OFFSET = 129;     // ub2, error handle
constexpr ub4 OCI_ATTR_MAXCHAR_SIZE = 163;  // sb4, bind
constexpr ub4 OCI_ATTR_STMTCACHESIZE = 176;  // ub4, service context
constexpr ub4 OCI_ATTR_SUBSCR_QOSFLAGS = 225;  // ub4, subscription
constexpr ub4 OCI_ATTR_SUBSCR_TIMEOUT = 227;   // ub4, subscription
constexpr ub4 OCI_ATTR_CLIENT_IDENTIFIER = 278;  // text with length, session
constexpr ub4 OCI_ATTR_PARAM = 124;          // OCIParam*, describe handle
constexpr ub4 OCI_ATTR_TYPECODE = 216;       // ub2, described type or attribute
constexpr ub4 OCI_ATTR_COLLECTION_TYPECODE = 217;  // ub2, described type
constexpr ub4 OCI_ATTR_COLLECTION_ELEMENT = 227;   // OCIParam*, described collection
constexpr ub4 OCI_ATTR_NUM_TYPE_ATTRS = 228;  // ub2, described type
constexpr ub4 OCI_ATTR_LIST_TYPE_ATTRS = 229;  // OCIParam* list, described type
constexpr ub4 OCI_ATTR_NUM_ELEMS = 234;      // ub4, collection element
constexpr ub4 OCI_ATTR_IS_FINAL_TYPE = 279;  // ub1, described type
constexpr ub4 OCI_ATTR_CHAR_SIZE = 286;     // ub2, described column
constexpr ub4 OCI_ATTR_CHNF_ROWIDS = 402;   // ub4 (a boolean), subscription
constexpr ub4 OCI_ATTR_CHNF_OPERATIONS = 403;  // ub4, subscription
constexpr ub4 OCI_ATTR_CHDES_NFYTYPE = 406;    // ub4
constexpr ub4 OCI_ATTR_CHDES_TABLE_CHANGES = 408;  // OCIColl*
constexpr ub4 OCI_ATTR_CHDES_TABLE_NAME = 409;     // text with length
constexpr ub4 OCI_ATTR_CHDES_TABLE_OPFLAGS = 410;  // ub4
constexpr ub4 OCI_ATTR_CHDES_TABLE_ROW_CHANGES = 411;  // OCIColl*
constexpr ub4 OCI_ATTR_CHDES_ROW_ROWID = 412;      // text with length
constexpr ub4 OCI_ATTR_CHDES_ROW_OPFLAGS = 413;    // ub4
constexpr ub4 OCI_ATTR_CHNF_REGHANDLE = 414;       // OCISubscription*, statement
// The network client's own connection time-out (ub4, service context).
constexpr ub4 OCI_ATTR_DIRECT_CONNECT_TIMEOUT = 10001;


// Transactions: the identifier of a global transaction's branch (the
// X/Open layout: format, lengths of the global and branch parts, then both
// parts in data) and the flags of starting and committing one.
// The notification callback of a subscription (OCI_ATTR_SUBSCR_CALLBACK),
// called on a thread of the client library: context, subscription,
// payload, payload length, descriptor, mode; answers 0.
using OCISubscriptionNotify = ub4 (*)(void* context, OCISubscription* subscription, void* payload,
                                      ub4* payload_length, void* descriptor, ub4 mode);
constexpr ub4 OCI_SUBSCR_NAMESPACE_DBCHANGE = 2;
constexpr ub4 OCI_SUBSCR_QOS_RELIABLE = 0x01;

inline constexpr int XIDDATASIZE = 128;
struct XID {
  long formatID;
  long gtrid_length;
  long bqual_length;
  char data[XIDDATASIZE];
};
constexpr ub4 OCI_TRANS_NEW = 0x00000001;
constexpr ub4 OCI_TRANS_TWOPHASE = 0x01000000;

// What an attribute's value is: a scalar of some bytes, a text handed over
// with its length, or a pointer (handle, descriptor, callback, context).
enum class OciAttrKind { Scalar, Text, Pointer, Unknown };

struct OciAttrShape {
  OciAttrKind kind;
  int width;  // bytes of a scalar; 0 otherwise
};

// The shape of attribute `attr` on a handle or descriptor of type `type`.
constexpr OciAttrShape OciAttrShapeOf(ub4 type, ub4 attr) {
  const OciAttrShape ub1_{OciAttrKind::Scalar, 1}, ub2_{OciAttrKind::Scalar, 2};
  const OciAttrShape ub4_{OciAttrKind::Scalar, 4};
  const OciAttrShape text{OciAttrKind::Text, 0}, pointer{OciAttrKind::Pointer, 0};
  if (type == OCI_DTYPE_PARAM) {
    switch (attr) {
      case OCI_ATTR_DATA_SIZE: case OCI_ATTR_DATA_TYPE: case OCI_ATTR_PRECISION:
      case OCI_ATTR_CHARSET_ID: case OCI_ATTR_CHAR_SIZE: return ub2_;
      case OCI_ATTR_SCALE: case OCI_ATTR_IS_NULL: case OCI_ATTR_CHARSET_FORM:
      case OCI_ATTR_FSPRECISION: case OCI_ATTR_LFPRECISION: return ub1_;
      case OCI_ATTR_NAME: case OCI_ATTR_TYPE_NAME: case OCI_ATTR_SCHEMA_NAME: return text;
      case OCI_ATTR_TYPECODE: case OCI_ATTR_COLLECTION_TYPECODE: case OCI_ATTR_NUM_TYPE_ATTRS:
        return ub2_;
      case OCI_ATTR_IS_FINAL_TYPE: return ub1_;
      case OCI_ATTR_NUM_ELEMS: return ub4_;
      case OCI_ATTR_COLLECTION_ELEMENT: case OCI_ATTR_LIST_TYPE_ATTRS: return pointer;
      default: return {OciAttrKind::Unknown, 0};
    }
  }
  if (type == OCI_HTYPE_DESCRIBE && attr == OCI_ATTR_PARAM) return pointer;
  switch (attr) {
    case OCI_ATTR_STMT_TYPE: case OCI_ATTR_SQLFNCODE: case OCI_ATTR_CHARSET_ID:
    case OCI_ATTR_PARSE_ERROR_OFFSET_80: case OCI_ATTR_PARSE_ERROR_OFFSET: return ub2_;
    case OCI_ATTR_CHARSET_FORM: return ub1_;
    case OCI_ATTR_ROW_COUNT: case OCI_ATTR_PREFETCH_ROWS: case OCI_ATTR_PREFETCH_MEMORY:
    case OCI_ATTR_PARAM_COUNT: case OCI_ATTR_MAXDATA_SIZE: case OCI_ATTR_MAXCHAR_SIZE:
    case OCI_ATTR_STMTCACHESIZE: case OCI_ATTR_SUBSCR_NAMESPACE: case OCI_ATTR_SUBSCR_QOSFLAGS:
    case OCI_ATTR_SUBSCR_TIMEOUT: case OCI_ATTR_CHNF_ROWIDS: case OCI_ATTR_CHNF_OPERATIONS:
    case OCI_ATTR_CHDES_NFYTYPE: case OCI_ATTR_CHDES_TABLE_OPFLAGS: case OCI_ATTR_CHDES_ROW_OPFLAGS:
    case OCI_ATTR_DIRECT_CONNECT_TIMEOUT: return ub4_;
    case OCI_ATTR_USERNAME: case OCI_ATTR_PASSWORD: case OCI_ATTR_INTERNAL_NAME:
    case OCI_ATTR_CHARSET: case OCI_ATTR_CLIENT_IDENTIFIER: case OCI_ATTR_CHDES_TABLE_NAME:
    case OCI_ATTR_CHDES_ROW_ROWID: case OCI_ATTR_XID: return text;
    case OCI_ATTR_ENV: case OCI_ATTR_SERVER: case OCI_ATTR_SESSION: case OCI_ATTR_TRANS: case OCI_ATTR_FOCBK:
    case OCI_ATTR_SUBSCR_CALLBACK: case OCI_ATTR_SUBSCR_CTX: case OCI_ATTR_PROXY_CREDENTIALS:
    case OCI_ATTR_CHNF_REGHANDLE: case OCI_ATTR_CHDES_TABLE_CHANGES:
    case OCI_ATTR_CHDES_TABLE_ROW_CHANGES: case OCI_ATTR_ROWID: return pointer;
    default: return {OciAttrKind::Unknown, 0};
  }
}

}  // namespace oracle
