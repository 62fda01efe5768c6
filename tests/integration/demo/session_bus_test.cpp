// The program itself, started on a display of its own with no session bus:
// a dbus-launch it can find is still run (a desktop's way to its bus), and
// without one it starts all the same.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>
#include <string>

#include "qt/shown_probe.h"

namespace lobbyfind {
namespace {

namespace fs = std::filesystem;

constexpr int kRunWaitMs = 60000;

// Runs the program until its start-up is over, with `folder` as its working
// folder, home and runtime folder and `path_first` ahead of PATH.
void RunProgram(const fs::path& folder, const fs::path& path_first) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("DBUS_SESSION_BUS_ADDRESS");
  environment.insert("HOME", QString::fromStdString(folder.string()));
  environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder.string()));
  environment.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / ".config").string()));
  environment.insert("PATH", QString::fromStdString(path_first.string()) + ":" + environment.value("PATH"));
  environment.insert(qt::kExitWhenShownVariable, "1");
  QProcess program;
  program.setProcessEnvironment(environment);
  program.setWorkingDirectory(QString::fromStdString(folder.string()));
  program.start(LOBBYFIND_PROGRAM, QStringList());
  ASSERT_TRUE(program.waitForFinished(kRunWaitMs)) << "the program did not end its start-up";
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
  EXPECT_TRUE(program.readAllStandardOutput().contains("shown")) << "the window was never shown";
}

TEST(SessionBus, ADbusLaunchOnThePathIsRunAndTheStartNeedsNone) {
  const fs::path folder = fs::temp_directory_path() / ("lobbyfind_session_bus_" + std::to_string(getpid()));
  fs::create_directories(folder / "bin");
  fs::permissions(folder, fs::perms::owner_all);
  const fs::path launched = folder / "launched";
  // A stand-in that finds no bus to start, as the real one does without a
  // daemon: it only notes how it was run.
  const fs::path stand_in = folder / "bin" / "dbus-launch";
  std::ofstream(stand_in) << "#!/bin/sh\necho \"$@\" >> '" << launched.string() << "'\nexit 1\n";
  fs::permissions(stand_in, fs::perms::owner_all);
  RunProgram(folder, folder / "bin");
  std::string arguments;
  std::getline(std::ifstream(launched) >> std::ws, arguments);
  EXPECT_NE(arguments.find("--autolaunch"), std::string::npos) << "the dbus-launch on PATH was not run";

  fs::remove(launched);
  fs::permissions(stand_in, fs::perms::owner_read | fs::perms::owner_write);
  RunProgram(folder, folder / "bin");
  EXPECT_FALSE(fs::exists(launched));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace lobbyfind
