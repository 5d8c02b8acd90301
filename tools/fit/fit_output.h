// What `tasc fit` writes: the table of fitted values and per-stop errors,
// the vehicle file the scenarios read (`vehicle_file`), and the overlay
// chart of recorded and simulated speed.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "fit/fit.h"
#include "fit/segments.h"

namespace tasc::fit {

// A file that could not be written; what() names it.
struct OutputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The fitted values, then one row per segment: its recording and stop, start
// speed, duration, gradient (given or fitted) and RMS speed error.
std::string formatTable(const std::vector<Segment>& segments, const FitResult& r);

// The fitted b7_decel as vehicle.toml and TASC.ini's B7Dec carry it: 4
// decimals, at most 7 characters for any value the fit gives (up to 12
// km/h/s), so that the plug-in, which reads 7, takes it whole.
std::string b7DecText(double b7Decel);

// A [vehicle] table with the scenario's key names.
std::string vehicleToml(const FitResult& r, const std::vector<std::string>& recordings);

// Speed against time from the brake's start: the recorded speeds, the
// simulated ones, and the brake command in quarter notches on the right.
std::string renderOverlay(const Segment& s, const std::vector<double>& simulated, double rms);

// Writes through a temporary file beside `file` and a rename, so that a
// reader never sees half a file.
void writeReplacing(const std::filesystem::path& file, const std::string& text);

}  // namespace tasc::fit
