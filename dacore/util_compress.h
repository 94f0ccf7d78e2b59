// The two process-wide compression hooks that compressed blobs use, set at
// start-up to one-shot zlib deflate and inflate, and the checks around them.
#pragma once

#include <cstdint>

#include "classlib/exceptions.h"

namespace dacore {

CLASSLIB_EXCEPTION(ECompressionError, classlib::Exception)
CLASSLIB_EXCEPTION(EDecompressionError, classlib::Exception)
CLASSLIB_EXCEPTION(EZLibError, classlib::Exception)

// Compresses (or inflates) source_len bytes from source into dest, which
// holds dest_len bytes; dest_len receives the number of bytes produced.
using TCompressProc = void (*)(void* dest, int32_t& dest_len, const void* source, int32_t source_len);

TCompressProc CompressProc();
TCompressProc UncompressProc();
void SetCompressProc(TCompressProc proc);
void SetUncompressProc(TCompressProc proc);

// One zlib stream (default level, zlib header and trailer) of the whole
// source; ECompressionError "Error" when zlib fails, EZLibError when the
// destination is too small.
void ZCompress(void* dest, int32_t& dest_len, const void* source, int32_t source_len);
// The inverse; EDecompressionError "Error" for a damaged stream.
void ZUncompress(void* dest, int32_t& dest_len, const void* source, int32_t source_len);

// Raises "Compressor function is not linked" or "Uncompressor function is
// not linked" when a hook is unset.
void CheckCompressProcs();
// Call the hooks; an unset hook is an assertion failure naming it.
void DoCompress(void* dest, int32_t& dest_len, const void* source, int32_t source_len);
void DoUncompress(void* dest, int32_t& dest_len, const void* source, int32_t source_len);
// A negative zlib code raises the compression (or decompression) error
// "Error"; otherwise the code is returned.
int CheckCompressResult(int code);
int CheckDecompressResult(int code);

}  // namespace dacore
