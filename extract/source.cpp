#include "extract/source.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "extract/limits.h"

namespace exeicon {

std::optional<std::vector<uint8_t>> Source::fetch(uint64_t offset, uint64_t length) {
  const uint64_t total = size();
  if (offset > total || length > total - offset) return std::nullopt;
  // bytes_read_ never exceeds the budget, so the subtraction cannot wrap.
  if (length > limits::kMaxBytesRead - bytes_read_) return std::nullopt;
  std::vector<uint8_t> out(static_cast<size_t>(length));
  if (!out.empty() && !read_at(offset, out)) return std::nullopt;
  bytes_read_ += length;
  return out;
}

bool MemorySource::read_at(uint64_t offset, std::span<uint8_t> out) {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
  std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

std::unique_ptr<FileSource> FileSource::open(const std::string& path) {
  // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<uint64_t>(st.st_size)));
}

FileSource::~FileSource() { ::close(fd_); }

bool FileSource::read_at(uint64_t offset, std::span<uint8_t> out) {
  if (offset > size_ || out.size() > size_ - offset) return false;
  if (size_ > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return false;
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done,
                                static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    // The file shrank since it was opened: the bytes asked for are gone.
    if (got == 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace exeicon
