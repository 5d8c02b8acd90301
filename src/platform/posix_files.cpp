// Parameter-file paths on POSIX (to be written).
#include "platform/platform.h"

namespace tasc::platform {
File openParamFile(const char* /*entry*/, const char* /*listPath*/) noexcept { return nullptr; }
}  // namespace tasc::platform
