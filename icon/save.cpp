#include "icon/save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

#include "icon/encode.h"
#include "icon/failure.h"

namespace exeicon {

std::string save_name_for(const std::string& program_path) {
  // Only the file's own name gives up its last three bytes, so the result stays in
  // the program's folder even for a name shorter than three bytes.
  const size_t slash = program_path.rfind('/');
  const size_t name_length = slash == std::string::npos ? program_path.size()
                                                        : program_path.size() - slash - 1;
  const size_t cut = name_length < 3 ? name_length : 3;
  return program_path.substr(0, program_path.size() - cut) + "ico";
}

namespace {

// The system's text for an error code, without trailing blanks, control characters
// and dots.
std::string system_text(int error) {
  std::string text = std::strerror(error);
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.back());
    if (c > ' ' && c != '.' && c != 0x7F) break;
    text.pop_back();
  }
  return text;
}

// The absolute form of a name, as the message shows it.
std::string full_form(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  auto absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  return absolute.lexically_normal().string();
}

class CannotCreate : public Failure {
 public:
  CannotCreate(const std::string& path, const std::string& reason)
      : Failure("Cannot create file \"" + full_form(path) + "\". " + reason) {}
};

// A symbolic link stays a link: the file it points to is the one replaced.
std::string resolve_links(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), PATH_MAX);
    if (n <= 0) return path;
    std::filesystem::path link(std::string(buffer.data(), static_cast<size_t>(n)));
    if (link.is_relative()) link = std::filesystem::path(path).parent_path() / link;
    path = link.string();
  }
  return path;  // a loop of links: the open below reports it
}

// Creates a new file in `folder` under a short name nobody uses, so it fits beside a
// target of any name length. The kernel gives it the mode (umask, default ACLs) a new
// file gets. -1 with errno set when none can be made.
int create_beside(const std::string& folder, std::string& name) {
  static std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 64; ++attempt) {
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    name = folder + "/.exeicon-" + suffix;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Old contents kept for putting back are capped: an .ico target is small.
constexpr off_t kMaxKeptBytes = 16 << 20;

// Rewrites an existing file in place, for a target nothing can be put beside. Space is
// reserved first, so a full disk fails before a byte changes; should a write still fail,
// the old bytes are put back.
void write_in_place(const std::string& shown, const std::string& target,
                    const std::vector<uint8_t>& bytes, bool regular) {
  int fd = regular ? ::open(target.c_str(), O_RDWR | O_CLOEXEC) : -1;
  if (fd < 0) fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw CannotCreate(shown, system_text(errno));
  std::vector<uint8_t> old;
  bool ok = true;
  if (regular) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size <= kMaxKeptBytes) {
      old.resize(static_cast<size_t>(st.st_size));
      if (::pread(fd, old.data(), old.size(), 0) != static_cast<ssize_t>(old.size())) old.clear();
    }
    if (::fallocate(fd, 0, 0, static_cast<off_t>(bytes.size())) != 0 && errno != EOPNOTSUPP) ok = false;
  }
  if (ok) ok = write_all(fd, bytes);
  if (ok && regular) ok = ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
  if (!ok && regular && ::lseek(fd, 0, SEEK_SET) == 0 && write_all(fd, old)) {
    if (::ftruncate(fd, static_cast<off_t>(old.size())) != 0) {
      // Nothing more can be done for the old file; the failure is reported below.
    }
  }
  if (::close(fd) != 0) ok = false;
  if (!ok) throw Failure(kStreamWriteError);
}

bool may_write(const std::string& target) {
  return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

bool write_all(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void save_icon_file(const std::string& path, Icon* icon, const std::string& source_path) {
  const std::vector<uint8_t>& bytes = ico_bytes(icon);
  if (path.empty()) throw CannotCreate(path, system_text(ENOENT));

  const std::string target = resolve_links(path);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) throw CannotCreate(path, system_text(errno));
  if (exists) {
    if (S_ISDIR(existing.st_mode)) throw CannotCreate(path, system_text(EISDIR));
    // A file without any write bit is refused even to root, as a read-only file is.
    if ((existing.st_mode & 0222) == 0) throw CannotCreate(path, system_text(EACCES));
    // Putting a new file in its place needs only the folder: the file's own right counts.
    if (!may_write(target)) throw CannotCreate(path, system_text(errno));
    struct stat source {};
    if (!source_path.empty() && ::stat(source_path.c_str(), &source) == 0 &&
        source.st_dev == existing.st_dev && source.st_ino == existing.st_ino)
      throw CannotCreate(path, "It is the file the icon was taken from");
    if (!S_ISREG(existing.st_mode)) return write_in_place(path, target, bytes, false);
  }

  // The new bytes go to a file beside the target and take its place in one step, so
  // a failed save leaves the old file as it was.
  const std::filesystem::path parent = std::filesystem::path(target).parent_path();
  const std::string folder = parent.empty() ? "." : parent.string();
  struct stat folder_stat {};
  // A folder without any write bit may not be written, by root either.
  const bool folder_locked = ::stat(folder.c_str(), &folder_stat) == 0 && (folder_stat.st_mode & 0222) == 0;
  std::string temp;
  const int fd = folder_locked ? (errno = EACCES, -1) : create_beside(folder, temp);
  if (fd < 0) {
    const int error = errno;
    if (exists && (error == EACCES || error == EPERM)) return write_in_place(path, target, bytes, true);
    throw CannotCreate(path, system_text(error));
  }

  bool ok = write_all(fd, bytes);
  if (ok && exists) {
    // Owner first: a change of owner clears set-ID bits, which the mode then restores.
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
      // Only root may give a file away; an ordinary user's new file stays the user's.
    }
    ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
  }
  if (ok) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    throw Failure(kStreamWriteError);
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    // A sticky folder lets one write a file one may not replace.
    if (exists && (error == EACCES || error == EPERM)) return write_in_place(path, target, bytes, true);
    throw CannotCreate(path, system_text(error));
  }
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);  // best effort: the rename itself has already happened
    ::close(dir);
  }
}

}  // namespace exeicon
