// 64 MB of mixed text blobs compressed and inflated through TCompressedBlob
// and through plain zlib on the same bytes. The peer does what the
// compression hook does: deflate at the default level (-1) with one
// deflate(Z_FINISH) into a buffer of n + n/5 + 12 bytes, and one
// inflate(Z_FINISH) straight into the caller's buffer.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "dacore/bench/bench_text.h"
#include "dacore/blob_compressed.h"

namespace {

constexpr size_t kTotal = 64u << 20;

// Blobs of 16 KB to 1 MB, 64 MB together.
const std::vector<std::string>& Blobs() {
  static const std::vector<std::string> blobs = [] {
    std::vector<std::string> out;
    size_t total = 0;
    uint32_t seed = 1;
    while (total < kTotal) {
      const size_t size = std::min(kTotal - total, size_t{16384} << (seed % 7));
      out.push_back(dacore::bench::MixedText(size, seed++));
      total += size;
    }
    return out;
  }();
  return blobs;
}

struct BlobRelease {
  void operator()(dacore::TCompressedBlob* b) const { b->Release(); }
};
using BlobPtr = std::unique_ptr<dacore::TCompressedBlob, BlobRelease>;

std::vector<uint8_t> ZlibDeflate(const std::string& text) {
  std::vector<uint8_t> out(text.size() + text.size() / 5 + 12);
  z_stream z{};
  deflateInit(&z, Z_DEFAULT_COMPRESSION);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) out.clear();
  return out;
}

void BM_CompressThroughBlob(benchmark::State& state) {
  const auto& blobs = Blobs();
  BlobPtr blob(new dacore::TCompressedBlob());
  size_t stored = 0;
  for (auto _ : state) {
    stored = 0;
    for (const std::string& text : blobs) {
      if (!blob->Compress(text.data(), static_cast<uint32_t>(text.size()))) state.SkipWithError("not compressed");
      stored += blob->CompressedSize();
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTotal));
  state.counters["stored_MB"] = static_cast<double>(stored) / (1 << 20);
}

void BM_CompressPlainZlib(benchmark::State& state) {
  const auto& blobs = Blobs();
  size_t stored = 0;
  for (auto _ : state) {
    stored = 0;
    for (const std::string& text : blobs) {
      const std::vector<uint8_t> z = ZlibDeflate(text);
      if (z.empty()) state.SkipWithError("deflate failed");
      stored += z.size() + dacore::kCompressedHeaderSize;
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTotal));
  state.counters["stored_MB"] = static_cast<double>(stored) / (1 << 20);
}

void BM_UncompressThroughBlob(benchmark::State& state) {
  const auto& texts = Blobs();
  std::vector<BlobPtr> blobs;
  for (const std::string& text : texts) {
    blobs.emplace_back(new dacore::TCompressedBlob());
    blobs.back()->Compress(text.data(), static_cast<uint32_t>(text.size()));
  }
  std::vector<char> out(size_t{16384} << 6);
  for (auto _ : state) {
    for (size_t i = 0; i < blobs.size(); ++i) {
      // A whole read inflates straight into the caller's buffer.
      if (blobs[i]->Read(0, 0, out.data()) != texts[i].size()) state.SkipWithError("short read");
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTotal));
}

void BM_UncompressPlainZlib(benchmark::State& state) {
  const auto& texts = Blobs();
  std::vector<std::vector<uint8_t>> streams;
  for (const std::string& text : texts) streams.push_back(ZlibDeflate(text));
  std::vector<char> out(size_t{16384} << 6);
  for (auto _ : state) {
    for (size_t i = 0; i < streams.size(); ++i) {
      z_stream z{};
      inflateInit(&z);
      z.next_in = streams[i].data();
      z.avail_in = static_cast<uInt>(streams[i].size());
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = static_cast<uInt>(texts[i].size());
      if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.total_out != texts[i].size()) state.SkipWithError("inflate");
      inflateEnd(&z);
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTotal));
}

BENCHMARK(BM_CompressThroughBlob)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CompressPlainZlib)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_UncompressThroughBlob)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_UncompressPlainZlib)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
