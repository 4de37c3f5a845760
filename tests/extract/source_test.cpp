#include "extract/source.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "extract/containers.h"
#include "extract/limits.h"
#include "support/bytes.h"
#include "support/golden_images.h"

namespace exeicon {
namespace {

using test::Bytes;

// A scratch directory removed when the test ends.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "exeicon-source-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  bool ok() const { return !path_.empty(); }

 private:
  std::string path_;
};

// A source as large as asked, whose reads always succeed: for the budget.
class EndlessSource final : public Source {
 public:
  uint64_t size() const override { return uint64_t{1} << 40; }

 protected:
  bool read_at(uint64_t, std::span<uint8_t>) override { return true; }
};

TEST(SourceMemory, FetchesOnlyInsideTheBytes) {
  const Bytes bytes = test::tag("abcdef");
  struct Case {
    uint64_t offset, length;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {0, 6, "abcdef"},
      {2, 3, "cde"},
      {6, 0, ""},
      {5, 2, std::nullopt},
      {7, 0, std::nullopt},
      {1, std::numeric_limits<uint64_t>::max(), std::nullopt},
      {std::numeric_limits<uint64_t>::max(), 2, std::nullopt},
  };
  for (const Case& c : cases) {
    MemorySource source(bytes);
    auto got = source.fetch(c.offset, c.length);
    std::optional<std::string> actual;
    if (got) actual = test::untag(*got);
    EXPECT_EQ(c.expected, actual) << "fetch(" << c.offset << ", " << c.length << ")";
  }
}

TEST(SourceMemory, StopsAtTheReadBudget) {
  EndlessSource source;
  EXPECT_FALSE(source.fetch(0, limits::kMaxBytesRead + 1));
  EXPECT_TRUE(source.fetch(0, limits::kMaxBytesRead - 1));
  EXPECT_TRUE(source.fetch(0, 1));
  EXPECT_FALSE(source.fetch(0, 1)) << "bytes read so far: " << source.bytes_read();
  EXPECT_EQ(limits::kMaxBytesRead, source.bytes_read());
}

TEST(SourceFile, GivesNullForWhatIsNotARegularFile) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ASSERT_EQ(0, mkfifo(dir.file("fifo").c_str(), 0600));
  // A FIFO with no writer: opening it must return at once, not wait for one.
  EXPECT_EQ(nullptr, FileSource::open(dir.file("fifo")));
  EXPECT_EQ(nullptr, FileSource::open(dir.file("missing")));
  EXPECT_EQ(nullptr, FileSource::open(dir.file("")));
  EXPECT_EQ(nullptr, FileSource::open("/dev/null"));
}

TEST(SourceFile, ReadsAShortFileAndNothingOutsideIt) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.file("short.bin");
  std::ofstream(path, std::ios::binary) << "0123456789";
  auto source = FileSource::open(path);
  ASSERT_NE(nullptr, source);
  EXPECT_EQ(10u, source->size());
  auto all = source->fetch(0, 10);
  ASSERT_TRUE(all);
  EXPECT_EQ("0123456789", test::untag(*all));
  auto middle = source->fetch(3, 4);
  ASSERT_TRUE(middle);
  EXPECT_EQ("3456", test::untag(*middle));
  EXPECT_FALSE(source->fetch(8, 3));
  EXPECT_FALSE(source->fetch(11, 0));
  EXPECT_EQ(14u, source->bytes_read());
}

TEST(SourceFile, ReadFailsWhenTheFileShrankAfterOpening) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.file("shrinks.bin");
  std::ofstream(path, std::ios::binary) << "0123456789";
  auto source = FileSource::open(path);
  ASSERT_NE(nullptr, source);
  std::filesystem::resize_file(path, 4);
  EXPECT_FALSE(source->fetch(2, 6));
}

TEST(SourceSniff, DecidesByContent) {
  struct Case {
    const char* what;
    Bytes bytes;
    FileKind expected;
  };
  auto program = [](const char* signature, uint32_t e_lfanew = 0x40) {
    Bytes b;
    test::put_u16(b, 0, 0x5A4D);
    test::put_u32(b, 0x3C, e_lfanew);
    for (size_t i = 0; signature[i]; ++i) test::put_u8(b, 0x40 + i, static_cast<uint8_t>(signature[i]));
    return b;
  };
  Bytes pe = program("PE");
  pe.resize(0x44);
  Bytes short_pe = program("PE");  // "PE" with no room for the two zero bytes
  Bytes ico{0, 0, 1, 0, 1, 0};
  const Case cases[] = {
      {"PE", pe, FileKind::pe},
      {"NE", program("NE"), FileKind::ne},
      {"PE cut short", short_pe, FileKind::unknown},
      {"LE", program("LE"), FileKind::unknown},
      {"e_lfanew at the end", program("PE", 0x42), FileKind::unknown},
      {"e_lfanew far past the end", program("PE", 0xFFFFFFF0), FileKind::unknown},
      {"MZ alone", Bytes{'M', 'Z'}, FileKind::unknown},
      {"ico", ico, FileKind::ico},
      {"ico with count 0", Bytes{0, 0, 1, 0, 0, 0}, FileKind::unknown},
      {"cursor file", Bytes{0, 0, 2, 0, 1, 0}, FileKind::unknown},
      {"ico header cut short", Bytes{0, 0, 1, 0, 1}, FileKind::unknown},
      {"ELF", Bytes{0x7F, 'E', 'L', 'F', 2, 1, 1, 0}, FileKind::unknown},
      {"empty", Bytes{}, FileKind::unknown},
  };
  for (const Case& c : cases) {
    MemorySource source(c.bytes);
    EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(sniff_file(source))) << c.what;
    EXPECT_LE(source.bytes_read(), 16u) << c.what << ": sniffing reads only a few bytes";
  }
}

TEST(SourceSniff, GoldenFiles) {
  struct Case {
    const char* file;
    FileKind expected;
  };
  const Case cases[] = {
      {"modern-group.exe", FileKind::pe},     {"modern-group-pe32.exe", FileKind::pe},
      {"ne-program.exe", FileKind::ne},       {"icon-file.ico", FileKind::ico},
      {"not-a-program.txt", FileKind::unknown},
  };
  for (const Case& c : cases) {
    auto source = FileSource::open(test::golden_path(c.file));
    ASSERT_NE(nullptr, source) << c.file;
    EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(sniff_file(*source))) << c.file;
  }
}

}  // namespace
}  // namespace exeicon
