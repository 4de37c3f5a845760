// Runs the real program, unchanged, in a real X server and goes a person's road with
// xdotool: choose a program in the real dialog, see its icon, save it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "extract/extract.h"
#include "icon/draw.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string golden(const std::string& name) { return std::string(EXEICON_TEST_DATA) + "/golden/" + name; }

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool onPath(const std::string& tool) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (!dir.empty() && ::access((dir + "/" + tool).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Quotes a word for the shell.
std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// A child process, ended (and reaped) when this goes.
class Child {
 public:
  // `log`: where the child's standard error goes (nowhere when empty).
  Child(std::vector<std::string> argv, std::vector<std::string> env, const std::string& log = {}) {
    pid_ = ::fork();
    if (pid_ == 0) {
      for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
      ::unsetenv("QT_QPA_PLATFORM");
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      const int err = log.empty() ? null : ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(err < 0 ? null : err, 2);
      std::vector<char*> args;
      for (std::string& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      ::execvp(args[0], args.data());
      ::_exit(127);
    }
  }
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  bool running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

// Polls `done` every 50 ms until it holds or `seconds` have passed.
bool waitFor(const std::function<bool()>& done, double seconds) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

class X11Test : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "import", "xprop"}) {
      if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
    }
    ASSERT_TRUE(fs::exists(EXEICON_PROGRAM)) << EXEICON_PROGRAM;
    char pattern[] = "/tmp/exeicon-x11-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;

    // Xvfb picks a free display itself and writes its number to the pipe.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    xvfb_ = std::make_unique<Child>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp"},
        std::vector<std::string>{});
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (number.find('\n') == std::string::npos && Clock::now() < end && ::poll(&p, 1, 200) >= 0) {
      char c;
      if ((p.revents & (POLLIN | POLLHUP)) != 0) {
        if (::read(fds[0], &c, 1) != 1) break;
        number += c;
      }
    }
    ::close(fds[0]);
    ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb did not start";
    display_ = ":" + number.substr(0, number.find('\n'));
  }

  void TearDown() override {
    app_.reset();
    xvfb_.reset();
    if (!folder_.empty()) fs::remove_all(folder_);
  }

  // Runs a command against the test's display; its standard output.
  std::string run(const std::string& command) const {
    const std::string line = "DISPLAY=" + display_ + " " + command + " 2>/dev/null";
    std::string out;
    if (FILE* pipe = ::popen(line.c_str(), "r")) {
      char buffer[4096];
      for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
      ::pclose(pipe);
    }
    return out;
  }

  // The program's shown windows that have a title (Qt keeps untitled helper windows).
  std::vector<std::string> titledWindows() const {
    std::stringstream ids(run("xdotool search --onlyvisible --pid " + std::to_string(app_->pid()) + " ''"));
    std::vector<std::string> out;
    for (std::string id; ids >> id;) {
      if (run("xdotool getwindowname " + id) != "\n") out.push_back(id);
    }
    return out;
  }

  void click(int x, int y) const {
    run("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
  }

  // The screen's pixels in a rectangle, 0xRRGGBB, top row first.
  std::vector<uint32_t> screen(int x, int y, int w, int h) const {
    const std::string raw = run("import -window root -crop " + std::to_string(w) + "x" + std::to_string(h) +
                                "+" + std::to_string(x) + "+" + std::to_string(y) + " -depth 8 rgb:-");
    std::vector<uint32_t> out;
    for (size_t i = 0; i + 2 < raw.size(); i += 3) {
      out.push_back(static_cast<uint32_t>(static_cast<uint8_t>(raw[i])) << 16 |
                    static_cast<uint32_t>(static_cast<uint8_t>(raw[i + 1])) << 8 |
                    static_cast<uint32_t>(static_cast<uint8_t>(raw[i + 2])));
    }
    return out;
  }

  std::string folder_;
  std::string display_;
  std::unique_ptr<Child> xvfb_;
  std::unique_ptr<Child> app_;
};

TEST_F(X11Test, ChoosesAProgramInTheRealDialogPreviewsItsIconAndSavesIt) {
  const std::string program = folder_ + "/Demo Program.exe";
  fs::copy_file(golden("classic-4bpp.exe"), program);
  const std::string expectedFile = golden("expected/classic-4bpp.exe.ico");

  app_ = std::make_unique<Child>(std::vector<std::string>{EXEICON_PROGRAM},
                                 std::vector<std::string>{"DISPLAY=" + display_, "XDG_RUNTIME_DIR=" + folder_},
                                 folder_ + "/exeicon.log");
  std::string window;
  // Generous: a loaded machine may take a while to bring Qt up for the first time.
  ASSERT_TRUE(waitFor([&] {
    const std::vector<std::string> ids = titledWindows();
    if (ids.size() == 1) window = ids.front();
    return !window.empty();
  }, 60)) << "the window did not show; the program " << (app_->running() ? "runs" : "has ended")
          << ", windows on the display:\n" << run("xdotool search --onlyvisible ''")
          << "its standard error:\n" << run("cat " + quoted(folder_ + "/exeicon.log"));

  EXPECT_EQ(run("xdotool getwindowname " + window), "KorvelEXE文件获取图标 \n");
  const std::string geometry = run("xdotool getwindowgeometry --shell " + window);
  for (const char* line : {"X=447\n", "Y=181\n", "WIDTH=257\n", "HEIGHT=149\n"}) {
    EXPECT_NE(geometry.find(line), std::string::npos) << "expected " << line << "in\n" << geometry;
  }
  const int left = 447, top = 181;

  // Minimise and close, no maximise, still resizable: the hints the window manager reads.
  const std::string hints = run("xprop -id " + window + " _MOTIF_WM_HINTS");
  unsigned flags = 0, functions = 0;
  ASSERT_EQ(std::sscanf(hints.c_str(), "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = %x, %x", &flags, &functions), 2) << hints;
  EXPECT_EQ(functions & 0x3Eu, 0x2Eu) << "resize 0x2, move 0x4, minimise 0x8, close 0x20 but not maximise 0x10: " << hints;
  // The window carries MAINICON at all eight sizes.
  const std::string icons = run("xprop -id " + window + " _NET_WM_ICON");
  for (int size : {16, 24, 32, 48, 64, 72, 96, 128}) {
    const std::string label = "Icon (" + std::to_string(size) + " x " + std::to_string(size) + ")";
    EXPECT_NE(icons.find(label), std::string::npos) << "no " << label << " in the window's icons";
  }

  // "选择文件", then the path typed into the real dialog's name box.
  click(left + 41 + 37, top + 15 + 11);
  ASSERT_TRUE(waitFor([&] { return titledWindows().size() == 2; }, 10)) << "no dialog came up";
  run("xdotool type --delay 1 " + quoted(program));
  run("xdotool key Return");
  ASSERT_TRUE(waitFor([&] { return titledWindows().size() == 1; }, 10)) << "the dialog stayed open";

  // The icon over the window's colour at Image1's top-left; the colour comes from a spot of
  // the window where nothing is drawn.
  const uint32_t background = screen(left + 5, top + 5, 1, 1).at(0);
  std::vector<uint32_t> expected(42 * 33, 0xFF000000u | background);
  exeicon::Extraction reference = exeicon::extract_icon_file(expectedFile);
  ASSERT_NE(reference.icon, nullptr) << reference.why;
  exeicon::draw_icon(*reference.icon, expected, 42, 33);
  for (uint32_t& pixel : expected) pixel &= 0xFFFFFF;
  std::vector<uint32_t> shown;
  EXPECT_TRUE(waitFor([&] { return (shown = screen(left + 128, top + 95, 42, 33)) == expected; }, 10)) << [&] {
    if (shown.size() != expected.size()) return "screenshot of " + std::to_string(shown.size()) + " pixels";
    for (size_t i = 0; i < expected.size(); ++i) {
      if (shown[i] != expected[i]) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel (%zu,%zu): expected %06x, shown %06x", i % 42, i / 42,
                      expected[i], shown[i]);
        return std::string(text);
      }
    }
    return std::string();
  }();

  // "保存" writes the icon beside the program.
  const std::string saved = folder_ + "/Demo Program.ico";
  const std::vector<uint8_t> want = readBytes(expectedFile);
  click(left + 41 + 37, top + 59 + 12);
  EXPECT_TRUE(waitFor([&] { return fs::exists(saved) && readBytes(saved) == want; }, 10))
      << saved << ": " << (fs::exists(saved) ? std::to_string(fs::file_size(saved)) + " bytes, not the expected "
                                                   + std::to_string(want.size())
                                             : std::string("not written"));
  EXPECT_TRUE(app_->running());
}

}  // namespace
