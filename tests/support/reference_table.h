// Reading the reference tables under tests/data and summarising errors against them.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace orx::test {

// One row of a CSV reference table, by column name.
using ReferenceRow = std::unordered_map<std::string, std::string>;

// Rows of tests/data/<relativePath> (a CSV with a header line, no quoting); empty when
// the file cannot be read.
std::vector<ReferenceRow> ReadReferenceTable(const std::string& relativePath);

// Splits a text at every `separator`; an empty text gives no fields.
std::vector<std::string> SplitFields(const std::string& text, char separator);

// RMS and maximum of absolute errors, printed with their tolerance.
class ErrorStats {
 public:
  void Add(double error);
  int count() const { return count_; }
  double rms() const;
  double max() const { return max_; }
  // Prints "<what>: n=.. rms=.. max=.. (tolerance ..) <unit>" and fails the test when
  // the maximum is not below the tolerance.
  void ExpectBelow(double tolerance, const std::string& what, const std::string& unit) const;

 private:
  int count_ = 0;
  double sumSquares_ = 0;
  double max_ = 0;
};

}  // namespace orx::test
