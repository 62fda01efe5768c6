// A stand-in for the game's executable: writes the command line it was
// started with and its working directory, one per line, into "launch.txt"
// beside itself, then ends. Copied into a test's game directory as gta2.exe.
#include <windows.h>

#include <fstream>
#include <string>

int main() {
  std::string own(MAX_PATH, '\0');
  own.resize(GetModuleFileNameA(nullptr, own.data(), MAX_PATH));
  const std::string folder = own.substr(0, own.find_last_of('\\') + 1);
  std::string directory(MAX_PATH, '\0');
  directory.resize(GetCurrentDirectoryA(MAX_PATH, directory.data()));
  std::ofstream record(folder + "launch.txt", std::ios::binary);
  record << GetCommandLineA() << "\n" << directory << "\n";
  return record ? 0 : 1;
}
