// A throwaway Windows desktop for a test: its own Xvfb display and a fresh
// Wine prefix in a temporary folder. Wine programs started through it run
// there, with Wine's chatter kept out of the test's output; everything Wine
// started is ended when the desktop is stopped.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

namespace lobbyfind::win32::testing {

class WineDesktop {
 public:
  explicit WineDesktop(std::string folder);
  ~WineDesktop();
  WineDesktop(const WineDesktop&) = delete;
  WineDesktop& operator=(const WineDesktop&) = delete;

  // Starts Xvfb and boots the prefix; false with the reason in Error().
  bool Start();
  [[nodiscard]] const std::string& Error() const { return error_; }

  // Runs a Wine program to its end; its exit code (-1: did not finish), its
  // standard output in `output` when asked for.
  int Run(const QStringList& arguments, std::string* output = nullptr, int timeout_ms = 30000);
  // Starts a Wine program that keeps running, in `directory`.
  bool Launch(const QStringList& arguments, const QString& directory);
  // Waits until the program started last by Launch has ended; true when it
  // ended by itself with exit code 0.
  bool WaitLaunched(int timeout_ms);
  // Starts a Wine program that keeps running, owned by the caller (which
  // sees it end, and kills it if still running when released); nothing when
  // it did not start.
  [[nodiscard]] std::unique_ptr<QProcess> Spawn(const QStringList& arguments, const QString& directory);
  // Saves the screen, the empty desktop trimmed away, as a PNG file.
  bool Screenshot(const std::string& file);

  // A Linux path as Wine's programs see it (drive Z:).
  [[nodiscard]] static std::string WindowsPath(const std::string& path);

 private:
  void Prepare(QProcess& process) const;

  std::string folder_;
  std::string display_;
  std::string error_;
  QProcess xvfb_;
  std::unique_ptr<QProcess> launched_;
};

}  // namespace lobbyfind::win32::testing
