#pragma once

#include <optional>
#include <string>
#include <utility>

namespace exeicon {

// Why a reader found no icon: malformed input is a value, never an exception.
struct Reject {
  std::string why;
};

// A value, or the reason there is none.
template <class T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Reject reject) : why_(std::move(reject.why)) {}  // NOLINT

  explicit operator bool() const { return value_.has_value(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  const std::string& why() const { return why_; }
  Reject reject() const { return Reject{why_}; }

 private:
  std::optional<T> value_;
  std::string why_;
};

}  // namespace exeicon
