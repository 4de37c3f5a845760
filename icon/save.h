#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "icon/icon.h"

namespace exeicon {

// The name the Save button writes to: the last three bytes of the file's own name
// replaced by "ico" (app.exe -> app.ico, run.py -> runico); the folder part is kept.
std::string save_name_for(const std::string& program_path);

// Writes every byte to a file descriptor, going on after short writes; false on an
// error (a full disk, a size limit, a closed pipe).
bool write_all(int fd, const std::vector<uint8_t>& bytes);

// Writes the icon's .ico bytes to `path`, replacing an existing file without a question,
// so that a failed save leaves an existing file as it was. `source_path`, when not empty,
// is the file the icon came from, which is never written over. Throws Failure with the
// message the user is shown.
void save_icon_file(const std::string& path, Icon* icon, const std::string& source_path = {});

}  // namespace exeicon
