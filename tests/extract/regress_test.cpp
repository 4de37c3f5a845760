#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "extract/extract.h"

namespace exeicon {
namespace {

// What each file in tests/regress must give: "icon", or null with this reason.
const std::map<std::string, std::string>& expected_outcomes() {
  static const std::map<std::string, std::string> outcomes = {
      // 1-bit grey PNGs libspng took 200 ms (4 Mi pixels) and 110 ms (1 Mi) to expand:
      // past the pixel limit now.
      {"png-4096x1024-grey1-decodes-too-slowly.ico", "null: png: image larger than the limit"},
      {"png-1024x1024-grey1-decodes-too-slowly.ico", "null: png: image larger than the limit"},
  };
  return outcomes;
}

std::string outcome(const Extraction& extraction) {
  return extraction.icon ? "icon" : "null: " + extraction.why;
}

TEST(Regress, EachFileGivesItsOutcome) {
  size_t seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(EXEICON_REGRESS_DIR)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.') continue;
    ++seen;
    const auto wanted = expected_outcomes().find(name);
    const std::string got = outcome(extract_icon_file(entry.path().string()));
    if (wanted == expected_outcomes().end()) {
      ADD_FAILURE() << name << ": no expected outcome in the table; it gives " << got;
      continue;
    }
    EXPECT_EQ(wanted->second, got) << name;
  }
  EXPECT_EQ(expected_outcomes().size(), seen) << "files in tests/regress";
}

}  // namespace
}  // namespace exeicon
