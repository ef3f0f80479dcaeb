// Long random sequences of stylus events, keys and owner calls against an edit field, a
// list box and a tab control, with their invariants checked after every step; the fuzz
// target's corpus is replayed the same way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "support/widget_exerciser.h"

namespace orx::test {
namespace {

TEST(WidgetsUnderRandomInput, KeepTheirInvariants) {
  std::mt19937 random(20261207);
  for (int run = 0; run < 25; ++run) {
    std::vector<uint8_t> bytes(4500);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    WidgetExerciser exerciser;
    ASSERT_EQ(exerciser.Run(bytes.data(), bytes.size()), "") << "run " << run;
  }
}

TEST(WidgetsUnderRandomInput, TheFuzzCorpusReplaysCleanly) {
  const std::filesystem::path dir = std::filesystem::path(ORRELUX_SOURCE_DIR) / "fuzz" / "corpus" / "widgets";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    WidgetExerciser exerciser;
    EXPECT_EQ(exerciser.Run(bytes.data(), bytes.size()), "") << entry.path();
  }
}

}  // namespace
}  // namespace orx::test
