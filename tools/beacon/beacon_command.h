// `tasc beacon encode|decode|table`: data words of stopping beacons for route
// authors. Words and distances come from the plug-in's own beacon code, so
// the tool shows exactly what the plug-in will set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace tasc::beacon {

// Beacon type 501, 502 or 503 as the kind 1..3 of beaconDistance; nothing for
// any other type.
std::optional<int32_t> kindOfType(int64_t type);

// A data word given on the command line: decimal or 0x hexadecimal,
// 0..0xFFFFFFFF or a negative 32-bit value, as the 32-bit word.
std::optional<int32_t> parseWord(std::string_view text);

// A double printed with %.17g: read back, it gives the same bits.
std::string exactText(double value);

void addBeaconCommand(CLI::App& tasc, int& status);

}  // namespace tasc::beacon
