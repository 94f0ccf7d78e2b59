// The stand-in's LOB entries and their control functions
// (oci_standin_values_control.h): a store of LOB values that locators point
// at, temporary LOBs, reads in one buffer, polling or in pieces, writes in
// one piece or in pieces, trims; a file locator (oci_standin_bfile) is read
// the same way.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"
#include "testing/oci_standin/oci_standin_values_control.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

std::string Arg(const char* name, uint64_t value) { return std::string(" ") + name + "=" + std::to_string(value); }

// ---- Units and the client's buffers ------------------------------------------

void AppendUtf8(std::string& out, char16_t unit) {
  if (unit < 0x80) {
    out += static_cast<char>(unit);
  } else if (unit < 0x800) {
    out += static_cast<char>(0xC0 | (unit >> 6));
    out += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (unit >> 12));
    out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (unit & 0x3F));
  }
}

std::u16string FromUtf8(const std::string& text) {
  std::u16string units;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char16_t unit = extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
    for (int k = 1; k <= extra && i + k < text.size(); ++k)
      unit = static_cast<char16_t>((unit << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F));
    units += unit;
    i += static_cast<size_t>(extra) + 1;
  }
  return units;
}

// The bytes one unit takes in the client's buffer.
std::string Encode(char16_t unit, bool binary, ub2 csid, int width) {
  std::string bytes;
  if (binary) {
    bytes += static_cast<char>(unit);
  } else if (csid == OCI_UTF16ID) {
    bytes.append(reinterpret_cast<const char*>(&unit), 2);
  } else if (width > 1) {
    AppendUtf8(bytes, unit);
  } else {
    bytes += unit < 256 ? static_cast<char>(unit) : '?';
  }
  return bytes;
}

std::u16string Decode(const char* data, size_t length, bool binary, ub2 csid, int width) {
  if (binary || (csid != OCI_UTF16ID && width <= 1)) {
    std::u16string units;
    for (size_t i = 0; i < length; ++i) units += static_cast<unsigned char>(data[i]);
    return units;
  }
  if (csid == OCI_UTF16ID) {
    std::u16string units(length / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    return units;
  }
  return FromUtf8(std::string(data, length));
}

// ---- Locators ----------------------------------------------------------------

Handle* Locator(State& state, const void* pointer) {
  Handle* handle = Live(state, pointer);
  return handle && (handle->type == OCI_DTYPE_LOB || handle->type == OCI_DTYPE_FILE) ? handle : nullptr;
}

// A value of the SQLite tier is read from its cell each time: another
// locator of the same row may have written it.
LobValue* ValueOf(State& state, Handle* locator) {
  auto found = state.values.lobs.find(locator->value.lob);
  if (found == state.values.lobs.end()) return nullptr;
  if (found->second.cell.session) TierLoadCell(state, found->second);
  return &found->second;
}

bool IsFile(const Handle* locator) { return locator->type == OCI_DTYPE_FILE; }

// Stores a new value on the server and points the locator at it.
void PointAt(State& state, Handle* locator, const LobValue& value) {
  const int id = state.values.next_lob++;
  state.values.lobs[id] = value;
  locator->value = DescriptorValue{};
  locator->value.lob = id;
}

// The units a locator reads: a LOB's value or an open file's bytes.
sword ReadUnits(State& state, Handle* locator, void* error, std::u16string& units, bool& binary) {
  if (IsFile(locator)) {
    if (!locator->value.file_open)
      return Fail(state, error, 22289, "ORA-22289: cannot perform FILEREAD operation on an unopened file or LOB");
    std::ifstream in(FilePath(state, locator), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    units.clear();
    for (unsigned char c : bytes) units += c;
    binary = true;
    return OCI_SUCCESS;
  }
  LobValue* value = ValueOf(state, locator);
  if (!value) return Fail(state, error, 22275, "ORA-22275: invalid LOB locator specified");
  units = value->units;
  binary = value->kind == 1;
  return OCI_SUCCESS;
}

// Fills the buffer from unit `at` with at most `limit` units (0: no limit)
// that fit; answers the units taken and sets the bytes written.
uint64_t Fill(const std::u16string& units, uint64_t at, uint64_t limit, bool binary, ub2 csid,
              int width, void* buffer, uint64_t capacity, uint64_t& bytes) {
  uint64_t taken = 0;
  bytes = 0;
  auto* out = static_cast<char*>(buffer);
  while (at + taken < units.size() && (limit == 0 || taken < limit)) {
    std::string encoded = Encode(units[at + taken], binary, csid, width);
    if (bytes + encoded.size() > capacity) break;
    std::memcpy(out + bytes, encoded.data(), encoded.size());
    bytes += encoded.size();
    ++taken;
  }
  return taken;
}

// How a read hands its data over: in one buffer as much as fits, polling
// (the older read: piece by piece when the amount does not fit the buffer,
// or with amount 0 to the end), or as the first or next piece of a read
// asked for in pieces.
enum class ReadMode { kOnePiece, kPolling, kFirstPiece, kNextPiece };

struct ReadRequest {
  uint64_t amount;   // units asked for; 0: to the end
  uint64_t offset;   // from 1
  void* buffer;
  uint64_t capacity;
  ReadMode mode;
  ub2 csid;
};

// One read; sets the units and bytes handed over and answers 0, or 99 while
// a polling or piecewise read has more to hand over. A read in pieces goes
// on from where the last piece ended, whatever offset the call names.
sword DoRead(State& state, void* error, Handle* locator, const ReadRequest& request,
             uint64_t& units_read, uint64_t& bytes_read) {
  units_read = bytes_read = 0;
  std::u16string units;
  bool binary = true;
  if (sword status = ReadUnits(state, locator, error, units, binary)) return status;
  DescriptorValue& value = locator->value;
  const bool goes_on = value.streaming && (request.mode == ReadMode::kPolling || request.mode == ReadMode::kNextPiece);
  if (request.mode == ReadMode::kNextPiece && !value.streaming)
    return Fail(state, error, 24804, "ORA-24804: illegal parameter value in lob read function");
  if (!goes_on && request.offset == 0)
    return Fail(state, error, 24801, "ORA-24801: illegal parameter value in OCI lob function");
  const uint64_t at = goes_on ? value.stream_at : request.offset - 1;
  const uint64_t limit = goes_on ? value.stream_left : request.amount;
  units_read = Fill(units, at, limit, binary, request.csid, state.values.charset_width, request.buffer,
                    request.capacity, bytes_read);
  const uint64_t left = limit == 0 ? 0 : limit - units_read;
  const bool more = units_read > 0 && at + units_read < units.size() && (limit == 0 || left > 0);
  value.stream_at = at + units_read;
  value.stream_left = left;
  value.streaming = more && request.mode != ReadMode::kOnePiece;
  return value.streaming ? OCI_NEED_DATA : OCI_SUCCESS;
}

// One call of a write: in one piece, or the first, next or last piece of a
// write in pieces, which answers 99 until its last piece came. Sets the
// units written (all of a write in pieces once it ends).
sword DoWrite(State& state, void* error, Handle* locator, LobValue& value, std::u16string units, ub4 offset,
              ub1 piece, uint64_t& amount) {
  DescriptorValue& place = locator->value;
  const bool goes_on = piece == OCI_NEXT_PIECE || piece == OCI_LAST_PIECE;
  if (goes_on && !place.writing)
    return Fail(state, error, 24801, "ORA-24801: illegal parameter value in OCI lob function");
  if (!goes_on && offset == 0) return Fail(state, error, 24801, "ORA-24801: illegal parameter value in OCI lob function");
  if (piece == OCI_ONE_PIECE && amount < units.size()) units.resize(amount);
  if (!goes_on) place.write_at = offset - 1, place.written = 0;
  const bool binary = value.kind == 1;
  std::u16string& stored = value.units;
  if (stored.size() < place.write_at) stored.resize(place.write_at, binary ? u'\0' : u' ');
  stored.replace(place.write_at, std::min<size_t>(units.size(), stored.size() - place.write_at), units);
  place.write_at += units.size();
  place.written += units.size();
  place.writing = piece == OCI_FIRST_PIECE || piece == OCI_NEXT_PIECE;
  amount = place.written;
  if (value.cell.session) TierStoreCell(state, value);
  return place.writing ? OCI_NEED_DATA : OCI_SUCCESS;
}

}  // namespace

extern "C" {

sword OCILobCreateTemporary(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub2 csid,
                            ub1 csfrm, ub1 lob_type, boolean cache, ub2 duration) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobCreateTemporary" + Arg("csid", csid) + Arg("csfrm", csfrm) + Arg("type", lob_type) +
                 Arg("cache", static_cast<uint64_t>(cache)) + Arg("duration", duration));
  if (sword status = InjectedStatus(state, "OCILobCreateTemporary", error)) return status;
  Handle* live = Locator(state, locator);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !live || IsFile(live)) return OCI_INVALID_HANDLE;
  // Only OCI_TEMP_BLOB (1) and OCI_TEMP_CLOB (2) exist; a CLOB's form is
  // implicit (0 or SQLCS_IMPLICIT) or SQLCS_NCHAR for an NCLOB.
  if (lob_type < 1 || lob_type > 2 || (lob_type == 2 && csfrm > SQLCS_NCHAR))
    return Fail(state, error, 24801, "ORA-24801: illegal parameter value in OCI lob function");
  LobValue value;
  value.kind = lob_type == 2 && csfrm == SQLCS_NCHAR ? 3 : lob_type;
  value.temporary = true;
  PointAt(state, live, value);
  return OCI_SUCCESS;
}

sword OCILobFreeTemporary(OCISvcCtx* context, OCIError* error, OCILobLocator* locator) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobFreeTemporary");
  if (sword status = InjectedStatus(state, "OCILobFreeTemporary", error)) return status;
  Handle* live = Locator(state, locator);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !live) return OCI_INVALID_HANDLE;
  LobValue* value = ValueOf(state, live);
  if (!value || !value->temporary)
    return Fail(state, error, 22275, "ORA-22275: invalid LOB locator specified");
  state.values.lobs.erase(live->value.lob);
  live->value = DescriptorValue{};
  return OCI_SUCCESS;
}

sword OCILobIsTemporary(OCIEnv* env, OCIError* error, OCILobLocator* locator, boolean* temporary) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobIsTemporary");
  Handle* live = Locator(state, locator);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !temporary) return OCI_INVALID_HANDLE;
  LobValue* value = ValueOf(state, live);
  *temporary = value && value->temporary ? 1 : 0;
  (void)error;
  return OCI_SUCCESS;
}

sword OCILobLocatorIsInit(OCIEnv* env, OCIError* error, const OCILobLocator* locator, boolean* init) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobLocatorIsInit");
  if (sword status = InjectedStatus(state, "OCILobLocatorIsInit", error)) return status;
  Handle* live = Locator(state, locator);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !init) return OCI_INVALID_HANDLE;
  *init = (IsFile(live) ? !live->value.directory.empty() : ValueOf(state, live) != nullptr) ? 1 : 0;
  return OCI_SUCCESS;
}

sword OCILobGetLength(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* length) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobGetLength");
  if (sword status = InjectedStatus(state, "OCILobGetLength", error)) return status;
  Handle* live = Locator(state, locator);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !live || !length) return OCI_INVALID_HANDLE;
  if (IsFile(live)) {
    std::error_code failed;
    auto size = std::filesystem::file_size(FilePath(state, live), failed);
    if (failed) return Fail(state, error, 22288, "ORA-22288: file or LOB operation GETLENGTH failed");
    *length = static_cast<ub4>(size);
    return OCI_SUCCESS;
  }
  LobValue* value = ValueOf(state, live);
  if (!value) return Fail(state, error, 22275, "ORA-22275: invalid LOB locator specified");
  *length = static_cast<ub4>(value->units.size());
  return OCI_SUCCESS;
}

sword OCILobCharSetForm(OCIEnv* env, OCIError* error, const OCILobLocator* locator, ub1* form) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobCharSetForm");
  Handle* live = Locator(state, locator);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !form) return OCI_INVALID_HANDLE;
  LobValue* value = ValueOf(state, live);
  if (!value) return Fail(state, error, 22275, "ORA-22275: invalid LOB locator specified");
  *form = value->kind == 1 ? 0 : value->kind == 3 ? SQLCS_NCHAR : SQLCS_IMPLICIT;
  return OCI_SUCCESS;
}

sword OCILobRead(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset,
                 void* buffer, ub4 buffer_length, void*, void*, ub2 csid, ub1 csfrm) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobRead" + Arg("amount", amount ? *amount : 0) + Arg("offset", offset) +
                 Arg("bufl", buffer_length) + Arg("csid", csid) + Arg("csfrm", csfrm));
  if (sword status = InjectedStatus(state, "OCILobRead", error)) return status;
  Handle* live = Locator(state, locator);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !live || !amount || !buffer) return OCI_INVALID_HANDLE;
  ReadRequest request{*amount, offset, buffer, buffer_length, ReadMode::kPolling, csid};
  uint64_t units = 0, bytes = 0;
  sword status = DoRead(state, error, live, request, units, bytes);
  // The amount of the piece: characters of a fixed-width client, bytes of
  // a varying-width one.
  *amount = static_cast<ub4>(csid == OCI_UTF16ID ? bytes / 2 : bytes);
  return Answered(state, status);
}

sword OCILobRead2(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub8* byte_amount,
                  ub8* char_amount, ub8 offset, void* buffer, ub8 buffer_length, ub1 piece, void*,
                  void*, ub2 csid, ub1 csfrm) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobRead2" + Arg("bytes", byte_amount ? *byte_amount : 0) +
                 Arg("chars", char_amount ? *char_amount : 0) + Arg("offset", offset) +
                 Arg("bufl", buffer_length) + Arg("piece", piece) + Arg("csid", csid) + Arg("csfrm", csfrm));
  if (sword status = InjectedStatus(state, "OCILobRead2", error)) return status;
  Handle* live = Locator(state, locator);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !live || !byte_amount || !char_amount || !buffer)
    return OCI_INVALID_HANDLE;
  const uint64_t limit = *char_amount != 0 ? *char_amount : *byte_amount;
  const ReadMode mode = piece == OCI_FIRST_PIECE  ? ReadMode::kFirstPiece
                        : piece == OCI_NEXT_PIECE ? ReadMode::kNextPiece
                                                  : ReadMode::kOnePiece;
  ReadRequest request{limit, offset, buffer, buffer_length, mode, csid};
  uint64_t units = 0, bytes = 0;
  sword status = DoRead(state, error, live, request, units, bytes);
  *byte_amount = bytes;
  *char_amount = units;
  return Answered(state, status);
}

sword OCILobWrite(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset,
                  void* buffer, ub4 buffer_length, ub1 piece, void*, void*, ub2 csid, ub1 csfrm) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobWrite" + Arg("amount", amount ? *amount : 0) + Arg("offset", offset) +
                 Arg("bufl", buffer_length) + Arg("piece", piece) + Arg("csid", csid) + Arg("csfrm", csfrm));
  if (sword status = InjectedStatus(state, "OCILobWrite", error)) return status;
  Handle* live = Locator(state, locator);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !live || !amount || !buffer) return OCI_INVALID_HANDLE;
  if (IsFile(live)) return Fail(state, error, 22286, "ORA-22286: insufficient privileges on file or directory to perform WRITE operation");
  LobValue* value = ValueOf(state, live);
  if (!value) return Fail(state, error, 22275, "ORA-22275: invalid LOB locator specified");
  if (piece > OCI_LAST_PIECE) return Fail(state, error, 24801, "ORA-24801: illegal parameter value in OCI lob function");
  std::u16string units = Decode(static_cast<const char*>(buffer), buffer_length, value->kind == 1, csid,
                                state.values.charset_width);
  uint64_t written = *amount;
  const sword status = DoWrite(state, error, live, *value, std::move(units), offset, piece, written);
  *amount = static_cast<ub4>(written);
  return Answered(state, status);
}

sword OCILobTrim(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4 new_length) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobTrim" + Arg("length", new_length));
  if (sword status = InjectedStatus(state, "OCILobTrim", error)) return status;
  Handle* live = Locator(state, locator);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !live) return OCI_INVALID_HANDLE;
  LobValue* value = ValueOf(state, live);
  if (!value) return Fail(state, error, 22275, "ORA-22275: invalid LOB locator specified");
  if (new_length > value->units.size())
    return Fail(state, error, 22926, "ORA-22926: specified trim length is greater than current LOB value's length");
  value->units.resize(new_length);
  if (value->cell.session) TierStoreCell(state, *value);
  return OCI_SUCCESS;
}

// ---- Control -------------------------------------------------------------------

int standin_lob_attach(void* locator, int kind, const char* data, int length) {
  State& state = TheState();
  Guard guard(state.lock);
  Handle* live = Live(state, locator, OCI_DTYPE_LOB);
  if (!live || kind < 1 || kind > 3) return -1;
  LobValue value;
  value.kind = static_cast<ub1>(kind);
  std::string bytes(data ? data : "", data ? static_cast<size_t>(length) : 0);
  value.units = kind == 1 ? Decode(bytes.data(), bytes.size(), true, 0, 1) : FromUtf8(bytes);
  PointAt(state, live, value);
  return 0;
}

int standin_lob_content(void* locator, char* buffer, int size) {
  State& state = TheState();
  Guard guard(state.lock);
  Handle* live = Live(state, locator, OCI_DTYPE_LOB);
  LobValue* value = live ? ValueOf(state, live) : nullptr;
  if (!value) return -1;
  std::string bytes;
  for (char16_t unit : value->units) {
    if (value->kind == 1) bytes += static_cast<char>(unit);
    else AppendUtf8(bytes, unit);
  }
  if (buffer && size > 0) std::memcpy(buffer, bytes.data(), std::min<size_t>(bytes.size(), static_cast<size_t>(size)));
  return static_cast<int>(bytes.size());
}

int standin_lob_count(void) {
  State& state = TheState();
  Guard guard(state.lock);
  return static_cast<int>(state.values.lobs.size());
}

int standin_temporary_lob_count(void) {
  State& state = TheState();
  Guard guard(state.lock);
  return static_cast<int>(std::count_if(state.values.lobs.begin(), state.values.lobs.end(),
                                        [](const auto& entry) { return entry.second.temporary; }));
}

void standin_set_charset_width(int width) {
  State& state = TheState();
  Guard guard(state.lock);
  state.values.charset_width = width;
}

}
