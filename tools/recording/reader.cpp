#include "reader.h"

#include <fstream>
#include <istream>
#include <iterator>

namespace tasc::recording {
namespace {

// The comma-separated fields of a row, one at a time; the last text field of
// a row takes the rest of the line, commas included.
class Fields {
 public:
  explicit Fields(std::string_view line) : rest_(line) {}
  bool next(std::string_view& field) {
    if (done_) return false;
    const std::size_t comma = rest_.find(',');
    field = rest_.substr(0, comma);
    if (comma == std::string_view::npos) {
      done_ = true;
      rest_ = {};
    } else {
      rest_.remove_prefix(comma + 1);
    }
    return true;
  }
  // The rest of the row (false when no field is left).
  bool rest(std::string_view& field) {
    if (done_) return false;
    field = rest_;
    done_ = true;
    return true;
  }
  bool done() const { return done_; }

 private:
  std::string_view rest_;
  bool done_ = false;
};

class Parser {
 public:
  Parser(std::string_view name, ReadResult& result) : name_(name), r_(result) {}

  bool row(std::string_view line);
  bool finish();
  std::string where(std::size_t line) const {
    return std::string(name_) + ":" + std::to_string(line) + ": ";
  }
  std::size_t lineNumber = 0;

 private:
  bool fail(const std::string& reason) {
    r_.message = where(lineNumber) + reason;
    return false;
  }
  bool header(std::string_view key, Fields& f);
  bool textField(Fields& f, std::string& out, const char* what);
  bool fileRow(Fields& f);
  bool dataRow(Fields& f);
  bool frameRow(Fields& f);
  bool eventRow(Fields& f);
  bool endRow(Fields& f);
  bool int32Field(Fields& f, int32_t& v, const char* what);
  bool openFileComplete();

  std::string_view name_;
  ReadResult& r_;
  Recording& rec_ = r_.recording;
  int64_t fileBytesLeft_ = 0;  // data still due for the last file row
  uint32_t headerSeen_ = 0;    // header rows read, one bit each
  std::string scratch_;
};

bool Parser::int32Field(Fields& f, int32_t& v, const char* what) {
  std::string_view text;
  if (!f.next(text)) return fail(std::string("missing field ") + what);
  if (!parseInt32(text, v))
    return fail(std::string(what) + " is not an integer: '" + std::string(text.substr(0, 40)) +
                "'");
  return true;
}

bool Parser::textField(Fields& f, std::string& out, const char* what) {
  std::string_view text;
  if (!f.rest(text)) return fail(std::string("missing ") + what);
  if (!parseEscaped(text, out)) return fail(std::string("bad escape or raw byte in ") + what);
  if (out.size() > kMaxTextBytes) {
    return fail(std::string(what) + " is longer than " + std::to_string(kMaxTextBytes) + " bytes");
  }
  return true;
}

bool Parser::openFileComplete() {
  if (fileBytesLeft_ == 0) return true;
  return fail("the copy of " + rec_.files.back().name + " lacks " + std::to_string(fileBytesLeft_) +
              " bytes");
}

bool Parser::row(std::string_view line) {
  if (line.empty()) return fail("empty line");
  if (line.front() == '#') return true;
  if (rec_.end) return fail("a row after the end row");
  Fields f(line);
  std::string_view kind;
  f.next(kind);
  if (kind == "data") return dataRow(f);
  if (!openFileComplete()) return false;
  if (kind == "frame") return frameRow(f);
  if (kind == "event") return eventRow(f);
  if (kind == "file") return fileRow(f);
  if (kind == "end") return endRow(f);
  return header(kind, f);
}

bool Parser::header(std::string_view key, Fields& f) {
  // Each header row stands once: a second one would contradict the first.
  static constexpr std::array<std::string_view, 7> kKeys = {
      "recorder", "plugin", "started", "plugin_state", "version", "vehicle", "initialize"};
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (key != kKeys[i]) continue;
    if (headerSeen_ & (1u << i)) return fail("a second '" + std::string(key) + "' row");
    headerSeen_ |= 1u << i;
  }
  if (key == "recorder") return textField(f, rec_.recorderPath, "the recorder's path");
  if (key == "plugin") return textField(f, rec_.pluginPath, "the plug-in's path");
  if (key == "started") return textField(f, rec_.started, "the start time");
  std::string_view word;
  if (key == "plugin_state") {
    f.next(word);
    rec_.pluginLoaded = word == "loaded";
    if (rec_.pluginLoaded) return f.done() || fail("text after 'loaded'");
    if (word != "absent") return fail("plug-in state is neither loaded nor absent");
    return textField(f, rec_.absentReason, "the reason the plug-in is absent");
  }
  if (key == "version" || key == "vehicle" || key == "initialize") {
    const int count = key == "vehicle" ? 5 : 1;
    std::array<int32_t, 5> values{};
    Fields probe = f;
    if (key != "initialize" && probe.next(word) && word == "none" && probe.done()) return true;
    for (int i = 0; i < count; ++i) {
      if (!int32Field(f, values[static_cast<std::size_t>(i)], "value")) return false;
    }
    if (!f.done()) return fail("too many fields in " + std::string(key));
    if (key == "version") rec_.pluginVersion = values[0];
    if (key == "initialize") rec_.initializeMode = values[0];
    if (key == "vehicle") rec_.vehicle = values;
    return true;
  }
  return fail("unknown row '" + std::string(key.substr(0, 40)) + "'");
}

bool Parser::fileRow(Fields& f) {
  CopiedFile file;
  std::string_view size;
  if (!f.next(size)) return fail("missing file role");
  file.role = std::string(size);
  if (file.role != "settings" && file.role != "list" && file.role != "param") {
    return fail("unknown file role '" + file.role.substr(0, 40) + "'");
  }
  if (!int32Field(f, file.index, "file index")) return false;
  int64_t bytes = 0;
  if (!f.next(size) || !parseInt64(size, bytes) || bytes < -1 || bytes > (int64_t{1} << 40)) {
    return fail("file size is not a number of bytes (or -1)");
  }
  if (!textField(f, file.name, "the file name")) return false;
  file.present = bytes >= 0;
  fileBytesLeft_ = bytes > 0 ? bytes : 0;
  rec_.files.push_back(std::move(file));
  return true;
}

bool Parser::dataRow(Fields& f) {
  if (rec_.files.empty() || fileBytesLeft_ == 0) return fail("a data row with no file to fill");
  if (!textField(f, scratch_, "file data")) return false;
  if (static_cast<int64_t>(scratch_.size()) > fileBytesLeft_) {
    return fail("more data than the file row says");
  }
  rec_.files.back().contents += scratch_;
  fileBytesLeft_ -= static_cast<int64_t>(scratch_.size());
  return true;
}

bool Parser::frameRow(Fields& f) {
  FrameRow row;
  std::string_view text;
  if (!f.next(text) || !parseDouble(text, row.location)) return fail("bad frame location");
  if (!f.next(text) || !parseFloat(text, row.speed)) return fail("bad frame speed");
  if (!int32Field(f, row.timeMs, "time")) return false;
  for (uint32_t& bits : row.reserved) {
    if (!f.next(text) || !parseHex32(text, bits)) return fail("bad raw state field (8 hex digits)");
  }
  if (!int32Field(f, row.stepMs, "frame step")) return false;
  for (int32_t& v : row.driver) {
    if (!int32Field(f, v, "driver's handle")) return false;
  }
  for (int32_t& v : row.handles) {
    if (!int32Field(f, v, "returned handle")) return false;
  }
  int filled = 0;
  for (int32_t& v : row.panel) {
    if (!f.next(text)) return fail("missing panel field");
    if (text.empty()) continue;
    if (!parseInt32(text, v)) return fail("panel value is not an integer");
    ++filled;
  }
  if (filled != 0 && filled != 5) return fail("panel fields partly empty");
  if (!f.done()) return fail("too many fields in a frame row");
  row.hasPanel = filled == 5;
  rec_.frames.push_back(row);
  return true;
}

bool Parser::eventRow(Fields& f) {
  std::string_view text;
  f.next(text);
  const std::optional<EventKind> kind = eventKindFromName(text);
  if (!kind) return fail("unknown event '" + std::string(text.substr(0, 40)) + "'");
  PlacedEvent e;
  e.row.kind = *kind;
  e.framesBefore = rec_.frames.size();
  const int count = eventArgCount(*kind);
  for (int i = 0; i < count; ++i) {
    if (*kind == EventKind::Beacon && i == 2 &&
        (!f.next(text) || !parseFloat(text, e.row.distance))) {
      return fail("bad beacon distance");
    }
    if (!int32Field(f, e.row.args[static_cast<std::size_t>(i)], "event argument")) return false;
  }
  if (!f.done())
    return fail(std::string("too many fields in a ") + eventKindName(*kind) + " event");
  rec_.events.push_back(e);
  return true;
}

bool Parser::endRow(Fields& f) {
  std::string_view text;
  f.next(text);
  rec_.end = endReasonFromName(text);
  if (!rec_.end || !f.done()) return fail("unknown end reason");
  return true;
}

bool Parser::finish() {
  if (!openFileComplete()) return false;
  if (!rec_.end) {
    r_.warnings.push_back(where(lineNumber) +
                          "no end row: the host stopped without ending the run");
  }
  return true;
}

}  // namespace

ReadResult readRecording(std::string_view text, std::string_view name) {
  ReadResult result;
  Parser parser(name, result);
  auto failAt = [&](std::size_t line, const std::string& reason) {
    result.line = line;
    result.message = parser.where(line) + reason;
    return result;
  };
  if (text.empty()) return failAt(1, "empty file: no version line");
  std::size_t pos = 0;
  std::size_t line = 0;
  while (pos < text.size()) {
    ++line;
    const std::size_t lf = text.find('\n', pos);
    const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    if (end - pos > kMaxLineBytes) return failAt(line, "line longer than 1 MiB");
    if (lf == std::string_view::npos) {
      // The host stopped in the middle of a write: keep the whole rows.
      if (line == 1) return failAt(1, "the version line is cut off");
      result.warnings.push_back(parser.where(line) +
                                "the recording ends mid-line; read up to the last whole row");
      --line;
      break;
    }
    std::string_view row = text.substr(pos, end - pos);
    if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
    pos = lf + 1;
    parser.lineNumber = line;
    if (line == 1) {
      if (row != kVersionLine) {
        return failAt(1, "not a recording of this version: the first line must be '" +
                             std::string(kVersionLine) + "'");
      }
      continue;
    }
    if (!parser.row(row)) {
      result.line = line;
      return result;
    }
  }
  result.line = line;
  parser.lineNumber = line;
  result.ok = parser.finish();
  return result;
}

ReadResult readRecording(std::istream& in, std::string_view name) {
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    ReadResult r;
    r.message = std::string(name) + ":0: cannot read";
    return r;
  }
  return readRecording(text, name);
}

ReadResult readRecordingFile(const std::filesystem::path& path) {
  // The name in UTF-8, as the tools print every name.
  const std::u8string utf8 = path.u8string();
  const std::string name(utf8.begin(), utf8.end());
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ReadResult r;
    r.message = name + ":0: cannot open";
    return r;
  }
  return readRecording(in, name);
}

}  // namespace tasc::recording
