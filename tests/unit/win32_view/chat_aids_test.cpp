// The chat input's aids in the Windows edition's real window: Tab completes
// a player's name in the input (and is kept from the page's keyboard
// navigation), Up and Down recall the lines sent, the caret at their end.
#ifdef _WIN32

// Winsock's header goes before the rest of the Windows headers.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "game/memory_registry.h"
#include "support/fake_ports.h"
#include "win32/wide_text.h"
#include "win32/win32_app.h"

namespace lobbyfind::win32 {
namespace {

using app::Control;

class Win32ChatAids : public ::testing::Test {
 protected:
  Win32ChatAids() { WSAStartup(MAKEWORD(2, 2), &winsock_); }
  ~Win32ChatAids() override { WSACleanup(); }

  std::string InputText() const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(input_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(input_, text.data(), static_cast<int>(text.size()))));
    return Utf8(text);
  }
  void Type(const wchar_t* text) {
    SetWindowTextW(input_, text);
    SendMessageW(input_, EM_SETSEL, 0x7fff, 0x7fff);
  }
  void Press(WPARAM key) { SendMessageW(input_, WM_KEYDOWN, key, 0); }
  [[nodiscard]] DWORD CaretAt() const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(input_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start == end ? start : 0xffffffffU;
  }

  WSADATA winsock_{};
  game::MemoryRegistry registry_;
  test::FakeShell shell_;
  Win32App app_{registry_, &shell_};
  HWND input_ = app_.window().Child(Control::Edit3);
};

TEST_F(Win32ChatAids, TabCompletesAndStaysInTheInput) {
  app_.form().IrcClientUserJoined("Peer");
  app_.form().IrcClientUserJoined("paula");
  Type(L"hi pe");
  MSG tab{input_, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(app_.TakesKey(tab));
  tab.hwnd = app_.window().Child(Control::currentplayername);
  EXPECT_FALSE(app_.TakesKey(tab));  // elsewhere Tab moves on as ever
  Press(VK_TAB);
  EXPECT_EQ(InputText(), "hi Peer ");
  EXPECT_EQ(CaretAt(), 8U);
  // Nothing begun: Tab moves on to the next control.
  app_.window().Show();
  SetFocus(input_);
  ASSERT_EQ(GetFocus(), input_);
  Type(L"");
  Press(VK_TAB);
  EXPECT_NE(GetFocus(), input_);
  EXPECT_NE(GetFocus(), nullptr);
}

TEST_F(Win32ChatAids, UpAndDownRecallTheLinesSent) {
  for (const wchar_t* line : {L"first", L"second \u00e4"}) {
    Type(line);
    SendMessageW(input_, WM_KEYUP, VK_RETURN, 0);
    EXPECT_EQ(InputText(), "");
  }
  Type(L"draft");
  Press(VK_UP);
  EXPECT_EQ(InputText(), "second \xc3\xa4");
  EXPECT_EQ(CaretAt(), 8U);
  Press(VK_UP);
  EXPECT_EQ(InputText(), "first");
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_EQ(InputText(), "draft");
}

TEST_F(Win32ChatAids, AClickOnAnAddressInTheLogOpensIt) {
  HWND log = app_.window().Child(Control::chatlog);
  app_.window().Show();
  app_.form().AddChatLine(app::LineKind::lkChat, "peer : maps at www.gta2.example/maps, see?");
  // The log shows the line when its posted flush comes.
  for (MSG queued; PeekMessageW(&queued, nullptr, 0, 0, PM_REMOVE);) {
    if (queued.message != WM_QUIT) DispatchMessageW(&queued);
  }
  const std::wstring shown = L"peer : maps at www.gta2.example/maps, see?";
  const auto click = [&](const wchar_t* word) {
    // The line is the log's last paragraph; the point a little inside the
    // word's first character.
    const LONG length = GetWindowTextLengthW(log);
    const auto index = static_cast<LPARAM>(length - shown.size() + shown.find(word));
    POINTL at{};
    SendMessageW(log, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), index);
    SendMessageW(log, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x + 2, at.y + 2));
    SendMessageW(log, WM_LBUTTONUP, 0, MAKELPARAM(at.x + 2, at.y + 2));
  };
  click(L"gta2");
  click(L"see?");
  ASSERT_EQ(shell_.calls.size(), 1U);
  EXPECT_EQ(shell_.calls[0].target, "http://www.gta2.example/maps");
}

}  // namespace
}  // namespace lobbyfind::win32

#endif  // _WIN32
