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

// The text a failure is shown with: a full stop is added when the message is not empty
// and its last byte, compared as unsigned, sorts after "." (a letter, a digit, the end
// of a multi-byte character); a message ending in ".", "!" or a blank stays as it is.
inline std::string with_full_stop(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

inline constexpr const char* kIconInvalid = "Icon image is not valid";
inline constexpr const char* kBitmapInvalid = "Bitmap image is not valid";
inline constexpr const char* kStreamWriteError = "Stream write error";

}  // namespace exeicon
