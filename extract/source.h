#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace exeicon {

// Where a file's bytes come from: positioned reads of just the regions the readers ask
// for, within the bounds of the file and a budget of bytes read in all.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t size() const = 0;

  // The bytes [offset, offset + length), or nothing when they lie outside the source,
  // can't be read, or would take the reads past the budget.
  std::optional<std::vector<uint8_t>> fetch(uint64_t offset, uint64_t length);

  uint64_t bytes_read() const { return bytes_read_; }

 protected:
  // Reads exactly out.size() bytes at offset (already checked to lie inside).
  virtual bool read_at(uint64_t offset, std::span<uint8_t> out) = 0;

 private:
  uint64_t bytes_read_ = 0;
};

// Bytes already in memory (not copied: they must outlive the source).
class MemorySource final : public Source {
 public:
  explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t size() const override { return bytes_.size(); }

 protected:
  bool read_at(uint64_t offset, std::span<uint8_t> out) override;

 private:
  std::span<const uint8_t> bytes_;
};

// A regular file, read with pread. Never blocks on a FIFO or device, never writes.
class FileSource final : public Source {
 public:
  // Opens a regular file for reading, or gives null (missing, unreadable, not regular).
  static std::unique_ptr<FileSource> open(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  uint64_t size() const override { return size_; }

 protected:
  bool read_at(uint64_t offset, std::span<uint8_t> out) override;

 private:
  FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  int fd_;
  uint64_t size_;
};

}  // namespace exeicon
