// tasc: tools for vehicle and route authors.
//   tasc check FOLDER [--json]
//   tasc beacon encode|decode|table ...
// Exit status: 0 clean, 1 warnings (check), 2 errors or bad arguments.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "beacon_tool.h"
#include "check.h"

namespace {

using namespace tasc;
using namespace tasc::tool;

constexpr int kUsageError = 2;

int fail(const std::string& message) {
  std::cerr << "tasc: " << message << '\n';
  return kUsageError;
}

// A field given on the command line, checked against its range.
std::optional<int32_t> field(const FieldRange& range, const std::string& text, std::string& error) {
  const std::optional<int64_t> v = parseWholeInteger(text);
  if (!v) {
    error = std::string(range.name) + ": " + text + " is not a whole number";
    return std::nullopt;
  }
  if (auto e = rangeError(range, *v)) {
    error = *e;
    return std::nullopt;
  }
  return static_cast<int32_t>(*v);
}

std::optional<int32_t> kindOption(const std::string& text, std::string& error) {
  const std::optional<int64_t> v = parseWholeInteger(text);
  const std::optional<int32_t> kind = v ? kindOfType(*v) : std::nullopt;
  if (!kind) error = "kind must be 501, 502 or 503, not " + text;
  return kind;
}

void printFields(const BeaconWord& w) {
  std::printf("code %d\nformation %d\nrecord %d\nfile %d\nsub %d\n", w.distanceCode,
              w.formationCode, w.recordCode, w.fileIndex, w.subCode);
}

struct EncodeArgs {
  std::string kind, code, distance, formation = "1", record = "0", file = "0", sub = "0";
};

int encode(const EncodeArgs& a) {
  std::string error;
  const auto kind = kindOption(a.kind, error);
  if (!kind) return fail(error);
  if (a.code.empty() == a.distance.empty())
    return fail("give exactly one of --code and --distance");
  int32_t code = 0;
  std::optional<double> wanted;
  if (!a.code.empty()) {
    const auto c = field(kCodeRange, a.code, error);
    if (!c) return fail(error);
    code = *c;
  } else {
    wanted = parseWholeDecimal(a.distance);
    if (!wanted) return fail("distance: " + a.distance + " is not a finite number of metres");
    code = *nearestCode(*kind, *wanted);
  }
  const auto formation = field(kFormationRange, a.formation, error);
  if (!formation) return fail(error);
  const auto record = field(kRecordRange, a.record, error);
  if (!record) return fail(error);
  const auto file = field(kFileRange, a.file, error);
  if (!file) return fail(error);
  const auto sub = field(kSubRange, a.sub, error);
  if (!sub) return fail(error);

  const BeaconWord w{code, *formation, *record, *file, *sub};
  const int32_t word = encodeBeaconWord(w);
  const double distance = beaconDistance(*kind, code);
  std::printf("word %d (0x%06X)\n", word, static_cast<unsigned>(word));
  printFields(w);
  std::printf("distance %s m\n", exactText(distance).c_str());
  if (wanted) {
    std::printf("wanted %s m, off by %s m\n", exactText(*wanted).c_str(),
                exactText(distance - *wanted).c_str());
  }
  return 0;
}

int decode(const std::string& wordText, const std::string& kindText) {
  const std::optional<int32_t> word = parseWord(wordText);
  if (!word) return fail("word: " + wordText + " is not a 32-bit number (decimal or 0x hex)");
  std::string error;
  std::optional<int32_t> kind;
  if (!kindText.empty()) {
    kind = kindOption(kindText, error);
    if (!kind) return fail(error);
  }
  const BeaconWord w = decodeBeaconWord(*word);
  std::printf("word %d (0x%08X)\n", *word, static_cast<unsigned>(*word));
  printFields(w);
  if ((static_cast<uint32_t>(*word) >> 23) != 0) std::printf("bits 23..31 set: not read\n");
  for (int32_t k = 1; k <= 3; ++k) {
    if (kind && *kind != k) continue;
    std::printf("distance %d %s m\n", 500 + k,
                exactText(beaconDistance(k, w.distanceCode)).c_str());
  }
  return 0;
}

int table(const std::string& kindText) {
  std::string error;
  const auto kind = kindOption(kindText, error);
  if (!kind) return fail(error);
  const double base = kBaseDistance[*kind];
  for (int32_t code = 0; code < kDistanceCodeCount; ++code) {
    const double d = beaconDistance(*kind, code);
    std::printf("%2d %s%s\n", code, exactText(d).c_str(), code != 0 && d == base ? " (base)" : "");
  }
  return 0;
}

int run(int argc, char** argv) {
  CLI::App app{"Tools for TASC vehicle and route authors"};
  app.require_subcommand(1);

  std::string folder;
  bool json = false;
  CLI::App* check = app.add_subcommand(
      "check",
      "Report what the plug-in makes of a vehicle folder (exit 0 clean, 1 warnings, 2 errors)");
  check->add_option("FOLDER", folder, "folder holding TASC.ini and csvPath.ini")->required();
  check->add_flag("--json", json, "machine-readable report");

  CLI::App* beacon = app.add_subcommand("beacon", "Data words of stopping beacons 501, 502, 503");
  beacon->require_subcommand(1);
  EncodeArgs e;
  CLI::App* enc = beacon->add_subcommand("encode", "Build a data word from its fields");
  enc->add_option("--kind", e.kind, "beacon type 501, 502 or 503")->required();
  enc->add_option("--code", e.code, "distance code 0..63");
  enc->add_option("--distance", e.distance, "wanted distance in m: the nearest code is used");
  enc->add_option("--formation", e.formation, "formation 0..15 (default 1)");
  enc->add_option("--record", e.record, "record 0..31 (default 0)");
  enc->add_option("--file", e.file, "csvPath.ini entry 0..63 (default 0)");
  enc->add_option("--sub", e.sub, "sub code 0..3 (default 0)");

  std::string word, decodeKind, tableKind;
  CLI::App* dec =
      beacon->add_subcommand("decode", "Print the fields of a data word and its distance");
  dec->add_option("WORD", word, "data word, decimal or 0x hex")->required();
  dec->add_option("--kind", decodeKind, "beacon type 501, 502 or 503 (default: all three)");

  CLI::App* tab = beacon->add_subcommand("table", "Print every distance code with its distance");
  tab->add_option("--kind", tableKind, "beacon type 501, 502 or 503")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& err) {
    const int status = app.exit(err);
    return status == 0 ? 0 : kUsageError;
  }

  if (check->parsed()) {
    const Report report = checkFolder(folder);
    std::cout << (json ? formatJson(report) : formatHuman(report));
    return report.exitStatus();
  }
  if (enc->parsed()) return encode(e);
  if (dec->parsed()) return decode(word, decodeKind);
  if (tab->parsed()) return table(tableKind);
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& ex) {
    return fail(ex.what());
  }
}
