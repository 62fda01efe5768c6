#include "win32/input_dialog.h"

#include <vector>

#include "win32/wide_text.h"

namespace lobbyfind::win32 {
namespace {

// Dialog units of the query's layout.
constexpr short kWidth = 220;
constexpr short kHeight = 68;
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

struct Texts {
  std::wstring caption;
  std::wstring prompt;
  std::wstring initial;
  std::wstring answer;
};

// An in-memory dialog template: DLGTEMPLATE, then its items, each aligned to
// a DWORD. Texts are set when the dialog opens.
class Template {
 public:
  Template() {
    const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    Dword(style);
    Dword(0);
    words_.push_back(4);  // items
    Short(0), Short(0), Short(kWidth), Short(kHeight);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // standard class
    words_.push_back(0);  // caption: set later
    words_.push_back(8);  // point size, then the face name
    for (const char* c = "MS Sans Serif"; *c != '\0'; ++c) words_.push_back(static_cast<WORD>(*c));
    words_.push_back(0);
    Item(kStaticClass, WS_CHILD | WS_VISIBLE | SS_LEFT, 7, 7, kWidth - 14, 10, kInputPromptId);
    Item(kEditClass, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 20, kWidth - 14, 12,
         kInputEditId);
    Item(kButtonClass, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kWidth - 112, 44, 50, 14, IDOK,
         L"OK");
    Item(kButtonClass, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kWidth - 57, 44, 50, 14, IDCANCEL,
         L"Cancel");
  }
  [[nodiscard]] const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void Short(short value) { words_.push_back(static_cast<WORD>(value)); }
  void Item(WORD window_class, DWORD style, short x, short y, short cx, short cy, WORD id,
            const wchar_t* text = L"") {
    if (words_.size() % 2 != 0) words_.push_back(0);
    Dword(style);
    Dword(0);
    Short(x), Short(y), Short(cx), Short(cy);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(window_class);
    for (const wchar_t* c = text; *c != L'\0'; ++c) words_.push_back(static_cast<WORD>(*c));
    words_.push_back(0);
    words_.push_back(0);  // no creation data
  }

  std::vector<WORD> words_;
};

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      const auto* texts = reinterpret_cast<const Texts*>(lparam);
      SetWindowTextW(dialog, texts->caption.c_str());
      SetDlgItemTextW(dialog, kInputPromptId, texts->prompt.c_str());
      SetDlgItemTextW(dialog, kInputEditId, texts->initial.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* texts = reinterpret_cast<Texts*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, kInputEditId);
        texts->answer.assign(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        texts->answer.resize(static_cast<std::size_t>(
            GetWindowTextW(edit, texts->answer.data(), static_cast<int>(texts->answer.size()))));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace

std::optional<std::string> AskLine(HWND owner, std::string_view caption, std::string_view prompt,
                                   std::string_view initial) {
  static const Template kTemplate;
  Texts texts{Wide(caption), Wide(prompt), Wide(initial), {}};
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), kTemplate.Get(), owner, &Procedure,
                                                 reinterpret_cast<LPARAM>(&texts));
  if (result != IDOK) return std::nullopt;
  return Utf8(texts.answer);
}

}  // namespace lobbyfind::win32
