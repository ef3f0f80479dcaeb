#include "support/reference_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace orx::test {

std::vector<std::string> SplitFields(const std::string& text, char separator) {
  std::vector<std::string> fields;
  if (text.empty()) return fields;
  std::string field;
  std::istringstream in(text);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (text.back() == separator) fields.emplace_back();
  return fields;
}

std::vector<ReferenceRow> ReadReferenceTable(const std::string& relativePath) {
  std::vector<ReferenceRow> rows;
  std::ifstream in(std::string(ORRELUX_SOURCE_DIR) + "/tests/data/" + relativePath);
  std::string line;
  if (!std::getline(in, line)) return rows;
  const std::vector<std::string> header = SplitFields(line, ',');
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> fields = SplitFields(line, ',');
    ReferenceRow row;
    for (size_t i = 0; i < header.size() && i < fields.size(); ++i) row[header[i]] = fields[i];
    rows.push_back(std::move(row));
  }
  return rows;
}

void ErrorStats::Add(double error) {
  error = std::fabs(error);
  ++count_;
  sumSquares_ += error * error;
  if (error > max_) max_ = error;
}

double ErrorStats::rms() const { return count_ ? std::sqrt(sumSquares_ / count_) : 0.0; }

void ErrorStats::ExpectBelow(double tolerance, const std::string& what, const std::string& unit) const {
  std::printf("%s: n=%d rms=%.4f max=%.4f (tolerance %.4g) %s\n", what.c_str(), count_, rms(),
              max_, tolerance, unit.c_str());
  EXPECT_GT(count_, 0) << what;
  EXPECT_LT(max_, tolerance) << what;
}

}  // namespace orx::test
