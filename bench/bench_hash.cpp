// Throughput of the hash beside OpenSSL's SHA-512 and BLAKE2b-512, on the same
// buffers in the same process, and the latency shapes the KAT generator uses.
// "Morv512" and "Morv1024" run the library as its users do, on the kernel it
// chooses; "Morv1024:x86-64" and the like run the whole hash with one kernel
// forced, for every kernel of kernels.h that this CPU can run. "Batch512:avx512"
// and the like hash many messages at once on each lane kernel, "Batch512" on
// the lane kernels as the library chooses among them.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "hasher.h"
#include "forced_kernels.h"
#include "kernels.h"
#include "morv.h"

namespace {

constexpr std::size_t kMaxSize = 16 << 20;

// One buffer for every benchmark, filled once; its start is 64-byte aligned.
const std::uint8_t* Input() {
  static const std::vector<std::uint8_t> buffer = [] {
    std::vector<std::uint8_t> b(kMaxSize + 64);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return b;
  }();
  const auto address = reinterpret_cast<std::uintptr_t>(buffer.data());
  return buffer.data() + (64 - address % 64) % 64;
}

void SetBytes(benchmark::State& state, std::size_t bytesPerIteration) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytesPerIteration));
}

void Morv(benchmark::State& state, int digestBits) {
  const auto size = static_cast<std::size_t>(state.range(0));
  std::uint8_t digest[256];
  for (auto _ : state) {
    morv::HashMessage(digestBits, Input(), 8 * size, digest);
    benchmark::DoNotOptimize(digest);
  }
  SetBytes(state, size);
}
void Morv512(benchmark::State& state) { Morv(state, 512); }
void Morv1024(benchmark::State& state) { Morv(state, 1024); }

void MorvForced(benchmark::State& state, morv::KernelChoice kernels, int digestBits) {
  const auto size = static_cast<std::size_t>(state.range(0));
  std::uint8_t digest[256];
  for (auto _ : state) {
    morv::HashContext ctx;
    morv::InitWith(kernels, &ctx, digestBits);
    morv::UpdateWith(kernels, &ctx, Input(), 8 * size);
    morv::FinalWith(kernels, &ctx, digest);
    benchmark::DoNotOptimize(digest);
  }
  SetBytes(state, size);
}

// The extremely-long generator's shape: one Update of 64 bytes per call.
void Morv512Stream64(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  std::uint8_t digest[64];
  for (auto _ : state) {
    morv::HashContext ctx;
    morv::Init(&ctx, 512);
    for (std::size_t done = 0; done < size; done += 64) morv::Update(&ctx, Input(), 512);
    morv::Final(&ctx, digest);
    benchmark::DoNotOptimize(digest);
  }
  SetBytes(state, size);
}

// The C++ layer over the same work, to show that it costs nothing.
void Layer512(benchmark::State& state) {
  const std::span<const std::uint8_t> message(Input(), static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const auto digest = morv::hash512(message);
    benchmark::DoNotOptimize(digest);
  }
  SetBytes(state, message.size());
}

void LayerStream64(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    morv::Hasher<512> hasher;
    for (std::size_t done = 0; done < size; done += 64) hasher.update({Input(), 64});
    const auto digest = hasher.finish();
    benchmark::DoNotOptimize(digest);
  }
  SetBytes(state, size);
}

// state.range(0) messages of state.range(1) bytes each through HashMessages,
// choosing from the lane kernels given, side by side in the input, each to a
// 512-bit digest. Bytes processed count every message.
void Batch512(benchmark::State& state, std::span<const morv::LaneKernel> kernels) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const auto size = static_cast<std::size_t>(state.range(1));
  static std::uint8_t digests[64 * (8 << 20) / 64];
  std::vector<morv::MessageJob> jobs;
  for (std::size_t i = 0; i < count; ++i) {
    jobs.push_back({512, Input() + (i * size) % (kMaxSize - size + 1), 8 * size, digests + 64 * i});
  }
  for (auto _ : state) {
    morv::HashMessagesWith(kernels, jobs.data(), jobs.size());
    benchmark::DoNotOptimize(digests);
  }
  SetBytes(state, count * size);
}

// 8 MiB as 64-byte messages; eight messages of 1 MiB, and five to three, which
// the library runs on a narrower kernel where the CPU has one.
void BatchShapes(benchmark::internal::Benchmark* b) {
  b->Args({(8 << 20) / 64, 64});
  for (std::int64_t count : {8, 5, 4, 3}) b->Args({count, 1 << 20});
}

// One Monte Carlo step: a 1024-bit message hashed to a short digest.
void MonteCarloStep(benchmark::State& state) {
  const int digestBits = static_cast<int>(state.range(0));
  std::uint8_t message[128], digest[64];
  std::memcpy(message, Input(), sizeof message);
  for (auto _ : state) {
    morv::HashMessage(digestBits, message, 1024, digest);
    benchmark::DoNotOptimize(digest);
  }
  SetBytes(state, sizeof message);
}

void Evp(benchmark::State& state, const EVP_MD* md) {
  const auto size = static_cast<std::size_t>(state.range(0));
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  for (auto _ : state) {
    EVP_DigestInit_ex(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, Input(), size);
    EVP_DigestFinal_ex(ctx, digest, &length);
    benchmark::DoNotOptimize(digest);
  }
  EVP_MD_CTX_free(ctx);
  SetBytes(state, size);
}
void Sha512(benchmark::State& state) { Evp(state, EVP_sha512()); }
void Blake2b512(benchmark::State& state) { Evp(state, EVP_blake2b512()); }

// Sizes 16 B to 16 MiB by powers of 4, for the chart; 64 B, 1 KiB and 64 KiB are among them.
void Sizes(benchmark::internal::Benchmark* b) {
  for (std::int64_t size = 16; size <= static_cast<std::int64_t>(kMaxSize); size *= 4) b->Arg(size);
}

// Rows "Morv<width>:<kernel>", the other width on its portable kernel;
// "Batch512:<lane kernel>", that kernel forced, and "Batch512", the lane
// kernels that this CPU runs as the library chooses among them.
void RegisterKernels() {
  const morv::KernelChoice portable{morv::kMessageKernels512[0].processBlocks,
                                    morv::kMessageKernels1024[0].processBlocks};
  for (const auto& kernel : morv::kMessageKernels512) {
    if (!kernel.runsHere()) continue;
    benchmark::RegisterBenchmark((std::string("Morv512:") + kernel.name).c_str(), MorvForced,
                                 morv::KernelChoice{kernel.processBlocks, portable.width1024}, 512)
        ->Apply(Sizes);
  }
  for (const auto& kernel : morv::LaneKernelsHere()) {
    benchmark::RegisterBenchmark((std::string("Batch512:") + kernel.name).c_str(), Batch512,
                                 std::span(&kernel, 1))
        ->Apply(BatchShapes);
  }
  benchmark::RegisterBenchmark("Batch512", Batch512, morv::LaneKernelsHere())->Apply(BatchShapes);
  for (const auto& kernel : morv::kMessageKernels1024) {
    if (!kernel.runsHere()) continue;
    benchmark::RegisterBenchmark((std::string("Morv1024:") + kernel.name).c_str(), MorvForced,
                                 morv::KernelChoice{portable.width512, kernel.processBlocks}, 1024)
        ->Apply(Sizes);
  }
}

BENCHMARK(Morv512)->Apply(Sizes);
BENCHMARK(Morv1024)->Apply(Sizes);
BENCHMARK(Sha512)->Apply(Sizes);
BENCHMARK(Blake2b512)->Apply(Sizes);
BENCHMARK(Morv512Stream64)->Arg(kMaxSize);
BENCHMARK(MonteCarloStep)->Arg(224)->Arg(512);
BENCHMARK(Layer512)->Arg(64)->Arg(kMaxSize);
BENCHMARK(LayerStream64)->Arg(kMaxSize);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterKernels();
  Input();  // fills the buffer now, not inside the first benchmark's timing
  benchmark::AddCustomContext("morv kernels", std::string(morv::KernelName(512)) + " (512), " +
                                                  morv::KernelName(1024) + " (1024), " +
                                                  morv::BatchKernelName() + " (lanes)");
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
