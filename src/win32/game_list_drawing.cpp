#include "win32/game_list_drawing.h"

#include <string>

namespace lobbyfind::win32 {
namespace {

constexpr LPARAM kHasColour = 0x1000000;
constexpr LPARAM kBold = 0x2000000;
constexpr LPARAM kColourBits = 0xFFFFFF;
// A plain list box leaves this much room left of an entry's text.
constexpr int kTextIndent = 2;

}  // namespace

LPARAM PackItemStyle(const app::ItemStyle& style) {
  LPARAM data = style.bold ? kBold : 0;
  if (style.colour)
    data |= kHasColour | static_cast<LPARAM>(RGB(style.colour->r, style.colour->g, style.colour->b));
  return data;
}

app::ItemStyle UnpackItemStyle(LRESULT data) {
  if (data == LB_ERR) return {};
  app::ItemStyle style;
  style.bold = (data & kBold) != 0;
  if ((data & kHasColour) != 0) {
    const auto colour = static_cast<COLORREF>(data & kColourBits);
    style.colour = app::Rgb{GetRValue(colour), GetGValue(colour), GetBValue(colour)};
  }
  return style;
}

void DrawListEntry(const DRAWITEMSTRUCT& item, HFONT plain, HFONT bold) {
  HDC dc = item.hDC;
  RECT area = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &area, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID != static_cast<UINT>(-1)) {
    const app::ItemStyle style = UnpackItemStyle(static_cast<LRESULT>(item.itemData));
    const auto length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
    std::wstring text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
    if (length > 0) {
      SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<std::size_t>(length));
    } else {
      text.clear();
    }
    COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
    if (selected) {
      colour = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (style.colour) {
      colour = RGB(style.colour->r, style.colour->g, style.colour->b);
    }
    const COLORREF old_colour = SetTextColor(dc, colour);
    const int old_mode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old_font = SelectObject(dc, style.bold ? bold : plain);
    RECT text_area = area;
    text_area.left += kTextIndent;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &text_area,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, old_font);
    SetBkMode(dc, old_mode);
    SetTextColor(dc, old_colour);
  }
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &area);
}

int ListEntryHeight(HWND list, HFONT font) {
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  return metrics.tmHeight;
}

}  // namespace lobbyfind::win32
