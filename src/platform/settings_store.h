// The settings key tree: sub-keys holding named DWORD and string values, kept in one
// hand-editable INI file that is read once and written back atomically on Commit().
//
// File syntax (UTF-8, one item per line; a line that does not parse is skipped):
//   ; comment            (also "#"; comments are not kept when the file is rewritten)
//   [General]            a sub-key
//   Flags = dword:0xA5C3AE4A          a DWORD: 0x hex, or decimal (a leading "-" allowed;
//   Snap Radius = dword:60            read as its 32-bit two's complement)
//   Main Map File = sz:Day.gif        a string: everything after "sz:" up to the line end
// String escapes: \\ \n \r \t and \xHH; an unknown escape stays as written. Names match
// without regard to ASCII case, as registry names do.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orx::platform {

// The two value types, with the registry's type codes.
enum class ValueType : uint32_t { kString = 1, kDword = 4 };

// How a DWORD is spelled in the file: hex (bit sets, colours) or signed decimal.
enum class DwordFormat { kHex, kDecimal };

// One stored value: its type and, by type, `dword` or `text` (UTF-8, no NUL).
struct StoredValue {
  ValueType type = ValueType::kDword;
  uint32_t dword = 0;
  std::string text;
  DwordFormat format = DwordFormat::kHex;  // presentation only, ignored by ==

  bool operator==(const StoredValue& o) const {
    return type == o.type && dword == o.dword && text == o.text;
  }
};

class SettingsStore {
 public:
  // An empty tree that commits nowhere (tests, fuzzing).
  SettingsStore() = default;
  // Loads `file` once; a missing, unreadable or oversized file gives an empty tree and
  // a damaged one keeps every line that parses. Never throws.
  explicit SettingsStore(std::filesystem::path file);

  // Replaces the tree with what parses in `text` (same rules as loading a file).
  void Parse(std::string_view text);
  // The whole tree in file syntax; Parse(Serialize()) gives the same tree back.
  std::string Serialize() const;

  // Creates the sub-key if needed and sets the value. False (nothing changed) when a
  // name cannot be written in the file syntax or a string holds a NUL.
  bool WriteDword(std::string_view subKey, std::string_view name, uint32_t value,
                  DwordFormat format = DwordFormat::kDecimal);
  bool WriteString(std::string_view subKey, std::string_view name, std::string_view text);
  // The stored value; false with `out` untouched when the sub-key or value is missing.
  bool ReadValue(std::string_view subKey, std::string_view name, StoredValue& out) const;
  // Removes the sub-key and all its values; false when it does not exist.
  bool DeleteSubKey(std::string_view subKey);

  bool HasSubKey(std::string_view subKey) const;
  // Sub-key names in file order, and the value names of one sub-key in file order.
  std::vector<std::string> SubKeys() const;
  std::vector<std::string> ValueNames(std::string_view subKey) const;

  // Writes the tree to the file atomically (temp file, fsync, rename), creating the
  // directory. False when there is no file or the write failed; the old file then stays.
  bool Commit() const;
  const std::filesystem::path& path() const { return path_; }

  // Files larger than this are not read (an empty tree results).
  static constexpr uintmax_t kMaxFileBytes = 4u << 20;

 private:
  struct Entry {
    std::string name;
    StoredValue value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;
  Section& SectionFor(std::string_view name);
  bool Write(std::string_view subKey, std::string_view name, StoredValue value);

  std::filesystem::path path_;
  std::vector<Section> sections_;
};

}  // namespace orx::platform
