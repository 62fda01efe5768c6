// A stand-in for the game's executable: writes the command line it was
// started with and its working directory, one per line, into "launch.txt"
// beside itself, then ends. Copied into a test's game directory as gta2.exe.
// The record is written under another name and renamed into place, so a test
// that sees "launch.txt" sees all of it.
#include <windows.h>

#include <fstream>
#include <string>

int main() {
  std::string own(MAX_PATH, '\0');
  own.resize(GetModuleFileNameA(nullptr, own.data(), MAX_PATH));
  const std::string folder = own.substr(0, own.find_last_of('\\') + 1);
  std::string directory(MAX_PATH, '\0');
  directory.resize(GetCurrentDirectoryA(MAX_PATH, directory.data()));
  const std::string partial = folder + "launch.txt.partial";
  {
    std::ofstream record(partial, std::ios::binary);
    record << GetCommandLineA() << "\n" << directory << "\n";
    if (!record.flush()) return 1;
  }
  return MoveFileExA(partial.c_str(), (folder + "launch.txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
