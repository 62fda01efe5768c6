// Files as Windows lists them to programs that leave hidden ones out.
#pragma once

#include <filesystem>

namespace lobbyfind::platform {

// True for a file with the hidden or the system attribute.
[[nodiscard]] bool IsHiddenOrSystemFile(const std::filesystem::directory_entry& entry);

}  // namespace lobbyfind::platform
