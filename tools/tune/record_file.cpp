#include "tune/record_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "control/beacon.h"
#include "files/files.h"
#include "folder/vehicle_folder.h"
#include "plugin/settings.h"
#include "readers/entry_path.h"
#include "readers/param_lines.h"
#include "readers/profile.h"
#include "system/text.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

bool isStoppingBeacon(int32_t type) {
  return type >= 501 && type <= 503;
}

// Every line of `text` as the plug-in cuts it, as [offset, length) pairs.
std::vector<std::pair<std::size_t, std::size_t>> lineSpans(std::string_view text) {
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  LineReader reader;
  reader.feed(text, [&](std::string_view line) {
    spans.emplace_back(static_cast<std::size_t>(line.data() - text.data()), line.size());
  });
  // The last line without a line end comes as a copy: it starts after the last LF.
  reader.finish([&](std::string_view line) {
    const std::size_t lf = text.rfind('\n');
    spans.emplace_back(lf == std::string_view::npos ? 0 : lf + 1, line.size());
  });
  return spans;
}

// The fewest decimals that read back to `value`; digits with an exponent
// only for values that need more than 17 decimals.
std::string shortest(double value) {
  char text[400];
  for (int decimals = 0; decimals <= 17; ++decimals) {
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (std::strtod(text, nullptr) == value) return text;
  }
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

}  // namespace

std::string readWholeFile(const fs::path& file) {
  std::optional<std::string> text = files::readWholeFile(file);
  if (!text) throw RecordError("cannot read " + platform::utf8Of(file));
  return std::move(*text);
}

std::vector<RecordKey> selectedRecords(const engine::Scenario& s) {
  const Settings settings =
      readSettings(folder::pluginPath(s.vehicleFolder / "TASC.ini").value_or("").c_str());
  std::vector<RecordKey> keys;
  int32_t table = 0;  // file 0 is loaded at every Initialize
  for (const engine::BeaconEntry& b : s.beacons) {
    if (!isStoppingBeacon(b.type)) continue;
    const BeaconWord w = decodeBeaconWord(b.data);
    if (w.formationCode != settings.formationId) continue;
    keys.push_back({w.recordCode, w.subCode, table});
    table = w.fileIndex;
  }
  return keys;
}

fs::path entryFile(const fs::path& vehicleFolder, int index) {
  // The reading that check and the run folders share.
  const folder::VehicleList list = folder::readList(fs::absolute(vehicleFolder));
  for (const folder::ListEntry& e : list.entries) {
    if (e.index == index) return e.file;
  }
  return {};
}

std::optional<std::size_t> findRecordLine(std::string_view text, int32_t recordId, int32_t subId) {
  const auto spans = lineSpans(text);
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const ParamRecord r = parseParamLine(text.substr(spans[i].first, spans[i].second));
    if (r.recordId == recordId && r.subId == subId) return i;
  }
  return std::nullopt;
}

RecordLine findRecord(const fs::path& vehicleFolder, const RecordKey& key) {
  const std::string what = "record " + std::to_string(key.recordId) + "/" +
                           std::to_string(key.subId) + " of file " + std::to_string(key.fileIndex);
  if (key.recordId == 0 && key.subId == 0) {
    throw RecordError(what +
                      ": keys 0/0 select the built-in default record, which no file line "
                      "changes; give the record keys of its own");
  }
  RecordLine r;
  r.key = key;
  r.file = entryFile(vehicleFolder, key.fileIndex);
  if (r.file.empty()) {
    throw RecordError(what + ": csvPath.ini of " + platform::utf8Of(vehicleFolder) +
                      " names no file for entry " + std::to_string(key.fileIndex));
  }
  r.text = readWholeFile(r.file);
  const std::optional<std::size_t> line = findRecordLine(r.text, key.recordId, key.subId);
  if (!line)
    throw RecordError(what + ": no line of " + platform::utf8Of(r.file) + " has these keys");
  r.line = *line;
  const auto spans = lineSpans(r.text);
  r.record =
      parseParamLine(std::string_view(r.text).substr(spans[r.line].first, spans[r.line].second));
  return r;
}

std::string formatRecordLine(const ParamRecord& r) {
  std::string line;
  for (std::size_t c = 0; c < kParamColumnCount; ++c) {
    const double v = columnValue(r, c);
    if (c > 0) line += ",";
    line += columnKind(c) == ColumnKind::Decimal ? shortest(v)
                                                 : std::to_string(static_cast<int32_t>(v));
  }
  return line;
}

std::string replaceLine(std::string_view text, std::size_t line, std::string_view newLine) {
  const auto spans = lineSpans(text);
  if (line >= spans.size()) throw RecordError("no line " + std::to_string(line + 1));
  const auto [offset, length] = spans[line];
  std::string out(text.substr(0, offset));
  out += newLine;
  out += text.substr(offset + length);
  return out;
}

fs::path backupPath(const fs::path& file) {
  constexpr int kMostBackups = 9999;
  for (int n = 1; n <= kMostBackups; ++n) {
    fs::path backup = file;
    backup += n == 1 ? std::string(".bak") : ".bak" + std::to_string(n);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(backup, ec))) return backup;
  }
  throw RecordError(platform::utf8Of(file) + ": " + std::to_string(kMostBackups) +
                    " backups already; remove some");
}

void writeReplacing(const fs::path& file, const std::string& text, const fs::path& backup) {
  std::random_device rd;
  const fs::path temp =
      file.parent_path() / file.filename().concat(".tasc-tune-" + std::to_string(rd()));
  try {
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out << text;
      out.flush();
      if (!out) throw RecordError("cannot write " + platform::utf8Of(temp));
    }
    fs::copy_file(file, backup, fs::copy_options::none);  // never over a backup
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (ec) {
      // A runtime whose rename does not replace: the backup holds the old file.
      fs::remove(file);
      fs::rename(temp, file);
    }
  } catch (const fs::filesystem_error& e) {
    std::error_code ec;
    fs::remove(temp, ec);
    throw RecordError(std::string("cannot rewrite ") + platform::utf8Of(file) + ": " + e.what());
  } catch (const RecordError&) {
    std::error_code ec;
    fs::remove(temp, ec);
    throw;
  }
}

}  // namespace tasc::tune
