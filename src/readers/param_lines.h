// The parameter-file reader: text of comma-separated lines in, one
// ParamRecord per line out. Pure code, no file access; the controller's
// loadParamFile feeds it the bytes of the file that an entry names.
//
// File form:
// - a line ends at LF; a CR directly before the LF is dropped, so CR LF and LF
//   files read alike; the last line needs no line end;
// - no header, no comments, no quoting, no trimming: every line is a record,
//   a byte-order mark is part of the first field;
// - fields are separated by ','; an empty field between two commas is a
//   field, a comma at the end of a line opens none, an empty line has none;
// - field i fills column i of the record; fields after the fifteenth are
//   ignored; a missing field or one that does not convert keeps the default.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readers/param_record.h"

namespace tasc {

// How one column of a line was read.
enum class ColumnStatus : uint8_t {
  Converted = 0,   // the field converted; the record holds its value
  Missing = 1,     // the line has no field for this column
  NoNumber = 2,    // no number begins the field (empty, words, a quote...)
  OutOfRange = 3,  // a number begins the field but does not fit the column
};
const char* columnStatusName(ColumnStatus status);

using ColumnStatuses = std::array<ColumnStatus, kParamColumnCount>;

// Splits a line (without its line end) at ','. Stores the first out.size()
// fields as views into `line` and returns the number of fields the line has,
// which may exceed out.size().
std::size_t splitLine(std::string_view line, std::span<std::string_view> out) noexcept;

// Converts `field` as column `column` says and stores it in `record`. On any
// failure `record` is left as it was and the reason is returned. A column
// past the last one is Missing.
ColumnStatus convertColumn(std::size_t column, std::string_view field,
                           ParamRecord& record) noexcept;

// One line (without its line end) as a record: the default record with every
// column that converts stored. `status`, when given, receives how each column
// was read; the plug-in passes none.
ParamRecord parseParamLine(std::string_view line, ColumnStatuses* status = nullptr) noexcept;

// Cuts the text of a file, fed in chunks of any size, into lines: each up to
// the next LF, without it and without a CR directly before it; the last line
// needs no line end. A line inside a chunk is passed as a view into the chunk;
// only a line that a chunk boundary cuts is copied, into a buffer reused for
// the whole file. `sink(std::string_view line)` receives the lines in order.
// May throw std::bad_alloc from that buffer, and what the sink throws.
class LineReader {
 public:
  template <typename Sink>
  void feed(std::string_view chunk, Sink&& sink) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t lf = chunk.find('\n', start);
      if (lf == std::string_view::npos) break;
      const std::string_view piece = chunk.substr(start, lf - start);
      if (pending_.empty()) {
        sink(withoutCr(piece));
      } else {
        pending_.append(piece);
        sink(withoutCr(pending_));
        pending_.clear();
      }
      start = lf + 1;
    }
    pending_.append(chunk.substr(start));
  }

  // End of the file (or a read error): the last line, if it had no line end.
  // No character after the last LF means no further line.
  template <typename Sink>
  void finish(Sink&& sink) {
    if (pending_.empty()) return;
    sink(std::string_view(pending_));
    pending_.clear();
  }

 private:
  static std::string_view withoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

  std::string pending_;  // start of a line that the previous chunk ended inside
};

// Reads the text of a parameter file, in chunks, and appends one record per
// line to `table`. May throw std::bad_alloc from the table or the line buffer.
class ParamFileReader {
 public:
  explicit ParamFileReader(std::vector<ParamRecord>& table) : table_(table) {}

  // The next bytes of the file.
  void feed(std::string_view chunk) { lines_.feed(chunk, Append{table_}); }
  // End of the file (or a read error): the last line, if it had no line end.
  void finish() { lines_.finish(Append{table_}); }

 private:
  struct Append {
    std::vector<ParamRecord>& table;
    void operator()(std::string_view line) const { table.push_back(parseParamLine(line)); }
  };

  std::vector<ParamRecord>& table_;
  LineReader lines_;
};

// The whole text of a parameter file appended to `table`, one record per line.
void appendParamText(std::string_view text, std::vector<ParamRecord>& table);

}  // namespace tasc
