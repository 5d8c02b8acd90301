#include "beacon/beacon_command.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <memory>

#include "cli/cli.h"
#include "control/beacon.h"
#include "readers/numbers.h"
#include "system/host_loader.h"

namespace tasc::beacon {
namespace {

constexpr int kExitWarning = 1;  // as `tasc check`: a warning

struct EncodeArgs {
  std::string kind, code, distance, formation = "1", record = "0", file = "0", sub = "0";
};

// A field given on the command line, checked against 0..max.
int32_t field(const char* name, const std::string& text, int32_t max) {
  const int32_t v = cli::wholeInteger(name, text);
  if (v < 0 || v > max) {
    throw cli::UsageError(std::string(name) + " must be 0.." + std::to_string(max) + ", not " +
                          std::to_string(v));
  }
  return v;
}

int32_t kindOption(const std::string& text) {
  const NumberRead<int32_t> v = readInteger(text);
  const std::optional<int32_t> kind =
      v.whole(text.data() + text.size()) ? kindOfType(v.value) : std::nullopt;
  if (!kind) throw cli::UsageError("kind must be 501, 502 or 503, not " + text);
  return *kind;
}

void printFields(const BeaconWord& w) {
  std::printf("code %d\nformation %d\nrecord %d\nfile %d\nsub %d\n", w.distanceCode,
              w.formationCode, w.recordCode, w.fileIndex, w.subCode);
}

int encode(const EncodeArgs& a) {
  const int32_t kind = kindOption(a.kind);
  if (a.code.empty() == a.distance.empty()) {
    throw cli::UsageError("give exactly one of --code and --distance");
  }
  std::optional<double> wanted;
  int32_t code = 0;
  if (!a.code.empty()) {
    code = field("code", a.code, kDistanceCodeMax);
  } else {
    wanted = cli::wholeDecimal("distance", a.distance);
    code = nearestDistanceCode(kind, *wanted);
  }
  const BeaconWord w{code, field("formation", a.formation, kFormationCodeMax),
                     field("record", a.record, kRecordCodeMax),
                     field("file", a.file, kFileIndexMax), field("sub", a.sub, kSubCodeMax)};
  const int32_t word = encodeBeaconWord(w);
  const double distance = beaconDistance(kind, code);
  std::printf("word %d (0x%06X)\n", word, static_cast<unsigned>(word));
  printFields(w);
  std::printf("distance %s m\n", exactText(distance).c_str());
  if (wanted) {
    std::printf("wanted %s m, off by %s m\n", exactText(*wanted).c_str(),
                exactText(distance - *wanted).c_str());
  }
  return cli::kExitOk;
}

int decode(const std::string& wordText, const std::string& kindText) {
  const std::optional<int32_t> word = parseWord(wordText);
  if (!word)
    throw cli::UsageError("word: " + wordText + " is not a 32-bit number (decimal or 0x hex)");
  const int32_t kind = kindText.empty() ? 0 : kindOption(kindText);  // 0: all three
  const BeaconWord w = decodeBeaconWord(*word);
  std::printf("word %d (0x%08X)\n", *word, static_cast<unsigned>(*word));
  printFields(w);
  for (int32_t k = 1; k <= 3; ++k) {
    if (kind != 0 && kind != k) continue;
    std::printf("distance %d %s m\n", 500 + k,
                exactText(beaconDistance(k, w.distanceCode)).c_str());
  }
  // A word no encoder makes: a typing error, or a word meant for another device.
  if ((static_cast<uint32_t>(*word) >> 23) != 0) {
    std::printf(
        "warning: bits 23..31 are set: the plug-in does not read them; the fields above "
        "are what it reads\n");
    return kExitWarning;
  }
  return cli::kExitOk;
}

int table(const std::string& kindText) {
  const int32_t kind = kindOption(kindText);
  const double base = kBaseDistance[kind];
  for (int32_t code = 0; code <= kDistanceCodeMax; ++code) {
    const double d = beaconDistance(kind, code);
    std::printf("%2d %s%s\n", code, exactText(d).c_str(), code != 0 && d == base ? " (base)" : "");
  }
  return cli::kExitOk;
}

}  // namespace

std::optional<int32_t> kindOfType(int64_t type) {
  if (type >= 501 && type <= 503) return static_cast<int32_t>(type - 500);
  return std::nullopt;
}

std::optional<int32_t> parseWord(std::string_view text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string_view digits = hex ? text.substr(2) : text;
  const char* end = digits.data() + digits.size();
  if (hex || (!digits.empty() && digits.front() != '-')) {
    uint32_t v = 0;
    const auto [stop, ec] = std::from_chars(digits.data(), end, v, hex ? 16 : 10);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return static_cast<int32_t>(v);  // modular since C++20
  }
  const NumberRead<int32_t> v = readInteger(digits);  // a negative 32-bit word
  if (!v.whole(end)) return std::nullopt;
  return v.value;
}

std::string exactText(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

void addBeaconCommand(CLI::App& tasc, int& status) {
  CLI::App* beacon = tasc.add_subcommand("beacon", "Data words of stopping beacons 501, 502, 503");
  beacon->require_subcommand(1);

  auto e = std::make_shared<EncodeArgs>();
  CLI::App* enc = beacon->add_subcommand("encode", "Build a data word from its fields");
  enc->add_option("--kind", e->kind, "beacon type 501, 502 or 503")->required();
  enc->add_option("--code", e->code, "distance code 0..63");
  enc->add_option("--distance", e->distance, "wanted distance in m: the nearest code is used");
  enc->add_option("--formation", e->formation, "formation 0..15 (default 1)");
  enc->add_option("--record", e->record, "record 0..31 (default 0)");
  enc->add_option("--file", e->file, "csvPath.ini entry 0..63 (default 0)");
  enc->add_option("--sub", e->sub, "sub code 0..3 (default 0)");
  enc->callback([e, &status] { status = cli::runCommand("beacon", [&] { return encode(*e); }); });

  auto word = std::make_shared<std::string>();
  auto decodeKind = std::make_shared<std::string>();
  CLI::App* dec =
      beacon->add_subcommand("decode", "Print the fields of a data word and its distance");
  dec->add_option("WORD", *word, "data word, decimal or 0x hex")->required();
  dec->add_option("--kind", *decodeKind, "beacon type 501, 502 or 503 (default: all three)");
  dec->callback([word, decodeKind, &status] {
    status = cli::runCommand("beacon", [&] { return decode(*word, *decodeKind); });
  });

  auto tableKind = std::make_shared<std::string>();
  CLI::App* tab = beacon->add_subcommand("table", "Print every distance code with its distance");
  tab->add_option("--kind", *tableKind, "beacon type 501, 502 or 503")->required();
  tab->callback([tableKind, &status] {
    status = cli::runCommand("beacon", [&] { return table(*tableKind); });
  });
}

}  // namespace tasc::beacon
