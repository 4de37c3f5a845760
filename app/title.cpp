#include "app/title.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace exeicon::app {

std::string application_title(std::string_view program_path) {
  // The whole path is used: a 256-byte cut, as a fixed buffer would make it, would turn
  // a deep folder's name into the title.
  const size_t separator = program_path.find_last_of("/\\");
  std::string_view name =
      separator == std::string_view::npos ? program_path : program_path.substr(separator + 1);
  name = name.substr(0, name.find('.'));
  std::string title(name);
  // Bytes of multi-byte characters lie above ASCII and keep their case, like the first
  // character does.
  for (size_t i = 1; i < title.size(); ++i) {
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  }
  return title;
}

std::string running_program_path() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), PATH_MAX);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(n));
}

}  // namespace exeicon::app
