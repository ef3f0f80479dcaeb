#include "platform/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

namespace orx::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool StartsWithFolded(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

// Names that a line of the file can carry unchanged: not empty, no line breaks or NUL,
// no blanks at either end (they are trimmed when reading).
bool IsWritableName(std::string_view name) {
  if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) return false;
  for (char c : name) {
    if (c == '\n' || c == '\r' || c == '\0') return false;
  }
  return true;
}

// A value name further must not hold "=" nor start like a section or comment line.
bool IsWritableValueName(std::string_view name) {
  if (!IsWritableName(name)) return false;
  if (name.front() == '[' || name.front() == ';' || name.front() == '#') return false;
  return name.find('=') == std::string_view::npos;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "0x" followed by 1..8 hex digits, or decimal 0..4294967295, or -1..-2147483648.
bool ParseDword(std::string_view s, uint32_t& out, DwordFormat& format) {
  format = DwordFormat::kDecimal;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    format = DwordFormat::kHex;
    s.remove_prefix(2);
    if (s.size() > 8) return false;
    uint32_t v = 0;
    for (char c : s) {
      int d = HexDigit(c);
      if (d < 0) return false;
      v = (v << 4) | static_cast<uint32_t>(d);
    }
    out = v;
    return true;
  }
  bool negative = false;
  if (!s.empty() && s[0] == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
    if (v > 0xFFFFFFFFull) return false;
  }
  if (negative) {
    if (v > 0x80000000ull) return false;
    out = static_cast<uint32_t>(0u - static_cast<uint32_t>(v));
  } else {
    out = static_cast<uint32_t>(v);
  }
  return true;
}

// Decodes the escapes of a string value. An escape that is unknown, incomplete or would
// give a NUL stays as written, so a hand-typed "C:\maps" survives.
std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c != '\\' || i + 1 == s.size()) {
      out.push_back(c);
      continue;
    }
    char e = s[i + 1];
    switch (e) {
      case '\\': out.push_back('\\'); ++i; continue;
      case 'n': out.push_back('\n'); ++i; continue;
      case 'r': out.push_back('\r'); ++i; continue;
      case 't': out.push_back('\t'); ++i; continue;
      case 'x':
        if (i + 3 < s.size() && HexDigit(s[i + 2]) >= 0 && HexDigit(s[i + 3]) >= 0) {
          int v = HexDigit(s[i + 2]) * 16 + HexDigit(s[i + 3]);
          if (v != 0) {
            out.push_back(static_cast<char>(v));
            i += 3;
            continue;
          }
        }
        break;
      default: break;
    }
    out.push_back(c);  // the backslash; the next character is taken on its own
  }
  return out;
}

std::string Escape(std::string_view s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size() + 8);
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F || (c == ' ' && i + 1 == s.size())) {
      // Control characters, and a final space that trimming would otherwise eat.
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

bool WriteAll(int fd, const std::string& text) {
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// Temp file in the same folder, fsync, rename over the target, fsync the folder.
bool WriteAtomically(const std::filesystem::path& path, const std::string& text) {
  std::error_code ec;
  const std::filesystem::path dir = path.parent_path();
  if (!dir.empty()) {
    std::filesystem::create_directories(dir, ec);
    if (ec) return false;
  }
  std::filesystem::path temp = path;
  temp += ".tmp" + std::to_string(static_cast<long>(::getpid()));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace

SettingsStore::SettingsStore(std::filesystem::path file) : path_(std::move(file)) {
  // Non-blocking, so that a FIFO in place of the file cannot stall start-up; only a
  // regular file is read.
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  struct stat st {};
  std::string text;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  char buffer[16384];
  while (ok) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    text.append(buffer, static_cast<size_t>(n));
    ok = text.size() <= kMaxFileBytes;
  }
  ::close(fd);
  if (ok) Parse(text);
}

void SettingsStore::Parse(std::string_view text) {
  sections_.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Section* current = nullptr;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\0') != std::string_view::npos) continue;
    line = Trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;

    if (line.front() == '[') {
      // A damaged header leaves no current section, so its values are skipped too
      // rather than landing in the previous one.
      current = nullptr;
      if (line.size() < 2 || line.back() != ']') continue;
      std::string_view name = Trim(line.substr(1, line.size() - 2));
      if (!IsWritableName(name)) continue;
      current = &SectionFor(name);
      continue;
    }
    if (current == nullptr) continue;

    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view name = Trim(line.substr(0, eq));
    std::string_view data = Trim(line.substr(eq + 1));
    if (!IsWritableValueName(name)) continue;
    StoredValue value;
    if (StartsWithFolded(data, "dword:")) {
      if (!ParseDword(Trim(data.substr(6)), value.dword, value.format)) continue;
      value.type = ValueType::kDword;
    } else if (StartsWithFolded(data, "sz:")) {
      value.type = ValueType::kString;
      value.text = Unescape(data.substr(3));
    } else {
      continue;
    }
    std::string key(name);
    // A value repeated in a section replaces the earlier one in its place.
    bool replaced = false;
    for (Entry& e : current->entries) {
      if (SameName(e.name, key)) {
        e.value = std::move(value);
        replaced = true;
        break;
      }
    }
    if (!replaced) current->entries.push_back({std::move(key), std::move(value)});
  }
}

std::string SettingsStore::Serialize() const {
  std::string out =
      "; Orrelux settings. Rewritten when Orrelux exits; comments here are not kept.\n"
      "; Name = dword:<0x hex or decimal>   or   Name = sz:<text, escapes \\\\ \\n \\r \\t \\xHH>\n";
  char number[16];
  for (const Section& s : sections_) {
    out += "\n[";
    out += s.name;
    out += "]\n";
    for (const Entry& e : s.entries) {
      out += e.name;
      if (e.value.type == ValueType::kDword) {
        if (e.value.format == DwordFormat::kHex) {
          std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(e.value.dword));
        } else {
          std::snprintf(number, sizeof number, "%d", static_cast<int>(static_cast<int32_t>(e.value.dword)));
        }
        out += " = dword:";
        out += number;
      } else {
        out += " = sz:";
        out += Escape(e.value.text);
      }
      out += '\n';
    }
  }
  return out;
}

SettingsStore::Section* SettingsStore::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

const SettingsStore::Section* SettingsStore::FindSection(std::string_view name) const {
  for (const Section& s : sections_) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

SettingsStore::Section& SettingsStore::SectionFor(std::string_view name) {
  if (Section* s = FindSection(name)) return *s;
  sections_.push_back({std::string(name), {}});
  return sections_.back();
}

bool SettingsStore::Write(std::string_view subKey, std::string_view name, StoredValue value) {
  if (!IsWritableName(subKey) || !IsWritableValueName(name)) return false;
  Section& s = SectionFor(subKey);
  for (Entry& e : s.entries) {
    if (SameName(e.name, name)) {
      e.value = std::move(value);
      return true;
    }
  }
  s.entries.push_back({std::string(name), std::move(value)});
  return true;
}

bool SettingsStore::WriteDword(std::string_view subKey, std::string_view name, uint32_t value,
                               DwordFormat format) {
  StoredValue v;
  v.type = ValueType::kDword;
  v.dword = value;
  v.format = format;
  return Write(subKey, name, std::move(v));
}

bool SettingsStore::WriteString(std::string_view subKey, std::string_view name, std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return false;
  StoredValue v;
  v.type = ValueType::kString;
  v.text = std::string(text);
  return Write(subKey, name, std::move(v));
}

bool SettingsStore::ReadValue(std::string_view subKey, std::string_view name, StoredValue& out) const {
  const Section* s = FindSection(subKey);
  if (s == nullptr) return false;
  for (const Entry& e : s->entries) {
    if (SameName(e.name, name)) {
      out = e.value;
      return true;
    }
  }
  return false;
}

bool SettingsStore::DeleteSubKey(std::string_view subKey) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (SameName(it->name, subKey)) {
      sections_.erase(it);
      return true;
    }
  }
  return false;
}

bool SettingsStore::HasSubKey(std::string_view subKey) const { return FindSection(subKey) != nullptr; }

std::vector<std::string> SettingsStore::SubKeys() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::vector<std::string> SettingsStore::ValueNames(std::string_view subKey) const {
  std::vector<std::string> names;
  if (const Section* s = FindSection(subKey)) {
    for (const Entry& e : s->entries) names.push_back(e.name);
  }
  return names;
}

bool SettingsStore::Commit() const {
  if (path_.empty()) return false;
  return WriteAtomically(path_, Serialize());
}

}  // namespace orx::platform
