// Reading a scenario file: the TOML table reader that collects every fault
// with its file, line and column, and the readers of the scenario's sections,
// each in a file of its own. Used by the scenario's own files alone.
#pragma once

#include <toml++/toml.h>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/scenario.h"

namespace tasc::engine::detail {

// The faults found so far in one scenario file. Reading goes on after a
// fault, so that one run reports them all.
struct Faults {
  std::string file;
  std::vector<std::string> lines;     // "file:line:column: key: message"
  std::vector<std::string> warnings;  // the same form: the run goes on
};

// Thrown when a table cannot be read on: caught where the next table starts.
struct TableAbort {};

// Reads `body` and goes on after a fault that ended it.
template <typename Body>
void guarded(Body body) {
  try {
    body();
  } catch (const TableAbort&) {
  }
}

// What a TOML author most likely meant by a syntax fault, as "; ..." to
// append to its message, or empty: Windows paths in double quotes, whose
// backslashes are escapes; a file in Shift-JIS or another code page.
std::string syntaxHint(std::string_view description);
inline constexpr const char* kPathQuoteHint =
    "write Windows paths in single quotes, 'Z:\\trains', or with /";

// One TOML table being read: every key must be read once, so that a typing
// error in a key name is reported instead of silently ignored.
class Reader {
 public:
  Reader(const toml::table& table, std::string prefix, Faults& faults)
      : table_(table), prefix_(std::move(prefix)), faults_(faults) {}

  // A fault: noted, and reading goes on.
  void note(const toml::node* node, std::string_view key, const std::string& message) const;
  // Something the plug-in will take otherwise than the author may think.
  void warn(const toml::node* node, std::string_view key, const std::string& message) const;
  std::string where(const toml::node* node, std::string_view key) const;

  // A fault after which the table cannot be read on.
  [[noreturn]] void fail(const toml::node* node, std::string_view key,
                         const std::string& message) const;

  std::string full(std::string_view key) const {
    return prefix_.empty() ? std::string(key) : prefix_ + "." + std::string(key);
  }

  const toml::node* get(std::string_view key) {
    used_.insert(std::string(key));
    return table_.get(key);
  }
  bool has(std::string_view key) const { return table_.contains(key); }
  const toml::table& table() const { return table_; }
  Faults& faults() const { return faults_; }

  // A number within [lo, hi]; integers are accepted where a float is meant.
  std::optional<double> number(std::string_view key, double lo, double hi);
  double number(std::string_view key, double lo, double hi, double fallback);
  double required(std::string_view key, double lo, double hi);

  // The node as a number within [lo, hi]; nothing, with the fault noted,
  // when it is none or outside.
  std::optional<double> checkNumber(const toml::node* n, std::string_view key, double lo,
                                    double hi) const;

  // An integer within [lo, hi], a string, true or false; nothing when absent
  // or (the fault noted) of another type or outside. A string with a control
  // character is a fault too: it came from a backslash escape ("Z:\trains").
  std::optional<int64_t> integer(std::string_view key, int64_t lo, int64_t hi);
  std::optional<std::string> string(std::string_view key);
  std::optional<bool> boolean(std::string_view key);

  // A sub-table, or nothing when absent.
  const toml::table* subTable(std::string_view key);

  // An array of tables ([[key]]), or nothing when absent.
  const toml::array* tableArray(std::string_view key);

  // Every key of the table not read is a fault: a typing error in a key's
  // name is said, not silently ignored.
  void finish() const;

  // A number as the messages show it; the TOML type of a node in words.
  static std::string fmt(double v);
  static const char* typeName(const toml::node& n);

 private:
  const toml::table& table_;
  std::string prefix_;
  Faults& faults_;
  std::set<std::string> used_;
};

// Seconds as whole milliseconds.
int32_t toMs(double seconds);
// Up to 20 fault lines, then how many more.
std::string faultReport(const std::vector<std::string>& lines);

// The sections, each from its table. Faults go to the reader's list; a fault
// that ends a table throws TableAbort.
void readVehicle(Reader& r, VehicleModel& v, double folderB7Dec);
// A vehicle file parsed, with its [vehicle] table; `fail` says why not (and
// does not return).
toml::table parseVehicleFile(const std::filesystem::path& file,
                             const std::function<void(const std::string&)>& fail);
// The file that `vehicle_file` names, relative to the scenario, parsed: a
// fitted vehicle (tasc fit writes one) in its [vehicle] table.
toml::table vehicleFile(Reader& r, const Scenario& s, const std::string& name);
// The scenario's own [vehicle] keys moved over the vehicle file's: moved, not
// copied, so that each node keeps its file and line for the messages.
void overlayVehicle(toml::table& root, toml::table& fileVehicle);
// The fitted vehicle's [vehicle] keys over `under` (the vehicle read so far):
// the keys of `under` it lacks moved into the fitted table, which wins.
void underFitted(toml::table* under, toml::table& fitted);
void readTrack(Reader& t, Scenario& s, int32_t folderFormation);
// Codes each beacon given by its place for the front, once the receiver's
// offset is known.
void codeBeaconsForFront(Scenario& s);
// A stopping beacon coded more than 0.5 m from its true distance warns.
void codedDistanceWarnings(const Scenario& s, Faults& faults);
DriverScript readDriver(Reader& r, const VehicleModel& v);
void readSweep(Reader& w, SweepAxes& sweep);

}  // namespace tasc::engine::detail
