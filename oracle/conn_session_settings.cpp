// TOCIConnection: the server's version, the language settings, the
// character length and set, the client identifier, the statement cache, the
// fail-over callback and the numbered properties.
#include <cstring>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/conn_session_command.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"

namespace oracle {

namespace {

constexpr const char* kVersionQuery =
    "begin SELECT Version INTO :Result FROM SYS.PRODUCT_COMPONENT_VERSION WHERE Upper(Product) "
    "LIKE '%ORACLE%'; end;";
constexpr int kNlsValueSize = 41;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A text as an SQL string literal: apostrophes doubled, so a value can never
// end the literal and continue the statement.
std::string Quoted(const std::string& value) {
  std::string literal = "'";
  for (char c : value) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  return literal + "'";
}

std::string SessionParametersBlock(bool timestamps, bool charset) {
  std::string sql =
      "declare  cursor NlsParamsCursor is    SELECT * FROM nls_session_parameters;begin  SELECT "
      "Nvl(Lengthb(Chr(65536)), Nvl(Lengthb(Chr(256)), 1))    INTO :CharLength FROM dual;  for "
      "NlsRecord in NlsParamsCursor loop    if NlsRecord.parameter = 'NLS_DATE_LANGUAGE' then      "
      ":NlsDateLanguage := NlsRecord.value;    elsif NlsRecord.parameter = 'NLS_DATE_FORMAT' then "
      "     :NlsDateFormat := NlsRecord.value;    elsif NlsRecord.parameter = "
      "'NLS_NUMERIC_CHARACTERS' then      :NlsNumericCharacters := NlsRecord.value;";
  if (timestamps)
    sql +=
        "    elsif NlsRecord.parameter = 'NLS_TIMESTAMP_FORMAT' then      :NlsTimeStampFormat := "
        "NlsRecord.value;    elsif NlsRecord.parameter = 'NLS_TIMESTAMP_TZ_FORMAT' then      "
        ":NlsTimeStampTZFormat := NlsRecord.value;";
  sql += "    end if;  end loop;";
  if (charset) sql += "  SELECT NLS_CHARSET_ID(:Charset) INTO :CharsetId FROM dual;";
  return sql + "end;";
}

}  // namespace

// The release number cut out of a banner such as "Oracle9i Enterprise
// Edition Release 9.2.0.1.0 - Production": it starts one digit before the
// first dot (two for a two-digit major release) and ends at the next blank.
std::string ReleaseOfBanner(const std::string& banner) {
  size_t dot = banner.find('.');
  if (dot == std::string::npos || dot == 0) return banner;
  size_t start = dot - 1;
  if (dot >= 2 && IsDigit(banner[dot - 2])) start = dot - 2;
  size_t end = banner.find(' ', start);
  return banner.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// ---- Version and sizes ------------------------------------------------------------

std::string TOCIConnection::GetServerVersion() {
  if (OCILite) return OCIClientVersionText + " Lite";
  if (!ServerVersionText.empty()) return ServerVersionText;
  if (OCICallStyle == kOci7 || IsDirectMode()) {
    std::vector<TSessionParam> params{TSessionParam::OutputString(":Result", 65)};
    Command().Execute(kVersionQuery, params);
    ServerVersionText = params[0].Text;
  } else {
    OraText banner[256] = {};
    {
      TConnectionLock lock(*this);
      Check(OCIServerVersion(GetSvcCtx(), hError, banner, 255, OCI_HTYPE_SVCCTX));
    }
    ServerVersionText = ReleaseOfBanner(reinterpret_cast<const char*>(banner));
  }
  return ServerVersionText;
}

uint16_t TOCIConnection::GetOracleVersion() {
  if (ServerVersion == 0) ServerVersion = ParseClientVersion(GetServerVersion());
  return ServerVersion;
}

uint16_t TOCIConnection::GetMaxStringSize() {
  if (MaxStringSize != 0 || !Connected) return MaxStringSize;
  if (OCICallStyle == kOci7) {
    MaxStringSize = 2000;
  } else if (!IsDirectMode()) {
    MaxStringSize = GetOracleVersion() / 1000 == 7 ? 2000 : 4000;
  } else {
    // In direct mode the banner's product name is followed by the release.
    OraText banner[8] = {};
    {
      TConnectionLock lock(*this);
      Check(OCIServerVersion(GetSvcCtx(), hError, banner, sizeof banner, OCI_HTYPE_SVCCTX));
    }
    std::string head(reinterpret_cast<const char*>(banner), strnlen(reinterpret_cast<const char*>(banner), 8));
    MaxStringSize = head.find('7') == 6 ? 2000 : 4000;
  }
  return MaxStringSize;
}

// ---- Language settings ----------------------------------------------------------------

void TOCIConnection::SetSessionParameter(const std::string& name, const std::string& value) {
  if (!Connected) return;
  SessionSettingsChanged = true;
  Command().Execute("ALTER SESSION SET " + name + "=" + Quoted(value));
}

void TOCIConnection::ApplyChangedNlsParams() {
  for (const TNlsParam& param : NlsParams)
    if (param.Changed) SetSessionParameter(param.Name, param.Value);
}

void TOCIConnection::GetSessionParameters() {
  if (!Connected || OCILite) return;
  CharsetId = 0;
  const bool timestamps = GetOracleVersion() >= 8000;
  const bool charset = !Charset.empty() && timestamps;
  std::vector<TSessionParam> params{
      TSessionParam::OutputInteger(":CharLength"),
      TSessionParam::OutputString(":NlsDateLanguage", kNlsValueSize),
      TSessionParam::OutputString(":NlsDateFormat", kNlsValueSize),
      TSessionParam::OutputString(":NlsNumericCharacters", kNlsValueSize)};
  if (timestamps) {
    params.push_back(TSessionParam::OutputString(":NlsTimeStampFormat", kNlsValueSize));
    params.push_back(TSessionParam::OutputString(":NlsTimeStampTZFormat", kNlsValueSize));
  }
  if (charset) {
    params.push_back(TSessionParam::InputString(":Charset", Charset));
    params.push_back(TSessionParam::OutputInteger(":CharsetId"));
  }
  Command().Execute(SessionParametersBlock(timestamps, charset), params);
  if (CharLengthAuto) CharLength = params[0].IsNull ? 1 : static_cast<uint16_t>(params[0].Integer);
  const int values = timestamps ? kNlsCount : nlsTimeStampFormat;
  for (int i = 0; i < values; ++i) NlsParams[i].Value = params[i + 1].Text;
  if (charset) {
    const TSessionParam& id = params.back();
    if (id.IsNull) RaiseOraException("Cannot find charset " + Charset);
    CharsetId = static_cast<uint16_t>(id.Integer);
  }
}

void TOCIConnection::SetNlsValue(int index, const classlib::Variant& value) {
  std::string text = value.AsString();
  TNlsParam& param = NlsParams[index];
  if (text == param.Value) return;
  param.Value = text;
  param.Changed = !text.empty();
  if (param.Changed) SetSessionParameter(param.Name, param.Value);
}

std::string TOCIConnection::GetNlsValue(int index) {
  if (NlsParams[index].Value.empty()) GetSessionParameters();
  return NlsParams[index].Value;
}

void TOCIConnection::SetCharLength(uint16_t value) {
  if (!((CharLengthAuto && value != 0) || value != CharLength)) return;
  CharLength = value;
  MaxStringSize = 0;
  CharLengthAuto = value == 0;
  if (value == 0) GetSessionParameters();
}

// ---- Client identifier and statement cache ---------------------------------------------

void TOCIConnection::SetClientIdentifier(const std::string& text) {
  if (!Connected) RaiseOraException(messages::kSessionNotConnected);
  if (!text.empty() && text[0] == ':') RaiseOraException(messages::kClientIdentifierColon);
  if (GetOracleVersion() < 9000) return;
  // An empty identifier is sent as one zero byte, which clears it.
  const ub4 length = text.empty() ? 1 : static_cast<ub4>(text.size());
  SessionSettingsChanged = true;
  if (OCIVersion < 9000) {
    std::vector<TSessionParam> params{TSessionParam::InputString(":a", text)};
    try {
      Command().Execute("BEGIN DBMS_SESSION.SET_IDENTIFIER(:a); END;", params);
    } catch (const EOraError& e) {
      if (e.ErrorCode() != 6550) throw;
      throw EOraError(6550, "Please execute GRANT EXECUTE ON DBMS_SESSION TO " + Username +
                                " as SYS\r\r" + e.Message(),
                      e.Component());
    }
  } else {
    TConnectionLock lock(*this);
    SetAttr(ServiceSession(), OCI_HTYPE_SESSION, text.c_str(), length, OCI_ATTR_CLIENT_IDENTIFIER);
  }
}

OCISession* TOCIConnection::ServiceSession() {
  if (hSession) return hSession;
  void* session = nullptr;
  Check(OCIAttrGet(GetSvcCtx(), OCI_HTYPE_SVCCTX, &session, nullptr, OCI_ATTR_SESSION, hError));
  return static_cast<OCISession*>(session);
}

void TOCIConnection::SetStatementCacheSize(uint32_t size) {
  if (!StatementCacheUsable()) return;
  CheckOCI80();
  ub4 value = size;
  SetAttr(hSvcCtx, OCI_HTYPE_SVCCTX, &value, 4, OCI_ATTR_STMTCACHESIZE);
}

// ---- Fail-over --------------------------------------------------------------------------

sb4 TOCIConnection::FailoverCallback(void*, void*, void* context, ub4 failover_type,
                                     ub4 failover_event) {
  classlib::Assert(context != nullptr, "OraClasses", __LINE__);
  auto* connection = static_cast<TOCIConnection*>(context);
  // Nothing may be thrown across the client library. A renewed session
  // whose settings could not be applied again is marked not valid, so the
  // next check finds it instead of it running with the server's defaults.
  try {
    if (failover_event == OCI_FO_END) connection->ApplyChangedNlsParams();
  } catch (const std::exception&) {
    connection->IsValid = false;
  }
  bool retry = false;
  try {
    if (connection->OnFailover) connection->OnFailover(failover_event, failover_type, retry);
  } catch (const std::exception&) {
    retry = false;
  }
  return retry ? OCI_FO_RETRY : 0;
}

// ---- Numbered properties ----------------------------------------------------------------

bool TOCIConnection::SetProp(int prop, const classlib::Variant& value) {
  switch (prop) {
    // The run-time library has no multi-threaded flag to set on this system.
    case prThreadSafety: ThreadSafety = value.AsBoolean(); return true;
    case prDateFormat: SetNlsValue(nlsDateFormat, value); return true;
    case prConnectMode: ConnectMode = static_cast<uint8_t>(value.AsInteger()); return true;
    case prCharLength: SetCharLength(static_cast<uint16_t>(value.AsInteger())); return true;
    case prEnableIntegers: EnableIntegers = value.AsBoolean(); return true;
    case prInternalName: InternalName = value.AsString(); return true;
    case prCharset: {
      std::string text = value.AsString();
      if (text == Charset) return true;
      Charset = text;
      if (Connected) GetSessionParameters();
      return true;
    }
    case prDateLanguage: SetNlsValue(nlsDateLanguage, value); return true;
    case prTimeStampFormat: SetNlsValue(nlsTimeStampFormat, value); return true;
    case prTimeStampTZFormat: SetNlsValue(nlsTimeStampTZFormat, value); return true;
    case prNumericCharacters: SetNlsValue(nlsNumericCharacters, value); return true;
    case prEnableNumbers: EnableNumbers = value.AsBoolean(); return true;
    case prUseUnicode: UseUnicode = value.AsBoolean(); return true;
    case prKeepObjectTypes: KeepObjectTypes = value.AsBoolean(); return true;
    case prConnectionTimeout: ConnectionTimeout = static_cast<uint32_t>(value.AsInteger()); return true;
    case prStatementCache: StatementCache = value.AsBoolean(); return true;
    case prStatementCacheSize:
      StatementCacheSize = static_cast<uint32_t>(value.AsInteger());
      if (Connected) SetStatementCacheSize(StatementCacheSize);
      return true;
    default: return dacore::TCRConnection::SetProp(prop, value);
  }
}

bool TOCIConnection::GetProp(int prop, classlib::Variant& value) {
  switch (prop) {
    case prMaxStringSize: value = static_cast<int32_t>(GetMaxStringSize()); return true;
    case prDateFormat: value = GetNlsValue(nlsDateFormat); return true;
    case prCharLength: value = static_cast<int32_t>(CharLengthAuto ? 0 : CharLength); return true;
    case prCharset: value = Charset; return true;
    case prDateLanguage: value = GetNlsValue(nlsDateLanguage); return true;
    case prTimeStampFormat: value = GetNlsValue(nlsTimeStampFormat); return true;
    case prTimeStampTZFormat: value = GetNlsValue(nlsTimeStampTZFormat); return true;
    case prNumericCharacters: value = GetNlsValue(nlsNumericCharacters); return true;
    case prUseUnicode: value = UseUnicode; return true;
    default: return dacore::TCRConnection::GetProp(prop, value);
  }
}

}  // namespace oracle
