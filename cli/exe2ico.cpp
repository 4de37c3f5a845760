// exe2ico: the window's road without a window. Takes icon number 0 out of each FILE and
// writes it as a one-image, 16-colour .ico, named as the Save button names it.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "extract/extract.h"
#include "icon/encode.h"
#include "icon/failure.h"
#include "icon/save.h"

namespace {

constexpr const char* kUsage =
    "usage: exe2ico FILE...\n"
    "       exe2ico FILE -o OUT\n"
    "Writes icon number 0 of each program file (.exe, .dll, ..., or an .ico) as a\n"
    "16-colour .ico beside it, the last three bytes of its name replaced by \"ico\".\n"
    "\n"
    "  -o OUT      write the one FILE's icon to OUT instead; OUT \"-\" is standard output\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 when every file was written, 1 when any failed, 2 for a usage error.\n";

int usage_error(const std::string& what) {
  std::fprintf(stderr, "exe2ico: %s\n%s", what.c_str(), kUsage);
  return 2;
}

// Runs one file through extraction, encoding and writing; true when it was written.
bool convert(const std::string& file, const std::string* out) {
  try {
    auto extraction = exeicon::extract_icon_file(file);
    if (out != nullptr && *out == "-") {
      if (!exeicon::write_all(STDOUT_FILENO, exeicon::ico_bytes(extraction.icon.get())))
        throw exeicon::Failure(exeicon::kStreamWriteError);
    } else {
      exeicon::save_icon_file(out != nullptr ? *out : exeicon::save_name_for(file),
                              extraction.icon.get(), file);
    }
    return true;
  } catch (const exeicon::Failure& failure) {
    std::fprintf(stderr, "exe2ico: %s: %s\n", file.c_str(),
                 exeicon::with_full_stop(failure.what()).c_str());
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  std::string out;
  bool have_out = false;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && (arg == "--help" || arg == "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!options_done && arg == "--version") {
      std::printf("exe2ico %s\n", EXEICON_VERSION);
      return 0;
    } else if (!options_done && arg == "-o") {
      if (i + 1 >= argc) return usage_error("-o needs a file name");
      if (have_out) return usage_error("-o given twice");
      out = argv[++i];
      have_out = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      return usage_error("unknown option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) return usage_error("no FILE given");
  if (have_out && files.size() != 1) return usage_error("-o takes exactly one FILE");

  bool all_written = true;
  for (const auto& file : files) {
    if (!convert(file, have_out ? &out : nullptr)) all_written = false;
  }
  return all_written ? 0 : 1;
}
