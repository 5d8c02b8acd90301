// The recording reader on any bytes. It must never crash; a refusal names the
// input and a line within it; an accepted recording, written again with the
// writer and read back, writes the same text again: header, files, frames and
// events.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "recorder/rewrite.h"

using tasc::recording::readRecording;
using tasc::recording::ReadResult;
using tasc::recording::roundtrip::rewrite;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ReadResult r = readRecording(text, "in");
  check(r.line <= static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  if (!r.ok) {
    check(r.line >= 1 && r.message.rfind("in:" + std::to_string(r.line) + ": ", 0) == 0);
    return 0;
  }
  check(r.message.empty());
  // Equal texts are equal recordings (rewrite.h).
  const std::string once = rewrite(r.recording);
  const ReadResult again = readRecording(once, "again");
  check(again.ok && rewrite(again.recording) == once);
  return 0;
}
