// `tasc sim`'s trace: one CSV row per frame, fixed decimals, so that the text
// is the same on every build.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/run.h"

namespace tasc::sim {

using engine::FrameRow;

std::string traceHeader();
std::string formatTraceRow(const FrameRow& row);
// False when the file cannot be written.
bool writeTrace(const std::filesystem::path& path, const std::vector<FrameRow>& rows);

}  // namespace tasc::sim
