// The record a scenario tunes: which record, file and line its stopping
// beacons select, read with the plug-in's own readers, and that line written
// back in the plug-in's column order without ever leaving a half-written file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/scenario.h"
#include "readers/param_record.h"

namespace tasc::tune {

// A record that cannot be tuned, a file that cannot be read or written;
// what() says which and why.
class RecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Keys of a record and the file whose table a beacon picks it from.
struct RecordKey {
  int32_t recordId = 0;
  int32_t subId = 0;
  int32_t fileIndex = 0;
  friend bool operator==(const RecordKey&, const RecordKey&) = default;
};

// The keys each stopping beacon (501..503) of the scenario selects, in track
// order. A beacon picks its record from the table in force before it switches
// files: file 0 until a beacon names another file, then that one.
std::vector<RecordKey> selectedRecords(const engine::Scenario& scenario);

// The line of a parameter file that holds a record.
struct RecordLine {
  RecordKey key;
  std::filesystem::path file;  // the parameter file, as csvPath.ini names it
  std::string text;            // the whole file
  std::size_t line = 0;        // 0-based
  ParamRecord record;          // as the plug-in reads the line
};

// Finds the record in its file of `vehicleFolder`; throws RecordError when the
// list names no such file, the file cannot be read, the keys are 0/0 (the
// built-in default record, which no line changes) or no line holds them.
RecordLine findRecord(const std::filesystem::path& vehicleFolder, const RecordKey& key);

// The parameter file that entry `index` of the folder's csvPath.ini names,
// formed as the plug-in forms it (folder::readList); empty when the entry is
// missing or NULL.
std::filesystem::path entryFile(const std::filesystem::path& vehicleFolder, int index);

// Index of the first line whose keys are recordId/subId as the plug-in reads
// them, or none.
std::optional<std::size_t> findRecordLine(std::string_view text, int32_t recordId, int32_t subId);

// A record as a file line: the fifteen columns in the plug-in's order, each
// decimal in the fewest digits that read back to the same value.
std::string formatRecordLine(const ParamRecord& record);

// `text` with line `line` (0-based) replaced by `newLine`; the line's end (LF
// or CR LF) and every other byte stay as they were.
std::string replaceLine(std::string_view text, std::size_t line, std::string_view newLine);

// Where a rewrite of `file` keeps the file it replaces: FILE.bak when there
// is none, else the first free of FILE.bak2, FILE.bak3, ... A backup is never
// replaced: FILE.bak keeps the file as it was before the first rewrite, and
// every later version has one of its own.
std::filesystem::path backupPath(const std::filesystem::path& file);

// Writes `text` to `file` through a temporary file beside it and a rename;
// the old file is first copied to `backup`, which must not exist yet. Throws
// RecordError.
void writeReplacing(const std::filesystem::path& file, const std::string& text,
                    const std::filesystem::path& backup);

// The whole file; throws RecordError when it cannot be read.
std::string readWholeFile(const std::filesystem::path& file);

}  // namespace tasc::tune
