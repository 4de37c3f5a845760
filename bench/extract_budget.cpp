// Measures one extraction per input file, each in a fresh child process, and fails when
// any takes more than 100 ms or grows the process by more than 64 MiB.
// usage: extract_budget FILE_OR_FOLDER...
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "extract/extract.h"

namespace {

namespace fs = std::filesystem;

constexpr double kBudgetMs = 100.0;
constexpr long kBudgetKiB = 64 * 1024;
// Each file runs this often; the fastest time counts (the machine may be busy), the
// largest memory counts.
constexpr int kRuns = 3;

struct Measure {
  double ms = 0;
  long kib = 0;  // growth of the peak resident set during the extraction
  bool icon = false;
};

long peak_kib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Runs one extraction in a child, so that its peak resident set is its own.
bool measure_once(const std::string& path, Measure& out) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(fds[0]);
    Measure m;
    const long before = peak_kib();
    const auto start = std::chrono::steady_clock::now();
    const exeicon::Extraction extraction = exeicon::extract_icon_file(path);
    const auto stop = std::chrono::steady_clock::now();
    m.ms = std::chrono::duration<double, std::milli>(stop - start).count();
    m.kib = peak_kib() - before;
    m.icon = extraction.icon != nullptr;
    const bool written = write(fds[1], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
    _exit(written ? 0 : 1);
  }
  close(fds[1]);
  const bool got = read(fds[0], &out, sizeof out) == static_cast<ssize_t>(sizeof out);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void collect(const fs::path& arg, std::vector<std::string>& files) {
  if (!fs::is_directory(arg)) {
    files.push_back(arg.string());
    return;
  }
  for (const auto& entry : fs::recursive_directory_iterator(arg)) {
    if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path().string());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) collect(argv[i], files);
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "usage: extract_budget FILE_OR_FOLDER...\n");
    return 2;
  }

  int over = 0;
  size_t icons = 0;
  Measure slowest, largest;
  std::string slowest_file, largest_file;
  for (const std::string& file : files) {
    Measure best{1e9, 0, false};
    for (int run = 0; run < kRuns; ++run) {
      Measure m;
      if (!measure_once(file, m)) {
        std::printf("CRASH  %s: the extraction did not finish\n", file.c_str());
        ++over;
        break;
      }
      best.ms = std::min(best.ms, m.ms);
      best.kib = std::max(best.kib, m.kib);
      best.icon = m.icon;
    }
    icons += best.icon ? 1 : 0;
    if (best.ms > kBudgetMs || best.kib > kBudgetKiB) {
      std::printf("OVER   %s: %.2f ms, %ld KiB\n", file.c_str(), best.ms, best.kib);
      ++over;
    }
    if (best.ms >= slowest.ms) slowest = best, slowest_file = file;
    if (best.kib >= largest.kib) largest = best, largest_file = file;
  }
  std::printf("%zu inputs (%zu gave an icon), one extraction each, fastest of %d runs\n", files.size(), icons, kRuns);
  std::printf("slowest: %.2f ms  %s\n", slowest.ms, slowest_file.c_str());
  std::printf("peak memory: %ld KiB (%.1f MiB)  %s\n", largest.kib, static_cast<double>(largest.kib) / 1024,
              largest_file.c_str());
  if (over > 0) {
    std::printf("FAILED: %d input(s) over the budget of %.0f ms and %ld MiB\n", over, kBudgetMs, kBudgetKiB / 1024);
    return 1;
  }
  std::printf("ok: every input within %.0f ms and %ld MiB\n", kBudgetMs, kBudgetKiB / 1024);
  return 0;
}
