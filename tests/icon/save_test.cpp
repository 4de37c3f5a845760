#include "icon/save.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "icon/encode.h"
#include "icon/failure.h"
#include "support/test_icons.h"

namespace exeicon {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

Icon sample_icon() {
  return testing::make_icon(32, 32, [](int x, int y) { return static_cast<uint32_t>(x * 0x080000 + y * 0x0800); },
                            [](int x, int) { return x == 0 ? 1u : 0u; });
}

class SaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/exeicon-save-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::all, ignored);
    fs::remove_all(dir_, ignored);
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(dir_)) out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::string failure_of(const std::string& target, Icon* icon, const std::string& source = {}) {
    try {
      save_icon_file(target, icon, source);
    } catch (const Failure& f) {
      return f.what();
    }
    return "no failure";
  }

  std::string dir_;
};

TEST(SaveName, ReplacesTheLastThreeBytesOfTheFilesOwnName) {
  const std::pair<std::string, std::string> cases[] = {
      {"/tools/app.exe", "/tools/app.ico"}, {"/x/SETUP.EXE", "/x/SETUP.ico"},
      {"/a/run.py", "/a/runico"},           {"dir/a", "dir/ico"},
      {"dir/ab", "dir/ico"},                {"app.exe", "app.ico"},
      {"/d/名字.exe", "/d/名字.ico"},
  };
  for (const auto& [program, expected] : cases) EXPECT_EQ(save_name_for(program), expected) << program;
}

TEST_F(SaveTest, WritesTheEncodedBytesAndReplacesAnExistingFileKeepingItsMode) {
  Icon icon = sample_icon();
  write_file(path("app.ico"), {1, 2, 3});
  ASSERT_EQ(::chmod(path("app.ico").c_str(), 0640), 0);
  save_icon_file(path("app.ico"), &icon);
  EXPECT_EQ(read_file(path("app.ico")), ico_bytes(&icon));
  struct stat st {};
  ASSERT_EQ(::stat(path("app.ico").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  save_icon_file(path("new.ico"), &icon);
  EXPECT_EQ(read_file(path("new.ico")), ico_bytes(&icon));
  EXPECT_EQ(names(), (std::vector<std::string>{"app.ico", "new.ico"}));  // no temporary left
}

TEST_F(SaveTest, ASymbolicLinkStaysALinkAndItsFileIsReplaced) {
  Icon icon = sample_icon();
  fs::create_directory(path("real"));
  write_file(path("real/target.ico"), {9});
  fs::create_symlink("real/target.ico", path("link.ico"));
  save_icon_file(path("link.ico"), &icon);
  EXPECT_TRUE(fs::is_symlink(path("link.ico")));
  EXPECT_EQ(read_file(path("real/target.ico")), ico_bytes(&icon));
}

TEST_F(SaveTest, FailuresNameTheFullPathAndTheReasonAndLeaveExistingFilesAlone) {
  Icon icon = sample_icon();
  write_file(path("plain"), {7});
  fs::create_directory(path("folder.ico"));
  fs::create_directory(path("locked"));
  ASSERT_EQ(::chmod(path("locked").c_str(), 0555), 0);
  write_file(path("readonly.ico"), {5, 5});
  ASSERT_EQ(::chmod(path("readonly.ico").c_str(), 0444), 0);
  write_file(path("source.ico"), {4});

  const std::string cannot = "Cannot create file \"" + dir_ + "/";
  struct Case {
    std::string target;
    std::string message;
  };
  const Case cases[] = {
      {path("missing/app.ico"), cannot + "missing/app.ico\". No such file or directory"},
      {path("folder.ico"), cannot + "folder.ico\". Is a directory"},
      {path("plain/app.ico"), cannot + "plain/app.ico\". Not a directory"},
      {path("readonly.ico"), cannot + "readonly.ico\". Permission denied"},
      {path("locked/new.ico"), cannot + "locked/new.ico\". Permission denied"},  // root too
      {path("./source.ico"), cannot + "source.ico\". It is the file the icon was taken from"},
  };
  for (const auto& c : cases) EXPECT_EQ(failure_of(c.target, &icon, path("source.ico")), c.message);
  EXPECT_EQ(read_file(path("readonly.ico")), (std::vector<uint8_t>{5, 5}));
  EXPECT_EQ(read_file(path("source.ico")), (std::vector<uint8_t>{4}));

  // An encoding that fails touches nothing.
  Icon mono = Icon::monochrome(Bitmap::mono(32, 64));
  EXPECT_EQ(failure_of(path("plain"), &mono), "Bitmap image is not valid");
  EXPECT_EQ(failure_of(path("plain"), nullptr), "Icon image is not valid");
  EXPECT_EQ(read_file(path("plain")), (std::vector<uint8_t>{7}));
  EXPECT_EQ(names(), (std::vector<std::string>{"folder.ico", "locked", "plain", "readonly.ico", "source.ico"}));
}

TEST_F(SaveTest, ARelativeNameIsShownInFullForm) {
  Icon icon = sample_icon();
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  const std::string message = failure_of("nowhere/./x.ico", &icon);
  fs::current_path(before);
  EXPECT_EQ(message, "Cannot create file \"" + dir_ + "/nowhere/x.ico\". No such file or directory");
}

// Runs a save in a child process and reports its failure text on stderr.
[[noreturn]] void save_in_child(const std::string& target) {
  Icon icon = sample_icon();
  try {
    save_icon_file(target, &icon);
    std::fprintf(stderr, "saved\n");
  } catch (const Failure& f) {
    std::fprintf(stderr, "%s\n", f.what());
  }
  std::_Exit(0);
}

[[noreturn]] void save_with_size_limit(const std::string& target, rlim_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{bytes, bytes};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  save_in_child(target);
}

TEST_F(SaveTest, AFullDiskIsAStreamWriteErrorAndTheOldFileSurvives) {
  write_file(path("app.ico"), {1, 2, 3});
  // A file size limit stands in for a full disk: writes past 100 bytes fail.
  EXPECT_EXIT(save_with_size_limit(path("app.ico"), 100), ::testing::ExitedWithCode(0),
              "^Stream write error\n$");
  EXPECT_EQ(read_file(path("app.ico")), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(names(), (std::vector<std::string>{"app.ico"}));

  // Rewritten in place, in a folder nothing can be put in: the old bytes survive too.
  fs::create_directory(path("locked"));
  const std::vector<uint8_t> old(2000, 0x5A);
  write_file(path("locked/app.ico"), old);
  ASSERT_EQ(::chmod(path("locked").c_str(), 0555), 0);
  EXPECT_EXIT(save_with_size_limit(path("locked/app.ico"), 100), ::testing::ExitedWithCode(0),
              "^Stream write error\n$");
  EXPECT_EQ(read_file(path("locked/app.ico")), old);
}

TEST_F(SaveTest, AFolderThatMayNotBeWrittenRefusesANewFileButAWritableTargetIsRewritten) {
  Icon icon = sample_icon();
  write_file(path("app.ico"), {1});
  ASSERT_EQ(::chmod(path("app.ico").c_str(), 0666), 0);
  ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
  fs::create_directory(path("locked"));
  write_file(path("locked/app.ico"), {1});
  ASSERT_EQ(::chmod(path("locked/app.ico").c_str(), 0666), 0);
  ASSERT_EQ(::chmod(path("locked").c_str(), 0555), 0);
  // Root may write anywhere, so the child gives up root first when it has it.
  const auto as_user = [] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
  };
  EXPECT_EXIT({ as_user(); save_in_child(path("locked/new.ico")); }, ::testing::ExitedWithCode(0),
              "^Cannot create file \"" + path("locked/new.ico") + "\"\\. Permission denied\n$");
  EXPECT_EXIT({ as_user(); save_in_child(path("locked/app.ico")); }, ::testing::ExitedWithCode(0), "^saved\n$");
  EXPECT_EQ(read_file(path("locked/app.ico")), ico_bytes(&icon));
}

TEST_F(SaveTest, AnotherUsersFileCountsByItsOwnPermissionsNotTheFolders) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files to another user";
  Icon icon = sample_icon();
  // A folder everyone may write in: root's 0644 file may not be replaced by another
  // user, but root's 0666 file in a sticky folder is rewritten in place.
  ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
  write_file(path("theirs.ico"), {1});
  ASSERT_EQ(::chmod(path("theirs.ico").c_str(), 0644), 0);
  fs::create_directory(path("sticky"));
  ASSERT_EQ(::chmod(path("sticky").c_str(), 01777), 0);
  write_file(path("sticky/shared.ico"), {2});
  ASSERT_EQ(::chmod(path("sticky/shared.ico").c_str(), 0666), 0);
  const auto as_nobody = [] {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(3);
  };
  EXPECT_EXIT({ as_nobody(); save_in_child(path("theirs.ico")); }, ::testing::ExitedWithCode(0),
              "^Cannot create file \"" + path("theirs.ico") + "\"\\. Permission denied\n$");
  EXPECT_EQ(read_file(path("theirs.ico")), (std::vector<uint8_t>{1}));
  EXPECT_EXIT({ as_nobody(); save_in_child(path("sticky/shared.ico")); }, ::testing::ExitedWithCode(0), "^saved\n$");
  EXPECT_EQ(read_file(path("sticky/shared.ico")), ico_bytes(&icon));
  EXPECT_EQ(fs::directory_iterator(path("sticky"))->path().filename(), "shared.ico");  // no temporary left
}

}  // namespace
}  // namespace exeicon
