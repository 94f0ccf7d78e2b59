#include "dacore/util_compress.h"

#include <zlib.h>

#include <atomic>

#include "dacore/messages.h"

namespace dacore {

namespace {

std::atomic<TCompressProc> compress_proc{ZCompress};
std::atomic<TCompressProc> uncompress_proc{ZUncompress};

constexpr const char* kTargetTooSmall = "ZLib error: target buffer may be too small";

void PrepareStream(z_stream& z, void* dest, int32_t dest_len, const void* source, int32_t source_len) {
  z = z_stream{};
  z.next_in = static_cast<Bytef*>(const_cast<void*>(source));
  z.avail_in = static_cast<uInt>(source_len);
  z.next_out = static_cast<Bytef*>(dest);
  z.avail_out = static_cast<uInt>(dest_len);
}

// Ends the stream on every way out, as the one-shot routines must.
struct DeflateEnd {
  z_stream* z;
  ~DeflateEnd() { deflateEnd(z); }
};
struct InflateEnd {
  z_stream* z;
  ~InflateEnd() { inflateEnd(z); }
};

}  // namespace

TCompressProc CompressProc() { return compress_proc.load(); }
TCompressProc UncompressProc() { return uncompress_proc.load(); }
void SetCompressProc(TCompressProc proc) { compress_proc.store(proc); }
void SetUncompressProc(TCompressProc proc) { uncompress_proc.store(proc); }

void ZCompress(void* dest, int32_t& dest_len, const void* source, int32_t source_len) {
  z_stream z;
  PrepareStream(z, dest, dest_len, source, source_len);
  CheckCompressResult(deflateInit(&z, Z_DEFAULT_COMPRESSION));
  DeflateEnd end{&z};
  if (CheckCompressResult(deflate(&z, Z_FINISH)) != Z_STREAM_END) throw EZLibError(kTargetTooSmall);
  dest_len = static_cast<int32_t>(z.total_out);
}

void ZUncompress(void* dest, int32_t& dest_len, const void* source, int32_t source_len) {
  z_stream z;
  PrepareStream(z, dest, dest_len, source, source_len);
  CheckDecompressResult(inflateInit(&z));
  InflateEnd end{&z};
  if (CheckDecompressResult(inflate(&z, Z_FINISH)) != Z_STREAM_END) throw EZLibError(kTargetTooSmall);
  dest_len = static_cast<int32_t>(z.total_out);
}

void CheckCompressProcs() {
  if (!CompressProc()) throw classlib::Exception(SCompressorNotLinked);
  if (!UncompressProc()) throw classlib::Exception(SUncompressorNotLinked);
}

void DoCompress(void* dest, int32_t& dest_len, const void* source, int32_t source_len) {
  const TCompressProc proc = CompressProc();
  classlib::Assert(proc != nullptr, __FILE__, __LINE__, SCompressorNotLinked);
  proc(dest, dest_len, source, source_len);
}

void DoUncompress(void* dest, int32_t& dest_len, const void* source, int32_t source_len) {
  const TCompressProc proc = UncompressProc();
  classlib::Assert(proc != nullptr, __FILE__, __LINE__, SUncompressorNotLinked);
  proc(dest, dest_len, source, source_len);
}

int CheckCompressResult(int code) {
  if (code < 0) throw ECompressionError("Error");
  return code;
}

int CheckDecompressResult(int code) {
  if (code < 0) throw EDecompressionError("Error");
  return code;
}

}  // namespace dacore
