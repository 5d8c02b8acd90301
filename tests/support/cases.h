// Golden case files beside the tests: one case a line, fields separated by
// '|' and trimmed; a field in double quotes keeps its spaces. Escapes in any
// field: \n \r \t \v \f \0 \\ \| \xHH. Lines starting with '#' and blank
// lines are skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tasc::test {

struct Case {
  std::string where;  // file:line, for failure messages
  std::vector<std::string> f;
};

// The cases of a file under tests/ (e.g. "readers/data/numbers.txt"); fails
// the current test when the file cannot be read or holds no case.
std::vector<Case> readCases(std::string_view relative);

// `text` with every "{N*piece}" replaced by N copies of piece (for the long
// inputs of a table: "{1048576*x}" is a megabyte of x).
std::string expand(std::string_view text);

// Fails the current test when `made` differs from the golden file under tests/
// (e.g. "bad_input/golden/files.txt"); with TASC_UPDATE_GOLDEN set, writes
// `made` there instead.
void expectGolden(std::string_view relative, const std::string& made);

// The numbers of a case file's field, separated by spaces ("nan" included).
std::vector<double> numbers(const std::string& text);

// A double as its shortest round-trip text ("0.1", "-0", "inf", "nan").
std::string num(double v);

}  // namespace tasc::test
