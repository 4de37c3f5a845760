#include <gtest/gtest.h>

#include <string>

#include "app/title.h"

namespace {

struct TitleCase {
  std::string path;
  std::string title;
};

class TitleTest : public testing::TestWithParam<TitleCase> {};

TEST_P(TitleTest, ComesFromTheProgramsFileName) {
  const TitleCase& c = GetParam();
  EXPECT_EQ(exeicon::app::application_title(c.path), c.title) << "program path: " << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Names, TitleTest,
    testing::Values(
        TitleCase{"C:\\Tools\\IconGrab.Setup.exe", "Icongrab"},
        TitleCase{"/opt/tools/MyTOOL", "Mytool"},
        TitleCase{"/opt/tools/MyTOOL.exe", "Mytool"},
        TitleCase{"/usr/bin/a.b.c", "a"},
        TitleCase{"/usr/local/bin/exeicon", "exeicon"},
        TitleCase{"relative/EXEICON", "Exeicon"},
        TitleCase{"/mixed\\sep/Last", "Last"},           // "\" separates too
        TitleCase{"/home/u/.hidden", ""},                // cut at the first "."
        TitleCase{"/home/u/dir.d/Tool", "Tool"},         // dots in folders do not count
        TitleCase{"/opt/\xE5\x9B\xBE\xE6\xA0\x87Tool", "\xE5\x9B\xBE\xE6\xA0\x87tool"},
        TitleCase{"", ""},
        // A deep folder does not cut the name short.
        TitleCase{"/" + std::string(250, 'd') + "/ToolName", "Toolname"}));

TEST(RunningProgramTest, IsThisTestProgram) {
  const std::string path = exeicon::app::running_program_path();
  EXPECT_EQ(exeicon::app::application_title(path), "app_tests") << "path: " << path;
}

}  // namespace
