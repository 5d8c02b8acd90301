#include "support/cases.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "files/files.h"

namespace tasc::test {
namespace {

std::string unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char e = s[++i];
    if (e == 'x' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      const std::string_view from = "nrtvf0", to = "\n\r\t\v\f";
      const std::size_t k = from.find(e);
      out += k == std::string_view::npos ? e : k < to.size() ? to[k] : '\0';
    }
  }
  return out;
}

std::string field(std::string_view raw) {
  while (!raw.empty() && raw.front() == ' ') raw.remove_prefix(1);
  while (!raw.empty() && raw.back() == ' ') raw.remove_suffix(1);
  if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
    raw = raw.substr(1, raw.size() - 2);
  return unescape(raw);
}

}  // namespace

std::vector<Case> readCases(std::string_view relative) {
  const std::string path = std::string(TASC_TEST_DIR "/") + std::string(relative);
  std::ifstream in(path);
  std::vector<Case> cases;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    if (line.empty() || line[0] == '#') continue;
    Case c{std::string(relative) + ":" + std::to_string(n), {}};
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
      if (i < line.size() && line[i] == '\\') {
        ++i;
      } else if (i == line.size() || line[i] == '|') {
        c.f.push_back(field(std::string_view(line).substr(start, i - start)));
        start = i + 1;
      }
    }
    cases.push_back(std::move(c));
  }
  if (cases.empty()) ADD_FAILURE() << "no cases in " << path;
  return cases;
}

std::string expand(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t star = text.find_first_not_of("0123456789", i + 1);
    const std::size_t close = text.find('}', i);
    if (text[i] != '{' || star == i + 1 || star >= text.size() || text[star] != '*' ||
        close == std::string_view::npos) {
      out += text[i++];
      continue;
    }
    const std::string_view piece = text.substr(star + 1, close - star - 1);
    for (long n = std::stol(std::string(text.substr(i + 1, star - i - 1))); n > 0; --n)
      out += piece;
    i = close + 1;
  }
  return out;
}

void expectGolden(std::string_view relative, const std::string& made) {
  const std::string path = std::string(TASC_TEST_DIR "/") + std::string(relative);
  if (files::readWholeFile(path) == made) return;
  if (std::getenv("TASC_UPDATE_GOLDEN") != nullptr) {
    EXPECT_TRUE(files::writeWholeFile(path, made)) << path;
  } else {
    ADD_FAILURE() << path << " differs (TASC_UPDATE_GOLDEN=1 renews it):\n" << made;
  }
}

std::string num(double v) {
  if (std::isnan(v)) return "nan";
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::vector<double> numbers(const std::string& text) {
  std::vector<double> out;
  char* end = nullptr;
  for (const char* p = text.c_str();; p = end) {
    const double v = std::strtod(p, &end);
    if (end == p) return out;
    out.push_back(v);
  }
}

}  // namespace tasc::test
