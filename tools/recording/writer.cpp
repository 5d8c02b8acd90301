#include "writer.h"

#include <cstring>

namespace tasc::recording {
namespace {
// Kept free below the cap for the row that says the cap was reached.
constexpr std::size_t kEndRowChars = 32;
}  // namespace

void Writer::start(Sink& sink, uint64_t sizeCap) noexcept {
  used_ = 0;
  written_ = 0;
  cap_ = sizeCap;
  sink_ = buffer_.size() >= kMinBufferBytes ? &sink : nullptr;
  if (char* p = reserve(kVersionLine.size() + 1)) {
    p = put(p, kVersionLine);
    *p++ = '\n';
    commit(p);
  }
}

char* Writer::put(char* p, std::string_view word) noexcept {
  std::memcpy(p, word.data(), word.size());
  return p + word.size();
}

// Room for a row of at most n bytes at the end of the buffer, or null when the
// recording is over (ended, capped now, or a flush failed).
char* Writer::reserve(std::size_t n) noexcept {
  if (sink_ == nullptr) return nullptr;
  if (written_ + used_ + n + kEndRowChars > cap_) {
    end(EndReason::SizeCap);
    return nullptr;
  }
  if (buffer_.size() - used_ < n) flush();
  if (sink_ == nullptr || buffer_.size() - used_ < n) return nullptr;
  return buffer_.data() + used_;
}

void Writer::text(std::string_view key, std::string_view text) noexcept {
  text = text.substr(0, kMaxTextBytes);
  if (char* p = reserve(key.size() + 2 + 4 * text.size())) {
    p = put(p, key);
    *p++ = ',';
    p = putEscaped(p, text);
    *p++ = '\n';
    commit(p);
  }
}

void Writer::number(std::string_view key, int64_t value) noexcept {
  if (char* p = reserve(key.size() + 2 + kMaxFieldChars)) {
    p = put(p, key);
    *p++ = ',';
    p = putInt(p, value);
    *p++ = '\n';
    commit(p);
  }
}

void Writer::numbers(std::string_view key, std::span<const int32_t> values) noexcept {
  if (char* p = reserve(key.size() + 1 + values.size() * 12)) {
    p = put(p, key);
    for (int32_t v : values) {
      *p++ = ',';
      p = putInt(p, v);
    }
    *p++ = '\n';
    commit(p);
  }
}

void Writer::wordAndText(std::string_view key, std::string_view word,
                         std::string_view text) noexcept {
  text = text.substr(0, kMaxTextBytes);
  if (char* p = reserve(key.size() + word.size() + 3 + 4 * text.size())) {
    p = put(p, key);
    *p++ = ',';
    p = put(p, word);
    *p++ = ',';
    p = putEscaped(p, text);
    *p++ = '\n';
    commit(p);
  }
}

void Writer::file(std::string_view role, int index, std::string_view name,
                  std::optional<std::string_view> contents) noexcept {
  if (char* p = reserve(role.size() + 2 * kMaxFieldChars + 8 + 4 * name.size())) {
    p = put(p, "file,");
    p = put(p, role);
    *p++ = ',';
    p = putInt(p, index);
    *p++ = ',';
    p = putInt(p, contents ? static_cast<int64_t>(contents->size()) : -1);
    *p++ = ',';
    p = putEscaped(p, name);
    *p++ = '\n';
    commit(p);
  }
  std::string_view rest = contents.value_or(std::string_view{});
  while (!rest.empty()) {
    // One line of the file per row where lines are short, so that it reads
    // like the file.
    std::size_t n = rest.size() < kDataChunkBytes ? rest.size() : kDataChunkBytes;
    const std::size_t lf = rest.substr(0, n).find('\n');
    if (lf != std::string_view::npos) n = lf + 1;
    text("data", rest.substr(0, n));
    rest.remove_prefix(n);
  }
}

void Writer::comment(std::string_view text) noexcept {
  if (char* p = reserve(text.size() + 3)) {
    *p++ = '#';
    *p++ = ' ';
    p = put(p, text);
    *p++ = '\n';
    commit(p);
  }
}

void Writer::frame(const FrameRow& row) noexcept {
  char* p = reserve(kMaxRowChars);
  if (p == nullptr) return;
  p = put(p, "frame,");
  p = putDouble(p, row.location);
  *p++ = ',';
  p = putFloat(p, row.speed);
  *p++ = ',';
  p = putInt(p, row.timeMs);
  for (uint32_t bits : row.reserved) {
    *p++ = ',';
    p = putHex32(p, bits);
  }
  *p++ = ',';
  p = putInt(p, row.stepMs);
  for (int32_t v : row.driver) {
    *p++ = ',';
    p = putInt(p, v);
  }
  for (int32_t v : row.handles) {
    *p++ = ',';
    p = putInt(p, v);
  }
  for (int32_t v : row.panel) {
    *p++ = ',';
    if (row.hasPanel) p = putInt(p, v);
  }
  *p++ = '\n';
  commit(p);
}

void Writer::event(const EventRow& row) noexcept {
  char* p = reserve(kMaxRowChars);
  if (p == nullptr) return;
  p = put(p, "event,");
  p = put(p, eventKindName(row.kind));
  const int count = eventArgCount(row.kind);
  for (int i = 0; i < count; ++i) {
    // The beacon's distance stands between its signal and its data word.
    if (row.kind == EventKind::Beacon && i == 2) {
      *p++ = ',';
      p = putFloat(p, row.distance);
    }
    *p++ = ',';
    p = putInt(p, row.args[static_cast<std::size_t>(i)]);
  }
  *p++ = '\n';
  commit(p);
}

void Writer::flush() noexcept {
  if (sink_ == nullptr || used_ == 0) return;
  if (!sink_->write(buffer_.data(), used_)) {
    sink_ = nullptr;  // stop quietly: the host must not notice
    used_ = 0;
    return;
  }
  written_ += used_;
  used_ = 0;
}

void Writer::end(EndReason reason) noexcept {
  if (sink_ == nullptr) return;
  const std::string_view name = endReasonName(reason);
  if (buffer_.size() - used_ < kEndRowChars) flush();
  if (sink_ != nullptr && buffer_.size() - used_ >= kEndRowChars) {
    char* p = put(buffer_.data() + used_, "end,");
    p = put(p, name);
    *p++ = '\n';
    commit(p);
  }
  flush();
  sink_ = nullptr;
}

}  // namespace tasc::recording
