// The banner across the top of the main window: a JPEG picture built into
// the program, decoded with the platform's imaging component (WIC).
#pragma once

#include <windows.h>

namespace lobbyfind::win32 {

// The resource the picture is stored under (resources.rc).
inline constexpr int kBannerResource = 1;

// The decoded picture as a bitmap the caller owns; nullptr when it cannot be
// decoded (the window then shows no banner). COM must be initialised.
[[nodiscard]] HBITMAP LoadBannerPicture();

}  // namespace lobbyfind::win32
