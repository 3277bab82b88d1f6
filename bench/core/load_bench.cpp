// Load and parse (ReadNISTFromMemory) of files with 1, 10 and 100 Type-2
// records, of one large Type-2 record, and of a real fingerprint file.
#include <benchmark/benchmark.h>

#include <Trelvo.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "nist_builder.h"

namespace {

using namespace nist_test;

// Type-1 and `records` Type-2 records of a dozen ordinary fields each.
std::string fileWithType2Records(int records) {
  std::string cnt_text = "1";
  cnt_text += US + std::to_string(records);
  std::string body;
  for (int i = 1; i <= records; ++i) {
    cnt_text += RS + std::string("2") + US + std::to_string(i);
    Tagged t2(2);
    t2.field(2, std::to_string(i)).field(4, "20240101").field(7, "CASE-" + std::to_string(i))
        .field(30, "DOE, JOHN").field(32, "1 MAIN STREET").field(35, "19700101").field(37, "SOMEWHERE")
        .field(39, "M").field(41, "180").field(43, "BRO").field(63, "additional information");
    body += t2.bytes();
  }
  return type1(cnt_text).bytes() + body;
}

// One Type-2 record with `fields` fields (numbers 3 ... fields + 2) of 40 bytes.
std::string fileWithLargeType2Record(int fields) {
  Tagged t2(2);
  t2.field(2, "0");
  for (int n = 3; n < fields + 3; ++n) t2.field(n, std::string(40, static_cast<char>('A' + n % 26)));
  return join({type1(cnt({{"2", "0"}})), t2});
}

void loadLoop(benchmark::State& state, const std::string& bytes) {
  SetTrelvoErrorReportMode(0);
  for (auto _ : state) {
    const int loaded = ReadNISTFromMemory(bytes.data(), static_cast<int>(bytes.size()));
    benchmark::DoNotOptimize(loaded);
  }
  if (std::string(ReadTrelvoLastErrorMessage()) != "OK. No error") state.SkipWithError(ReadTrelvoLastErrorMessage());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
}

void BM_LoadType2Records(benchmark::State& state) {
  loadLoop(state, fileWithType2Records(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadType2Records)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_LoadLargeType2Record(benchmark::State& state) {
  loadLoop(state, fileWithLargeType2Record(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadLargeType2Record)->Arg(16000)->Unit(benchmark::kMicrosecond);

void BM_LoadCorpusFile(benchmark::State& state) {
  const auto path = std::filesystem::path(TRELVO_CORPUS_DIR) / "type-4-14-slaps.an2";
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) {
    state.SkipWithError("corpus file type-4-14-slaps.an2 is absent");
    return;
  }
  loadLoop(state, bytes);
}
BENCHMARK(BM_LoadCorpusFile)->Unit(benchmark::kMicrosecond);

}  // namespace
