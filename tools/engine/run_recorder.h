// `tasc sim --record`: the simulator's own runs written as the recording module
// writes a host's, with the recording library's writer: one recording per run,
// from each Initialize to the next or to Dispose, every call to the loaded
// plug-in in call order.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "abi/host_records.h"
#include "plugin/plugin.h"
#include "recording/format.h"
#include "recording/writer.h"

namespace tasc::engine {

class RunRecorder {
 public:
  // `pluginPath` goes into the header as the plug-in's file.
  explicit RunRecorder(std::string pluginPath);
  ~RunRecorder();
  RunRecorder(const RunRecorder&) = delete;
  RunRecorder& operator=(const RunRecorder&) = delete;

  // The file of the recording that the next Initialize starts.
  void nextFile(std::filesystem::path file) { next_ = std::move(file); }
  // False when a recording file could not be written.
  bool ok() const { return ok_; }
  const std::vector<std::filesystem::path>& written() const { return written_; }

  void noteVersion(int32_t version) { version_ = version; }
  // SetVehicleSpec: an event within a run, the header's vehicle for the next.
  void vehicle(const VehicleSpecRecord& v);
  // Initialize, after the follower's: `follower` has just read the files the
  // plug-in read (csvPath.ini and its entries), `settings` is TASC.ini. The
  // recording names TASC.ini and csvPath.ini as of `shownFolder`, the vehicle
  // folder the run folder copies, not as of the run folder, whose name is new
  // for every plug-in instance.
  void initialize(int32_t mode, const plugin::Module& follower,
                  const std::filesystem::path& settings, const std::filesystem::path& shownFolder);
  void driverHandle(DriverHandle which, int32_t value);
  void event(recording::EventKind kind, std::array<int32_t, 5> args = {}, float distance = 0.0f);
  void frame(const VehicleStateRecord& state, const HandleRecord& sent, const int32_t* panel);
  // Dispose: the recording in progress ends.
  void dispose() { close(recording::EndReason::Dispose); }

 private:
  class FileSink final : public recording::Sink {
   public:
    bool write(const char* data, std::size_t size) noexcept override;
    std::ofstream out;
  };
  void close(recording::EndReason reason);
  void header(int32_t mode, const plugin::Module& follower, const std::filesystem::path& settings,
              const std::filesystem::path& shownFolder);

  std::string pluginPath_;
  std::filesystem::path next_;
  std::vector<char> buffer_;
  FileSink sink_;
  recording::Writer writer_;
  int32_t version_ = 0;
  bool vehicleKnown_ = false;
  VehicleSpecRecord vehicle_{};
  std::array<int32_t, 3> driver_{};
  int32_t previousMs_ = 0;
  bool ok_ = true;
  std::vector<std::filesystem::path> written_;
};

}  // namespace tasc::engine
