#include "readers/entry_path.h"

#include <string_view>

namespace tasc {
namespace {

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

// Appends the steps of `text` to `out`, which holds `rootLength` characters
// that no ".." may remove ("/" or nothing). The list path comes from the
// system and keeps its backslashes as name characters; in an entry a
// backslash separates steps (`backslashSeparates`).
bool appendSteps(PathBuilder& out, std::size_t rootLength, std::string_view text,
                 bool backslashSeparates) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto separates = [&](char c) { return c == '/' || (backslashSeparates && c == '\\'); };
    std::size_t end = i;
    while (end < text.size() && !separates(text[end])) ++end;
    const std::string_view step = text.substr(i, end - i);
    i = end + 1;
    if (step.empty() || step == ".") continue;
    if (step == "..") {
      // The last step of out, unless it is itself a kept "..".
      std::size_t lastStart = out.size();
      while (lastStart > rootLength && out.at(lastStart - 1) != '/') --lastStart;
      const std::size_t lastLength = out.size() - lastStart;
      const bool keptUp =
          lastLength == 2 && out.at(lastStart) == '.' && out.at(lastStart + 1) == '.';
      if (lastLength > 0 && !keptUp) {
        // Remove the step and the separator before it (not the root's).
        out.truncate(lastStart > rootLength ? lastStart - 1 : lastStart);
        continue;
      }
      if (rootLength > 0) continue;  // above the root: stays at the root
      // A relative path going above its start keeps the "..".
    }
    const bool needsSeparator = out.size() > rootLength;
    if (!out.fits(step.size() + 1)) return false;
    if (needsSeparator) out.push('/');
    for (char c : step) out.push(c);
  }
  return true;
}

}  // namespace

const char* formEntryPath(PathBuilder& out, const char* entry, const char* listPath) noexcept {
  out.truncate(0);
  if (entry == nullptr) return nullptr;
  const std::string_view e(entry);
  if (!e.empty() && isSeparator(e.front())) {
    if (!out.fits(e.size())) return nullptr;
    for (char c : e) out.push(c == '\\' ? '/' : c);
    return out.terminated();
  }
  const std::string_view list = listPath ? std::string_view(listPath) : std::string_view{};
  if (list.empty()) return nullptr;
  const std::size_t slash = list.rfind('/');
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view{} : list.substr(0, slash + 1);
  std::size_t root = 0;
  if (!folder.empty() && folder.front() == '/') {
    out.push('/');
    root = 1;
  }
  if (!appendSteps(out, root, folder, false) || !appendSteps(out, root, e, true)) return nullptr;
  // Nothing left names the folder the path started from.
  if (out.size() == 0) {
    if (!out.fits(1)) return nullptr;
    out.push('.');
  }
  return out.terminated();
}

}  // namespace tasc
