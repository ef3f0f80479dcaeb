// Files: read-only memory mappings, whole-file reads, atomic writes, sorted listings.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orx::platform {

// A read-only, shared mapping of an existing file; unmapped when destroyed.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { Close(); }
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the regular file `path`; false (and closed) when it cannot be opened or mapped.
  // An empty file maps to an empty span.
  bool Open(const std::filesystem::path& path);
  void Close();
  bool isOpen() const { return open_; }
  std::span<const uint8_t> bytes() const { return {data_, size_}; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool open_ = false;
};

// The whole regular file, or nothing when it cannot be read (FIFOs and devices are not
// read, so that they cannot block).
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path);

// Writes `bytes` to a temporary file beside `path`, flushes it and renames it over
// `path`, so that a crash leaves either the old or the new file. Creates missing parent
// directories. False (and the old file untouched) on failure.
bool WriteFileAtomic(const std::filesystem::path& path, std::span<const uint8_t> bytes);
bool WriteFileAtomic(const std::filesystem::path& path, const std::string& text);

// Names of the regular files in `dir` whose extension equals `extension` (".gif",
// compared without case), sorted by name. Empty when the folder is missing.
std::vector<std::string> ListFiles(const std::filesystem::path& dir, const std::string& extension);

}  // namespace orx::platform
