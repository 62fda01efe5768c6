// The game list's entries drawn by the window itself (an owner-drawn list
// box keeps the text, the selection and the notifications of a plain one):
// each entry's look rides in its item data.
#pragma once

#include <windows.h>

#include "app/view.h"

namespace lobbyfind::win32 {

// An entry's look as list-box item data; 0, what a new entry has, is plain.
[[nodiscard]] LPARAM PackItemStyle(const app::ItemStyle& style);
[[nodiscard]] app::ItemStyle UnpackItemStyle(LRESULT data);

// Paints one entry of the list box `item.hwndItem` in its look: the plain
// or bold font given, its colour (the system's while selected).
void DrawListEntry(const DRAWITEMSTRUCT& item, HFONT plain, HFONT bold);

// The height of one entry in the given font, as a plain list box has it.
[[nodiscard]] int ListEntryHeight(HWND list, HFONT font);

}  // namespace lobbyfind::win32
