#include "wine_desktop_support.h"

#include <QStandardPaths>
#include <filesystem>

#include "support/wine_program.h"

namespace lobbyfind::win32::testing {
namespace {
constexpr int kStartMs = 10000;
constexpr int kBootMs = 120000;

// Starts `wine arguments` as lobbyfind::testing::RunWineProgram does.
void StartWine(QProcess& process, const QStringList& arguments) {
  QStringList command;
  for (const auto& part : lobbyfind::testing::FixedLayout()) command << QString::fromStdString(part);
  command << "wine" << arguments;
  process.start(command.takeFirst(), command);
}
}  // namespace

WineDesktop::WineDesktop(std::string folder) : folder_(std::move(folder)) {}

WineDesktop::~WineDesktop() {
  if (!display_.empty()) {
    // Ends every Wine process of the prefix, then waits for the server.
    QProcess kill;
    Prepare(kill);
    kill.start("wineserver", {"-k"});
    kill.waitForFinished(kStartMs);
    QProcess wait;
    Prepare(wait);
    wait.start("wineserver", {"-w"});
    wait.waitForFinished(kStartMs);
  }
  if (launched_) launched_->waitForFinished(kStartMs);
  if (xvfb_.state() != QProcess::NotRunning) {
    xvfb_.terminate();
    xvfb_.waitForFinished(kStartMs);
  }
}

void WineDesktop::Prepare(QProcess& process) const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("WINEPREFIX", QString::fromStdString(folder_ + "/prefix"));
  env.insert("WINEDEBUG", "-all");
  // No .NET or Gecko installer, no menu entries on the host.
  env.insert("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d");
  env.insert("DISPLAY", QString::fromStdString(display_));
  process.setProcessEnvironment(env);
}

bool WineDesktop::Start() {
  if (QStandardPaths::findExecutable("wine").isEmpty() || QStandardPaths::findExecutable("Xvfb").isEmpty()) {
    error_ = "wine or Xvfb is not installed";
    return false;
  }
  std::filesystem::create_directories(folder_);
  // Xvfb picks a free display itself and writes its number to stdout.
  xvfb_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
  if (!xvfb_.waitForReadyRead(kStartMs)) {
    error_ = "Xvfb did not start";
    return false;
  }
  display_ = ":" + xvfb_.readLine().trimmed().toStdString();
  // The server runs on its own, its output not on the test's pipes.
  QProcess server;
  Prepare(server);
  server.setStandardOutputFile(QProcess::nullDevice());
  server.setStandardErrorFile(QProcess::nullDevice());
  server.setProgram("wineserver");
  server.setArguments({"-p"});
  if (!server.startDetached()) {
    error_ = "wineserver did not start";
    return false;
  }
  if (Run({"wineboot", "-i"}, nullptr, kBootMs) != 0) {
    error_ = "wineboot failed";
    return false;
  }
  // A crashing program ends at once instead of waiting on Wine's crash dialog.
  Run({"reg", "add", "HKCU\\Software\\Wine\\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD", "/d", "0",
       "/f"});
  return true;
}

int WineDesktop::Run(const QStringList& arguments, std::string* output, int timeout_ms) {
  QProcess process;
  Prepare(process);
  if (output == nullptr) process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  StartWine(process, arguments);
  if (!process.waitForFinished(timeout_ms)) {
    process.kill();
    process.waitForFinished(kStartMs);
    return -1;
  }
  if (output != nullptr) *output = process.readAllStandardOutput().toStdString();
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

std::unique_ptr<QProcess> WineDesktop::Spawn(const QStringList& arguments, const QString& directory) {
  auto process = std::make_unique<QProcess>();
  Prepare(*process);
  process->setWorkingDirectory(directory);
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  StartWine(*process, arguments);
  if (!process->waitForStarted(kStartMs)) return nullptr;
  return process;
}

bool WineDesktop::Launch(const QStringList& arguments, const QString& directory) {
  launched_ = Spawn(arguments, directory);
  return launched_ != nullptr;
}

bool WineDesktop::WaitLaunched(int timeout_ms) {
  return launched_ && launched_->waitForFinished(timeout_ms) && launched_->exitStatus() == QProcess::NormalExit &&
         launched_->exitCode() == 0;
}

bool WineDesktop::Screenshot(const std::string& file) {
  QProcess import;
  // The desktop is black around the window: trimmed away.
  import.start("import", {"-window", "root", "-display", QString::fromStdString(display_), "-trim", "+repage",
                          QString::fromStdString(file)});
  return import.waitForFinished(kStartMs) && import.exitCode() == 0;
}

std::string WineDesktop::WindowsPath(const std::string& path) {
  std::string windows = "Z:" + path;
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return windows;
}

}  // namespace lobbyfind::win32::testing
