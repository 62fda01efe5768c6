// Small operations on the rich edit control (RichEdit 2.0), shared by
// the window (initial looks) and the view (lines appended and removed).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::win32 {

struct RichFormat {
  const char* face = nullptr;  // nullptr: keep the face
  int point_size = 8;
  bool bold = false;
  COLORREF colour = 0;
};

// Sets the format of the selection (SCF_SELECTION) or of new text by default
// (SCF_DEFAULT).
void SetRichFormat(HWND edit, const RichFormat& format, WPARAM which);

// The text's length in characters; a line break counts one.
[[nodiscard]] int RichTextLength(HWND edit);

// Appends `screen` (UTF-8 screen text) at the end in `format`, after a line
// break unless the view is empty. Returns the characters the line took, its
// break included. The text is inserted as it stands, never read as RTF.
int RichAppendLine(HWND edit, std::string_view screen, const RichFormat& format, bool first);

// One line of screen text (UTF-16, no breaks) in its colour.
struct RichLine {
  std::wstring text;
  COLORREF colour = 0;
};

// Appends `lines` at the end in one edit, each in its colour, in `face` at
// `point_size`, a break before each but the first of an empty view (`first`).
// Many lines go in as one insertion of RTF written here, every character of
// the text escaped, so nothing in a line is ever read as RTF.
void RichAppendLines(HWND edit, const std::vector<RichLine>& lines, const char* face, int point_size, bool first);

// Removes the first `characters` characters.
void RichRemoveFront(HWND edit, int characters);

}  // namespace lobbyfind::win32
