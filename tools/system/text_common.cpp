// The conversions that are the same on every system: std::filesystem takes
// and gives UTF-8 through char8_t text.
#include <string>

#include "system/text.h"

namespace tasc::platform {

std::filesystem::path pathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string fullWidthNote(std::string_view text) {
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    const auto b1 = static_cast<unsigned char>(text[i + 1]);
    const auto b2 = static_cast<unsigned char>(text[i + 2]);
    const std::string shown(text.substr(i, 3));
    if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80) return "full-width space: write a plain space";
    if (b0 != 0xEF || b1 != 0xBC) continue;
    // U+FF0B '＋', U+FF0D '－', U+FF0E '．', U+FF10..FF19 '０'..'９'.
    if (b2 >= 0x90 && b2 <= 0x99) {
      return "full-width digit '" + shown + "': write " +
             std::string(1, static_cast<char>('0' + b2 - 0x90));
    }
    if (b2 == 0x8B || b2 == 0x8D || b2 == 0x8E) {
      const char plain = b2 == 0x8B ? '+' : b2 == 0x8D ? '-' : '.';
      return "full-width '" + shown + "': write " + std::string(1, plain);
    }
  }
  return {};
}

}  // namespace tasc::platform
