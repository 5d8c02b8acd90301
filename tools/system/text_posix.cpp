// POSIX: names are bytes, written in UTF-8 by the tools and their users.
#include "system/text.h"

namespace tasc::platform {

std::optional<std::string> systemPath(const std::filesystem::path& path) {
  return path.string();
}

std::filesystem::path pathFromSystem(std::string_view text) {
  return std::filesystem::path(std::string(text));
}

std::string utf8FromSystem(std::string_view text) {
  return std::string(text);
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

Utf8Console::Utf8Console() noexcept = default;
Utf8Console::~Utf8Console() = default;

}  // namespace tasc::platform
