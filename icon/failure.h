#pragma once

#include <stdexcept>
#include <string>

namespace exeicon {

// A failure the user is told about: the message is shown exactly as it stands (the
// window's error box and the command add the closing full stop themselves).
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kIconInvalid = "Icon image is not valid";
inline constexpr const char* kBitmapInvalid = "Bitmap image is not valid";
inline constexpr const char* kStreamWriteError = "Stream write error";

}  // namespace exeicon
