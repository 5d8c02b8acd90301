// Writing a recording: rows are appended to a fixed buffer that the caller
// owns, and the buffer goes to the sink only when the caller flushes it or
// when a row would not fit. No allocation, no exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "format.h"

namespace tasc::recording {

// Where the bytes go (a file in the recorder, a string in the tests).
class Sink {
 public:
  // Writes all `size` bytes; false when that failed.
  virtual bool write(const char* data, std::size_t size) noexcept = 0;

 protected:
  ~Sink() = default;
};

// Room a frame or event row can need, and the least buffer a writer accepts
// (a data row of kDataChunkBytes escaped must fit).
inline constexpr std::size_t kMaxRowChars = 512;
inline constexpr std::size_t kMinBufferBytes = 4 * kDataChunkBytes + kMaxRowChars;

class Writer {
 public:
  // `buffer` must outlive the writer and hold at least kMinBufferBytes.
  constexpr explicit Writer(std::span<char> buffer) noexcept : buffer_(buffer) {}

  // Starts a recording into `sink` with the version line. The recording ends
  // with a size_cap row before it would exceed `sizeCap` bytes.
  void start(Sink& sink, uint64_t sizeCap) noexcept;
  // False once the recording has ended, stopped at its cap or failed to write.
  bool active() const noexcept { return sink_ != nullptr; }
  // Bytes of this recording so far, written and buffered.
  uint64_t size() const noexcept { return written_ + used_; }

  // Header rows: KEY,TEXT (escaped), KEY,N, KEY,N,N,... and KEY,WORD,TEXT.
  void text(std::string_view key, std::string_view text) noexcept;
  void number(std::string_view key, int64_t value) noexcept;
  void numbers(std::string_view key, std::span<const int32_t> values) noexcept;
  void wordAndText(std::string_view key, std::string_view word, std::string_view text) noexcept;
  // A copied file: its row and data rows, or its row with size -1 when
  // `contents` is empty (the file was missing).
  void file(std::string_view role, int index, std::string_view name,
            std::optional<std::string_view> contents) noexcept;
  // A line for people: '#' and the text (not escaped; keep it printable).
  void comment(std::string_view text) noexcept;

  void frame(const FrameRow& row) noexcept;
  void event(const EventRow& row) noexcept;

  // Hands the buffered rows to the sink; a failed write stops the recording.
  void flush() noexcept;
  // The end row, the flush, and the writer is inactive.
  void end(EndReason reason) noexcept;

 private:
  char* reserve(std::size_t n) noexcept;
  void commit(const char* end) noexcept { used_ = static_cast<std::size_t>(end - buffer_.data()); }
  char* put(char* p, std::string_view word) noexcept;

  std::span<char> buffer_;
  std::size_t used_ = 0;
  uint64_t written_ = 0;
  uint64_t cap_ = 0;
  Sink* sink_ = nullptr;
};

}  // namespace tasc::recording
