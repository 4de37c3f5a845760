#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace exeicon {

// A bounds-checked, read-only view of bytes: the only way the readers look at file
// data. Every read checks first, in a form that cannot overflow.
class ByteView {
 public:
  ByteView() = default;
  ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit ByteView(std::span<const uint8_t> bytes) : data_(bytes.data()), size_(bytes.size()) {}

  size_t size() const { return size_; }
  const uint8_t* data() const { return data_; }
  bool empty() const { return size_ == 0; }
  std::span<const uint8_t> span() const { return {data_, size_}; }

  // True when [offset, offset + length) lies inside the view.
  bool has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  std::optional<uint8_t> read_u8(uint64_t offset) const {
    if (!has(offset, 1)) return std::nullopt;
    return data_[offset];
  }
  std::optional<uint16_t> read_u16(uint64_t offset) const {
    if (!has(offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8);
  }
  std::optional<uint32_t> read_u32(uint64_t offset) const {
    if (!has(offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(data_[offset]) | static_cast<uint32_t>(data_[offset + 1]) << 8 |
           static_cast<uint32_t>(data_[offset + 2]) << 16 |
           static_cast<uint32_t>(data_[offset + 3]) << 24;
  }
  std::optional<int32_t> read_i32(uint64_t offset) const {
    auto v = read_u32(offset);
    if (!v) return std::nullopt;
    return static_cast<int32_t>(*v);
  }

  // The region [offset, offset + length), or nothing when it leaves the view.
  std::optional<ByteView> sub(uint64_t offset, uint64_t length) const {
    if (!has(offset, length)) return std::nullopt;
    return ByteView(data_ + offset, static_cast<size_t>(length));
  }
  // The region from offset to the end.
  std::optional<ByteView> sub(uint64_t offset) const {
    if (offset > size_) return std::nullopt;
    return ByteView(data_ + offset, size_ - static_cast<size_t>(offset));
  }
  // At most `length` bytes from offset: cut at the end of the view.
  std::optional<ByteView> sub_clamped(uint64_t offset, uint64_t length) const {
    if (offset > size_) return std::nullopt;
    uint64_t left = size_ - offset;
    return ByteView(data_ + offset, static_cast<size_t>(length < left ? length : left));
  }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace exeicon
