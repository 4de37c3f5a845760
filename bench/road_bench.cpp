// The whole road (extract, encode, write) for a small program and for the same program
// stretched to a 2 GB sparse installer: the cost must not grow with the file's size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "extract/extract.h"
#include "icon/encode.h"
#include "icon/save.h"

namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(EXEICON_TEST_DATA) + "/golden/modern-group.exe";

// A copy of the program with 2 GB of payload after it, as an installer carries; sparse,
// so it costs no disk.
std::string sparse_installer() {
  static const std::string path = [] {
    const std::string p = (fs::temp_directory_path() / "exeicon-bench-2g.exe").string();
    fs::copy_file(kProgram, p, fs::copy_options::overwrite_existing);
    const int fd = ::open(p.c_str(), O_WRONLY);
    if (fd < 0 || ::ftruncate(fd, off_t{2} << 30) != 0) std::perror("sparse file");
    ::close(fd);
    return p;
  }();
  // Removed when the benchmark ends, so 2 GB of holes do not linger in /tmp.
  static const struct Remover {
    ~Remover() { fs::remove(path); }
  } remover;
  return path;
}

void run_road(benchmark::State& state, const std::string& program) {
  const std::string out = (fs::temp_directory_path() / "exeicon-bench.ico").string();
  uint64_t bytes_read = 0;
  for (auto _ : state) {
    auto source = exeicon::FileSource::open(program);
    auto extraction = exeicon::extract_icon(*source);
    exeicon::save_icon_file(out, extraction.icon.get(), program);
    bytes_read = source->bytes_read();
  }
  state.counters["file_MB"] = static_cast<double>(fs::file_size(program)) / 1e6;
  state.counters["bytes_read"] = static_cast<double>(bytes_read);
  fs::remove(out);
}

void BM_SmallProgram(benchmark::State& state) { run_road(state, kProgram); }
void BM_SparseInstaller2GB(benchmark::State& state) { run_road(state, sparse_installer()); }

// Extraction alone, without the disk write and its fsync.
void BM_ExtractSmall(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(exeicon::extract_icon_file(kProgram));
}
void BM_Extract2GB(benchmark::State& state) {
  const std::string p = sparse_installer();
  for (auto _ : state) benchmark::DoNotOptimize(exeicon::extract_icon_file(p));
}

BENCHMARK(BM_SmallProgram)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SparseInstaller2GB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractSmall)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Extract2GB)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
