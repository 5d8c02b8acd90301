#include "engine/vehicle_copy.h"

#include <algorithm>

#include "files/files.h"
#include "folder/vehicle_folder.h"
#include "platform/platform.h"
#include "system/text.h"

namespace fs = std::filesystem;

namespace tasc::engine {
namespace {

// Entries that climb further above the vehicle folder are not copied: the
// run says so instead.
constexpr int kMaxClimb = 16;

// The steps ".." at the start of `relative`; -1 when nothing else follows.
int climb(const fs::path& relative) {
  int up = 0;
  for (const fs::path& step : relative) {
    if (step != "..") return up;
    ++up;
  }
  return -1;
}

// Whether the entry names its file from anywhere: no copy is needed.
bool isAbsoluteEntry(const std::string& value) {
#if defined(_WIN32)
  return platform::pathFromSystem(value).is_absolute();
#else
  return !value.empty() && (value.front() == '/' || value.front() == '\\');
#endif
}

// Where each relative entry's file goes from the copy's plug-in folder.
struct Plan {
  int depth = 0;
  std::vector<std::pair<const folder::ListEntry*, fs::path>> files;
};

Plan plan(const folder::VehicleList& list, const fs::path& vehicleFolder, int maxDepth) {
  Plan p;
  for (const folder::ListEntry& e : list.entries) {
    if (!e.opens || e.file.empty() || isAbsoluteEntry(e.value)) continue;
    const fs::path relative = e.file.lexically_relative(vehicleFolder);
    const int up = climb(relative);
    if (relative.empty() || up < 0 || up > maxDepth) continue;  // the check below says it
    p.depth = std::max(p.depth, up);
    p.files.emplace_back(&e, relative);
  }
  return p;
}

std::string entryName(const folder::ListEntry& e) {
  return "csvPath.ini entry " + std::to_string(e.index) + " \"" + e.shown + "\"";
}

// The entries read from the copy as the plug-in reads them: each file that
// opened beside the real folder must open with the same bytes.
void compareReads(const folder::VehicleList& original, const fs::path& copy, VehicleCopy& out) {
  const folder::VehicleList run = folder::readList(copy);
  for (const folder::ListEntry& e : original.entries) {
    if (!e.opens) continue;
    const auto same = std::find_if(run.entries.begin(), run.entries.end(),
                                   [&](const folder::ListEntry& r) { return r.index == e.index; });
    if (same == run.entries.end() || !same->opens) {
      out.warnings.push_back(entryName(e) + " opens " + e.path +
                             " beside the vehicle folder but nothing in the run: the run reads "
                             "the default record for it");
    } else if (same->bytes != e.bytes) {
      out.warnings.push_back(entryName(e) + " opens another file in the run than " + e.path);
    }
  }
}

void encodingWarnings(const folder::VehicleList& list, const fs::path& vehicleFolder,
                      VehicleCopy& out) {
  const std::optional<std::string> settings = files::readWholeFile(vehicleFolder / "TASC.ini");
  for (const std::string& problem :
       {folder::utf16Problem("TASC.ini", folder::sniffEncoding(settings.value_or("")), true),
        folder::utf16Problem("csvPath.ini", list.encoding, true)}) {
    if (!problem.empty()) out.warnings.push_back(problem);
  }
  for (const folder::ListEntry& e : list.entries) {
    const std::string problem = folder::utf16Problem(e.path, folder::sniffEncoding(e.bytes), false);
    if (e.opens && !problem.empty()) out.warnings.push_back(entryName(e) + ": " + problem);
  }
}

}  // namespace

VehicleCopy copyVehicleFolder(const fs::path& vehicleFolder, const fs::path& root) {
  const fs::path original = fs::absolute(vehicleFolder).lexically_normal();
  const folder::VehicleList list = folder::readList(original);
  std::vector<fs::path> steps;
  for (const fs::path& step : original.relative_path()) {
    if (!step.empty()) steps.push_back(step);
  }
  const Plan p = plan(list, original, std::min(kMaxClimb, static_cast<int>(steps.size())));
  VehicleCopy out;
  // The vehicle folder's own last names for the steps that entries climb.
  out.folder = root;
  for (std::size_t i = steps.size() - static_cast<std::size_t>(p.depth); i < steps.size(); ++i)
    out.folder /= steps[i];
  fs::create_directories(out.folder);
  for (const char* name : {"TASC.ini", "csvPath.ini"}) {
    std::error_code ec;
    if (fs::is_regular_file(original / name, ec)) fs::copy_file(original / name, out.folder / name);
  }
  for (const auto& [entry, relative] : p.files) {
    const fs::path copy = (out.folder / relative).lexically_normal();
    std::error_code ec;
    if (fs::exists(copy, ec)) continue;  // named by an entry before
    fs::create_directories(copy.parent_path());
    if (!files::writeWholeFile(copy, entry->bytes)) {
      throw fs::filesystem_error("cannot write", copy, std::make_error_code(std::errc::io_error));
    }
    out.files.emplace_back(entry->file, copy);
  }
  encodingWarnings(list, original, out);
  compareReads(list, out.folder, out);
  return out;
}

std::vector<std::string> copyWarnings(const fs::path& vehicleFolder) {
  const files::TempFolder root("tasc-copy-");
  try {
    return copyVehicleFolder(vehicleFolder, root.path()).warnings;
  } catch (const fs::filesystem_error& e) {
    return {std::string("cannot copy the vehicle folder: ") + e.what()};
  }
}

}  // namespace tasc::engine
