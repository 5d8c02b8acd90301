// Writing the fitted b7_decel into a vehicle folder's TASC.ini as
// [TASCPtn] B7Dec: the edit of the text (pure, found by the plug-in's own
// profile scanner, so the key edited is the one the plug-in reads) and the
// file's replacement, which keeps the first original as TASC.ini.bak.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tasc::fit {

// What the edit did.
enum class B7DecEdit {
  Replaced,      // the value of the key the plug-in reads
  KeyAdded,      // a line after the section's last line
  SectionAdded,  // [TASCPtn] and the key at the end
  Unchanged,     // the plug-in already reads that value
};
const char* b7DecEditName(B7DecEdit edit);

struct B7DecChange {
  std::string text;  // the new file
  B7DecEdit edit = B7DecEdit::Unchanged;
  int32_t line = 0;      // of the key in the new text, 1-based
  std::string oldValue;  // the value the key had, unquoted; empty when none
};

// `ini` with B7Dec of the first [TASCPtn] section set to `value` (which the
// plug-in reads whole: 7 characters at most). Only the value's bytes change:
// inside its quotes when quoted; a key without '=' gets " = value"; a missing
// key is added after the section's last non-blank line, a missing section at
// the end, with the file's own line end (CRLF when it has none).
B7DecChange setB7Dec(std::string_view ini, std::string_view value);

// Sets B7Dec in `folder`/TASC.ini (created when missing) through a temporary
// file and a rename. Before the first change the original is kept as
// TASC.ini.bak; an existing TASC.ini.bak is never replaced, so it holds the
// first original however often this runs. Throws OutputError when a file
// cannot be read or written; the old TASC.ini then stands.
B7DecChange writeB7Dec(const std::filesystem::path& folder, std::string_view value);

}  // namespace tasc::fit
