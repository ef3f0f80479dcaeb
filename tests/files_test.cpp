// Files: mappings, atomic writes that never lose the old contents, listings; PNG files.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/png_writer.h"

namespace orx::platform {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("orx_files_" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(root_);
  }
  std::string Contents(const fs::path& p) {
    auto bytes = ReadWholeFile(p);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
  }
  size_t EntryCount(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }
  fs::path root_;
};

TEST_F(FilesTest, MappingsOfFilesEmptyFilesAndThingsThatAreNoFiles) {
  std::ofstream(root_ / "data.bin") << "abc";
  std::ofstream(root_ / "empty.bin");
  MappedFile m;
  ASSERT_TRUE(m.Open(root_ / "data.bin"));
  EXPECT_EQ(std::string(m.bytes().begin(), m.bytes().end()), "abc");
  MappedFile moved = std::move(m);
  EXPECT_FALSE(m.isOpen());
  EXPECT_EQ(moved.size(), 3u);

  ASSERT_TRUE(m.Open(root_ / "empty.bin"));
  EXPECT_TRUE(m.isOpen());
  EXPECT_TRUE(m.bytes().empty());
  EXPECT_FALSE(m.Open(root_ / "missing.bin"));
  EXPECT_FALSE(m.isOpen());
  EXPECT_FALSE(m.Open(root_));
  EXPECT_EQ(ReadWholeFile(root_ / "missing.bin"), std::nullopt);
  EXPECT_EQ(ReadWholeFile(root_), std::nullopt);
  EXPECT_EQ(Contents(root_ / "empty.bin"), "");
  // A FIFO in a file's place must not hang the reader.
  ASSERT_EQ(mkfifo((root_ / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(m.Open(root_ / "fifo"));
  EXPECT_EQ(ReadWholeFile(root_ / "fifo"), std::nullopt);
}

TEST_F(FilesTest, AtomicWriteReplacesCreatesParentsAndKeepsPermissions) {
  const fs::path file = root_ / "a" / "b" / "settings.ini";
  ASSERT_TRUE(WriteFileAtomic(file, std::string("one")));
  EXPECT_EQ(Contents(file), "one");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(WriteFileAtomic(file, std::string("two")));
  EXPECT_EQ(Contents(file), "two");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(EntryCount(file.parent_path()), 1u);  // no temporary file left
  EXPECT_FALSE(WriteFileAtomic(root_, std::string("x")));  // a directory is not replaced
  std::ofstream(root_ / "plain") << "p";
  EXPECT_FALSE(WriteFileAtomic(root_ / "plain" / "below", std::string("x")));
}

TEST_F(FilesTest, FailedAtomicWriteLeavesTheOldFileWhole) {
  const fs::path file = root_ / "cities.sav";
  ASSERT_TRUE(WriteFileAtomic(file, std::string("old contents")));

  // A write cut short (the file size limit stands for a full disk; root included).
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const bool written = WriteFileAtomic(file, std::string(100000, 'n'));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(Contents(file), "old contents");
  EXPECT_EQ(EntryCount(root_), 1u);

  // A folder that cannot be written to (root may write anyway: then nothing to check).
  fs::permissions(root_, fs::perms::owner_read | fs::perms::owner_exec);
  if (access(root_.c_str(), W_OK) != 0) {
    EXPECT_FALSE(WriteFileAtomic(file, std::string("new")));
    EXPECT_EQ(Contents(file), "old contents");
  }
}

TEST_F(FilesTest, ListingIsSortedAndMatchesTheExtensionWithoutCase) {
  for (const char* name : {"b.gif", "A.GIF", "c.Gif", "d.gifx", "e.png", "gif"}) std::ofstream(root_ / name);
  fs::create_directories(root_ / "dir.gif");
  fs::create_symlink(root_ / "b.gif", root_ / "link.gif");
  fs::create_symlink(root_ / "gone", root_ / "dangling.gif");
  EXPECT_EQ(ListFiles(root_, ".gif"), (std::vector<std::string>{"A.GIF", "b.gif", "c.Gif", "link.gif"}));
  EXPECT_TRUE(ListFiles(root_ / "missing", ".gif").empty());
}

TEST_F(FilesTest, PngKeepsEvery565ColourWithBitReplication) {
  // All 65536 colours in a 256 x 256 picture whose rows are 260 pixels apart.
  std::vector<uint16_t> pixels(260 * 256, 0x1234);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) pixels[y * 260 + x] = static_cast<uint16_t>(y * 256 + x);
  const std::string path = (root_ / "all.png").string();
  ASSERT_TRUE(WritePng565(path, pixels.data(), 256, 256, 260));
  int w = 0, h = 0;
  std::vector<uint32_t> rgb;
  ASSERT_TRUE(ReadPng(path, w, h, rgb));
  ASSERT_EQ(w, 256);
  ASSERT_EQ(h, 256);
  for (uint32_t c = 0; c < 65536; ++c) {
    const uint32_t r5 = c >> 11, g6 = (c >> 5) & 63, b5 = c & 31;
    // Replication is the exact rounding of c * 255 / max for every 5- and 6-bit value
    // except a few; compare with the bit pattern itself.
    const uint32_t want = ((r5 * 8 + r5 / 4) << 16) | ((g6 * 4 + g6 / 16) << 8) | (b5 * 8 + b5 / 4);
    ASSERT_EQ(rgb[c], want) << c;
  }
  EXPECT_EQ(rgb[0xFFFF], 0xFFFFFFu);
  EXPECT_EQ(rgb[0xF800], 0xFF0000u);

  EXPECT_FALSE(WritePng565(path, pixels.data(), 0, 10, 10));
  EXPECT_FALSE(WritePng565(path, pixels.data(), 10, 10, 9));
  EXPECT_FALSE(WritePng565(path, nullptr, 10, 10, 10));
  std::ofstream(root_ / "junk.png") << "\x89PNG but not really";
  EXPECT_FALSE(ReadPng((root_ / "junk.png").string(), w, h, rgb));
  EXPECT_FALSE(ReadPng((root_ / "missing.png").string(), w, h, rgb));
}

}  // namespace
}  // namespace orx::platform
