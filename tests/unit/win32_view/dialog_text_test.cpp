// The Windows edition's own dialogs by the text rule: the one-line query
// shows bytes as the rule shows them, gives an untouched answer back byte for
// byte and an edited one as UTF-8; the folder browser hands the chosen
// folder over in the game's code page. The dialogs are answered from a timer
// on the test's thread, as a user would answer them.
#ifdef _WIN32

#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "win32/input_dialog.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"
#include "win32/win32_view.h"

namespace lobbyfind::win32 {
namespace {

std::wstring DialogTextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// How the test answers the open dialog.
struct DialogAnswer {
  std::optional<std::wstring> type;    // typed over the suggestion
  std::optional<std::wstring> folder;  // chosen in the folder browser
  bool cancel;
};
// What the dialog showed.
struct DialogSeen {
  bool seen;
  std::string caption;
  std::string prompt;
  std::string suggestion;
  std::string selected;  // in the folder browser's tree
};
DialogAnswer g_dialog_answer;
DialogSeen g_dialog_seen;

// The name of the folder browser's selected tree item; empty without one.
std::wstring SelectedName(HWND tree) {
  wchar_t name[MAX_PATH] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = TreeView_GetSelection(tree);
  item.pszText = name;
  item.cchTextMax = MAX_PATH;
  if (item.hItem == nullptr || SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == FALSE) {
    return {};
  }
  return name;
}

// Chooses `folder` in the folder browser `dialog`; true once its tree has
// kept the folder selected from one tick to the next. The browser may still
// be filling its tree when it shows, and a folder chosen then is lost (Wine's
// goes back to the desktop), so it is chosen again until it holds.
bool FolderChosen(HWND dialog, const std::wstring& folder) {
  HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
  if (tree == nullptr) return false;
  const std::wstring name = folder.substr(folder.find_last_of(L'\\') + 1);
  const std::wstring selected = SelectedName(tree);
  g_dialog_seen.selected = Utf8(selected);
  if (selected == name) return true;
  SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
  return false;
}

BOOL CALLBACK AnswerDialog(HWND window, LPARAM) {
  wchar_t kind[16] = {};
  GetClassNameW(window, kind, 16);
  if (std::wstring(kind) != L"#32770" || !IsWindowVisible(window) || g_dialog_seen.seen) return TRUE;
  // Chosen again on the next tick until it holds (for at most some seconds:
  // then the test sees what the browser hands over and fails).
  static int tries = 0;
  const bool browser = GetDlgItem(window, kInputEditId) == nullptr;
  if (browser && g_dialog_answer.folder && !FolderChosen(window, *g_dialog_answer.folder) && ++tries < 1500) {
    return FALSE;
  }
  tries = 0;
  g_dialog_seen.seen = true;
  if (HWND edit = GetDlgItem(window, kInputEditId)) {
    g_dialog_seen.caption = Utf8(DialogTextOf(window));
    g_dialog_seen.prompt = Utf8(DialogTextOf(GetDlgItem(window, kInputPromptId)));
    g_dialog_seen.suggestion = Utf8(DialogTextOf(edit));
    if (g_dialog_answer.type) SetWindowTextW(edit, g_dialog_answer.type->c_str());
  }
  PostMessageW(window, WM_COMMAND, g_dialog_answer.cancel ? IDCANCEL : IDOK, 0);
  return FALSE;
}
void CALLBACK AnswerOpenDialog(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), AnswerDialog, 0);
}

class DialogText : public ::testing::Test {
 protected:
  DialogText() {
    // The main window of an earlier test asked to quit when it closed; a
    // dialog would take that request as its own and not show.
    MSG pending;
    while (PeekMessageW(&pending, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  // Runs `open` with the dialog it opens answered by `answer`.
  template <typename Open>
  auto Answered(DialogAnswer answer, Open open) {
    g_dialog_answer = std::move(answer);
    g_dialog_seen = {};
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerOpenDialog);
    auto result = open();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_dialog_seen.seen) << "no dialog was shown";
    return result;
  }

  MainWindow window_;
  Win32View view_{window_};
};

TEST_F(DialogText, QueryShowsBytesByTheRuleAndAnswersUntouchedTextByteForByte) {
  struct Case {
    const char* what;
    DialogAnswer answer;
    std::string expected;
  };
  const std::string initial = "J\xfcrgen42";  // the game's code page
  const Case cases[] = {
      {"kept", {std::nullopt, std::nullopt, false}, initial},
      {"edited", {L"J\u00fcrgen\u65e5", std::nullopt, false}, "J\xc3\xbcrgen\xe6\x97\xa5"},
      {"cancelled", {L"other", std::nullopt, true}, initial},
  };
  for (const Case& c : cases) {
    const std::string answer = Answered(c.answer, [&] {
      return view_.InputQuery("W\xc3\xa4hle einen Namen", "Some one else uses \"J\xfcrgen42\"", initial);
    });
    EXPECT_EQ(answer, c.expected) << c.what;
    EXPECT_EQ(g_dialog_seen.caption, "W\xc3\xa4hle einen Namen") << c.what;
    EXPECT_EQ(g_dialog_seen.prompt, "Some one else uses \"J\xc3\xbcrgen42\"") << c.what;
    EXPECT_EQ(g_dialog_seen.suggestion, "J\xc3\xbcrgen42") << c.what;
  }
}

TEST_F(DialogText, FolderBrowserHandsTheChosenFolderOverInTheGamesCodePage) {
  std::wstring temp(MAX_PATH, L'\0');
  temp.resize(GetTempPathW(MAX_PATH, temp.data()));
  const std::wstring folder = temp + L"lobbyfind J\u00fcrgen " + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
  const auto chosen = Answered({std::nullopt, folder, false}, [&] { return view_.BrowseFolder("Type in your GTA-Directory"); });
  RemoveDirectoryW(folder.c_str());
  ASSERT_TRUE(chosen.has_value());
  // The folder's name as the game's 8-bit interface spells it.
  std::string expected;
  for (const wchar_t c : folder) expected.push_back(static_cast<char>(c));
  EXPECT_EQ(*chosen, expected) << "selected in the tree: " << g_dialog_seen.selected;
}

}  // namespace
}  // namespace lobbyfind::win32

#endif  // _WIN32
