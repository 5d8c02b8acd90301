#include "engine/scenario_reader.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace tasc::engine::detail {

void Reader::note(const toml::node* node, std::string_view key, const std::string& message) const {
  faults_.lines.push_back(where(node, key) + message);
}

void Reader::warn(const toml::node* node, std::string_view key, const std::string& message) const {
  faults_.warnings.push_back(where(node, key) + message);
}

std::string Reader::where(const toml::node* node, std::string_view key) const {
  const toml::source_region& where = node ? node->source() : table_.source();
  std::ostringstream out;
  // A key of the vehicle file names that file.
  out << (where.path ? *where.path : faults_.file) << ':' << where.begin.line << ':'
      << where.begin.column << ": ";
  if (!key.empty()) {
    out << full(key) << ": ";
  } else if (!prefix_.empty()) {
    out << prefix_ << ": ";
  }
  return out.str();
}

void Reader::fail(const toml::node* node, std::string_view key, const std::string& message) const {
  note(node, key, message);
  throw TableAbort{};
}

std::optional<double> Reader::number(std::string_view key, double lo, double hi) {
  const toml::node* n = get(key);
  if (!n) return std::nullopt;
  return checkNumber(n, key, lo, hi);
}

double Reader::number(std::string_view key, double lo, double hi, double fallback) {
  return number(key, lo, hi).value_or(fallback);
}

double Reader::required(std::string_view key, double lo, double hi) {
  const std::optional<double> v = number(key, lo, hi);
  if (!v) fail(nullptr, key, "missing (a number from " + fmt(lo) + " to " + fmt(hi) + ")");
  return *v;
}

std::optional<double> Reader::checkNumber(const toml::node* n, std::string_view key, double lo,
                                          double hi) const {
  double v = 0;
  if (const auto* i = n->as_integer()) {
    v = static_cast<double>(i->get());
  } else if (const auto* f = n->as_floating_point()) {
    v = f->get();
  } else {
    note(n, key, std::string("expected a number, got ") + typeName(*n));
    return std::nullopt;
  }
  if (!std::isfinite(v) || v < lo || v > hi) {
    note(n, key, "value " + fmt(v) + " is outside " + fmt(lo) + " to " + fmt(hi));
    return std::nullopt;
  }
  return v;
}

std::optional<int64_t> Reader::integer(std::string_view key, int64_t lo, int64_t hi) {
  const toml::node* n = get(key);
  if (!n) return std::nullopt;
  const auto* i = n->as_integer();
  if (!i) {
    note(n, key, std::string("expected an integer, got ") + typeName(*n));
    return std::nullopt;
  }
  const int64_t v = i->get();
  if (v < lo || v > hi) {
    note(n, key,
         "value " + std::to_string(v) + " is outside " + std::to_string(lo) + " to " +
             std::to_string(hi));
    return std::nullopt;
  }
  return v;
}

std::optional<std::string> Reader::string(std::string_view key) {
  const toml::node* n = get(key);
  if (!n) return std::nullopt;
  const auto* s = n->as_string();
  if (!s) {
    note(n, key, std::string("expected a string, got ") + typeName(*n));
    return std::nullopt;
  }
  const std::string& text = s->get();
  const bool control = std::any_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == '\x7F';
  });
  if (control) {
    note(n, key,
         std::string("holds a control character, made by a backslash escape: ") + kPathQuoteHint);
    return std::nullopt;
  }
  return text;
}

std::string syntaxHint(std::string_view description) {
  if (description.find("escape") != std::string_view::npos)
    return std::string("; ") + kPathQuoteHint;
  if (description.find("UTF-8") != std::string_view::npos ||
      description.find("utf-8") != std::string_view::npos) {
    return "; TOML files are UTF-8: save it as UTF-8";
  }
  return {};
}

std::optional<bool> Reader::boolean(std::string_view key) {
  const toml::node* n = get(key);
  if (!n) return std::nullopt;
  const auto* b = n->as_boolean();
  if (!b) {
    note(n, key, std::string("expected true or false, got ") + typeName(*n));
    return std::nullopt;
  }
  return b->get();
}

const toml::table* Reader::subTable(std::string_view key) {
  const toml::node* n = get(key);
  if (!n) return nullptr;
  const auto* t = n->as_table();
  if (!t) fail(n, key, std::string("expected a table, got ") + typeName(*n));
  return t;
}

const toml::array* Reader::tableArray(std::string_view key) {
  const toml::node* n = get(key);
  if (!n) return nullptr;
  const auto* a = n->as_array();
  if (!a || !a->is_array_of_tables()) {
    fail(n, key, "expected an array of tables ([[" + full(key) + "]])");
  }
  return a;
}

void Reader::finish() const {
  for (const auto& [k, v] : table_) {
    if (!used_.contains(std::string(k.str()))) note(&v, k.str(), "unknown key");
  }
}

std::string Reader::fmt(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

const char* Reader::typeName(const toml::node& n) {
  switch (n.type()) {
    case toml::node_type::table:
      return "a table";
    case toml::node_type::array:
      return "an array";
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "an integer";
    case toml::node_type::floating_point:
      return "a float";
    case toml::node_type::boolean:
      return "a boolean";
    case toml::node_type::date:
      return "a date";
    case toml::node_type::time:
      return "a time";
    case toml::node_type::date_time:
      return "a date-time";
    default:
      return "nothing";
  }
}

int32_t toMs(double seconds) {
  return static_cast<int32_t>(std::llround(seconds * 1000.0));
}

// Up to kMaxFaults lines, then how many more.
std::string faultReport(const std::vector<std::string>& lines) {
  constexpr std::size_t kMaxFaults = 20;
  std::string out;
  for (std::size_t i = 0; i < lines.size() && i < kMaxFaults; ++i) {
    if (i > 0) out += '\n';
    out += lines[i];
  }
  if (lines.size() > kMaxFaults) {
    out += "\n... and " + std::to_string(lines.size() - kMaxFaults) + " more";
  }
  return out;
}

}  // namespace tasc::engine::detail
