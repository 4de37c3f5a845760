#include "icon/save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// Writes every byte; false on a short write or an error (a full disk, a size limit).
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

mode_t default_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Rewrites an existing file in place, for a target nothing can be made beside.
void write_in_place(const std::string& shown, const std::string& target,
                    const std::vector<uint8_t>& bytes, bool regular) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw CannotCreate(shown, system_text(errno));
  bool ok = write_all(fd, bytes);
  if (ok && regular) ok = ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (!ok) throw Failure(kStreamWriteError);
}

}  // namespace

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
    struct stat source {};
    if (!source_path.empty() && ::stat(source_path.c_str(), &source) == 0 &&
        source.st_dev == existing.st_dev && source.st_ino == existing.st_ino)
      throw CannotCreate(path, "It is the file the icon was taken from");
    if (!S_ISREG(existing.st_mode)) return write_in_place(path, target, bytes, false);
  }

  // The new bytes go to a file beside the target and take its place in one step, so
  // a failed save leaves the old file as it was.
  const std::filesystem::path target_path(target);
  std::string temp = (target_path.parent_path() / ("." + target_path.filename().string() + ".XXXXXX")).string();
  if (target_path.parent_path().empty()) temp = "." + target + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (exists && (error == EACCES || error == EPERM) && ::access(target.c_str(), W_OK) == 0)
      return write_in_place(path, target, bytes, true);
    throw CannotCreate(path, system_text(error));
  }

  bool ok = write_all(fd, bytes);
  if (ok) {
    if (exists) {
      ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
      if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        // Only root may give a file away; an ordinary user's file keeps the user's.
      }
    } else {
      ok = ::fchmod(fd, default_mode()) == 0;
    }
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
    throw CannotCreate(path, system_text(error));
  }
  const std::string folder = target_path.parent_path().empty() ? "." : target_path.parent_path().string();
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);  // best effort: the rename itself has already happened
    ::close(dir);
  }
}

}  // namespace exeicon
