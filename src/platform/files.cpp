#include "platform/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace orx::platform {
namespace {

// A file descriptor closed on scope exit.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(other.data_), size_(other.size_), open_(other.open_) {
  other.data_ = nullptr;
  other.size_ = 0;
  other.open_ = false;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Close();
    data_ = other.data_;
    size_ = other.size_;
    open_ = other.open_;
    other.data_ = nullptr;
    other.size_ = 0;
    other.open_ = false;
  }
  return *this;
}

bool MappedFile::Open(const std::filesystem::path& path) {
  Close();
  // Non-blocking, so that a FIFO put in a file's place cannot hang the program.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.fd < 0) return false;
  struct stat st;
  if (::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size > 0) {
    void* p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, fd.fd, 0);
    if (p == MAP_FAILED) return false;
    data_ = static_cast<const uint8_t*>(p);
    size_ = static_cast<size_t>(st.st_size);
  }
  open_ = true;
  return true;
}

void MappedFile::Close() {
  if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
  open_ = false;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::vector<uint8_t> bytes;
  if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  // Reads to the end rather than trusting the size, which can change under us.
  uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

bool WriteFileAtomic(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  if (path.empty() || !path.has_filename()) return false;
  const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);

  // The hidden temporary name is built by appending: GCC 12 at -O3 misreads the chain
  // of operator+ on a temporary string as an overlapping copy (-Wrestrict).
  std::string tempName = ".";
  tempName.append(path.filename().native()).append(".XXXXXX");
  std::string temp = (dir / tempName).string();
  Fd fd(::mkstemp(temp.data()));
  if (fd.fd < 0) return false;
  ::fcntl(fd.fd, F_SETFD, FD_CLOEXEC);

  // A replaced file keeps its permissions; a new one gets the usual 0666 less the umask.
  struct stat old;
  if (::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd.fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.fd, 0666 & ~mask);
  }

  const bool written = WriteAll(fd.fd, bytes.data(), bytes.size()) && ::fsync(fd.fd) == 0;
  const int closed = ::close(fd.fd);
  fd.fd = -1;
  if (!written || closed != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // Makes the rename itself durable; a failure here no longer loses either version.
  Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.fd >= 0) ::fsync(dirFd.fd);
  return true;
}

bool WriteFileAtomic(const std::filesystem::path& path, const std::string& text) {
  return WriteFileAtomic(path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<std::string> ListFiles(const std::filesystem::path& dir, const std::string& extension) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;  // follows symbolic links
    const std::filesystem::path& p = it->path();
    if (EqualsNoCase(p.extension().string(), extension)) names.push_back(p.filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orx::platform
