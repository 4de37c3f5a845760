#pragma once

#include <string>
#include <string_view>

namespace exeicon::app {

// The application's title from the running program's file name: the name after the
// last "/" or "\", cut at its first ".", every character after the first lower-cased
// (IconGrab.Setup -> Icongrab).
std::string application_title(std::string_view program_path);

// The full file name of the running program, as the system knows it.
std::string running_program_path();

}  // namespace exeicon::app
