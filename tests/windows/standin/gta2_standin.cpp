// A stand-in for the game's executable, copied into a test's game directory
// as gta2.exe. Started as the lobby starts the game, it writes the command
// line it was started with and its working directory, one per line, into
// "launch.txt" beside itself, then shows the window of a match being played,
// titled "GTA2", until it is ended. The record is written under another name
// and renamed into place, so a test that sees "launch.txt" sees all of it.
//
// Started with "--window TITLE" it only shows a window with that title, the
// way other programs' windows may be titled like the game's.
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

bool RecordLaunch() {
  std::string own(MAX_PATH, '\0');
  own.resize(GetModuleFileNameA(nullptr, own.data(), MAX_PATH));
  const std::string folder = own.substr(0, own.find_last_of('\\') + 1);
  std::string directory(MAX_PATH, '\0');
  directory.resize(GetCurrentDirectoryA(MAX_PATH, directory.data()));
  const std::string partial = folder + "launch.txt.partial";
  {
    std::ofstream record(partial, std::ios::binary);
    record << GetCommandLineA() << "\n" << directory << "\n";
    if (!record.flush()) return false;
  }
  return MoveFileExA(partial.c_str(), (folder + "launch.txt").c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(3);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// Shows a window titled `title` until it is closed or the process ended.
int ShowWindowTitled(const char* title) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = &Procedure;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "gta2_standin";
  if (RegisterClassA(&window_class) == 0) return 1;
  HWND window = CreateWindowA("gta2_standin", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 3;  // never 0: a test tells an outside end by exit code 0
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--window") == 0) return ShowWindowTitled(argv[2]);
  if (!RecordLaunch()) return 1;
  return ShowWindowTitled("GTA2");
}
