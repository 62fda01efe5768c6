// The view contract against the Windows edition's real main window, on the
// platform's own controls.
#ifdef _WIN32

#include <windows.h>
#include <richedit.h>

#include "support/view_contract.h"
#include "support/win32_shown_text.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"
#include "win32/win32_view.h"

namespace lobbyfind::test {
namespace {

// Runs the messages queued, as the message loop would before it waits.
void RunQueuedMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    // A quit asked for by the main window of an earlier test is not this one's.
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// What the message box on screen says; it is then closed.
std::string g_message_shown;
void CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR, DWORD) {
  if (const auto text = CloseThreadMessageBox(); text && !text->empty()) g_message_shown = *text;
}

class Win32ViewUnderTest final : public ViewUnderTest {
 public:
  Win32ViewUnderTest() : view_(window_) {}
  app::View& view() override { return view_; }
  std::string Shown(app::Control c) override { return win32::Utf8(WindowTextOf(window_.Child(c))); }
  std::vector<std::string> ShownItems(app::Control c) override {
    HWND list = window_.Child(c);
    std::vector<std::string> shown;
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<std::size_t>(length));
      shown.push_back(win32::Utf8(text));
    }
    return shown;
  }
  std::vector<std::string> ShownChatLines() override {
    RunQueuedMessages();  // the log shows its lines when its posted flush comes
    return ShownLines(window_.Child(app::Control::chatlog));
  }
  std::vector<app::Rgb> ShownChatColours() override {
    RunQueuedMessages();
    HWND log = window_.Child(app::Control::chatlog);
    CHARRANGE kept{};
    SendMessageW(log, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    std::vector<app::Rgb> colours;
    LONG start = 0;
    for (const std::string& line : ShownLines(log)) {
      CHARRANGE first{start, start + 1};
      SendMessageW(log, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
      CHARFORMAT2W format{};
      format.cbSize = sizeof format;
      SendMessageW(log, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
      colours.push_back({GetRValue(format.crTextColor), GetGValue(format.crTextColor), GetBValue(format.crTextColor)});
      start += static_cast<LONG>(win32::Wide(line).size()) + 1;
    }
    SendMessageW(log, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    return colours;
  }
  bool ChatCaretAtEnd() override {
    HWND log = window_.Child(app::Control::chatlog);
    CHARRANGE selection{};
    SendMessageW(log, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    GETTEXTLENGTHEX how_long{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const auto length = SendMessageW(log, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how_long), 0);
    return selection.cpMin == length && selection.cpMax == length;
  }
  void EndTurn() override { RunQueuedMessages(); }
  std::vector<std::string> ShownNewsLines() override { return ShownLines(window_.Child(app::Control::onlinenews)); }
  void Type(app::Control c, const std::string& screen) override {
    SetWindowTextW(window_.Child(c), win32::Wide(screen).c_str());
  }
  std::string ShownMessage(const std::string& text) override {
    g_message_shown = "(no message box)";
    // The main window of an earlier test asked to quit when it closed; a
    // message box would take that request as its own and not show.
    MSG pending;
    while (PeekMessageW(&pending, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, CloseMessageBox);
    view_.ShowMessage(text);
    KillTimer(nullptr, timer);
    return g_message_shown;
  }

 private:
  win32::MainWindow window_;
  win32::Win32View view_;
};

INSTANTIATE_TEST_SUITE_P(Win32, ViewContract,
                         ::testing::Values(ViewFactory{"Win32", [] { return std::make_unique<Win32ViewUnderTest>(); }}),
                         PrintViewFactory);

}  // namespace
}  // namespace lobbyfind::test

#endif  // _WIN32
