#include "win32/rich_text.h"

#include <richedit.h>

#include <cstring>
#include <string>

#include "win32/wide_text.h"

namespace lobbyfind::win32 {
namespace {
constexpr int kTwipsPerPoint = 20;
constexpr UINT kUtf16CodePage = 1200;

void SelectRange(HWND edit, int from, int to) {
  CHARRANGE range{from, to};
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

}  // namespace

void SetRichFormat(HWND edit, const RichFormat& format, WPARAM which) {
  CHARFORMAT2A chars{};
  chars.cbSize = sizeof chars;
  chars.dwMask = CFM_COLOR | CFM_BOLD | CFM_SIZE;
  chars.dwEffects = format.bold ? CFE_BOLD : 0;
  chars.yHeight = format.point_size * kTwipsPerPoint;
  chars.crTextColor = format.colour;
  if (format.face != nullptr) {
    chars.dwMask |= CFM_FACE;
    std::strncpy(chars.szFaceName, format.face, LF_FACESIZE - 1);
  }
  SendMessageA(edit, EM_SETCHARFORMAT, which, reinterpret_cast<LPARAM>(&chars));
}

int RichTextLength(HWND edit) {
  GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, kUtf16CodePage};
  return static_cast<int>(SendMessageA(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
}

int RichAppendLine(HWND edit, std::string_view screen, const RichFormat& format, bool first) {
  const int before = RichTextLength(edit);
  SelectRange(edit, before, before);
  SetRichFormat(edit, format, SCF_SELECTION);
  std::wstring line = first ? std::wstring() : std::wstring(L"\r");
  line.append(Wide(screen));
  // Wide text keeps every character whatever the system's code page. A
  // text that begins with "{\rtf" would be read as RTF: its leading braces
  // go in on their own first.
  const std::size_t braces = line.find_first_not_of(L'{');
  const auto insert = [&](const std::wstring& part) {
    SETTEXTEX how{ST_SELECTION, kUtf16CodePage};
    SendMessageW(edit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(part.c_str()));
  };
  if (braces != 0 && braces != std::wstring::npos) {
    insert(line.substr(0, braces));
    insert(line.substr(braces));
  } else {
    insert(line);
  }
  return RichTextLength(edit) - before;
}

void RichRemoveFront(HWND edit, int characters) {
  SelectRange(edit, 0, characters);
  SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
}

}  // namespace lobbyfind::win32
