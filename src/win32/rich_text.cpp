#include "win32/rich_text.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>
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

// The RTF that RichAppendLines inserts: ASCII only, whatever the text.
std::string RichLinesRtf(const std::vector<RichLine>& lines, const char* face, int point_size, bool first) {
  std::vector<COLORREF> colours;
  std::string body;
  for (const RichLine& line : lines) {
    if (!first) body += "\\par ";
    first = false;
    auto at = std::find(colours.begin(), colours.end(), line.colour);
    if (at == colours.end()) at = colours.insert(at, line.colour);
    // Colour 0 of the table is the view's own: the lines' colours from 1.
    body += "\\cf" + std::to_string(at - colours.begin() + 1) + ' ';
    for (const wchar_t c : line.text) {
      if (c == L'\\' || c == L'{' || c == L'}') {
        body += '\\';
        body += static_cast<char>(c);
      } else if (c == L'\t') {
        body += "\\tab ";
      } else if (c >= 0x20 && c < 0x7f) {
        body += static_cast<char>(c);
      } else {
        // Each UTF-16 unit as a signed 16-bit number, "?" standing in for
        // readers without Unicode.
        body += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + '?';
      }
    }
  }
  std::string rtf = "{\\rtf1\\ansi\\deff0\\uc1{\\fonttbl{\\f0\\fnil ";
  rtf += face;
  rtf += ";}}{\\colortbl;";
  for (const COLORREF c : colours) {
    rtf += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
           std::to_string(GetBValue(c)) + ';';
  }
  rtf += "}\\f0\\fs" + std::to_string(point_size * 2) + ' ' + body + '}';
  return rtf;
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

void RichAppendLines(HWND edit, const std::vector<RichLine>& lines, const char* face, int point_size, bool first) {
  const int end = RichTextLength(edit);
  SelectRange(edit, end, end);
  const std::string rtf = RichLinesRtf(lines, face, point_size, first);
  SETTEXTEX how{ST_SELECTION, CP_ACP};
  SendMessageA(edit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(rtf.c_str()));
}

void RichRemoveFront(HWND edit, int characters) {
  SelectRange(edit, 0, characters);
  SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
}

}  // namespace lobbyfind::win32
