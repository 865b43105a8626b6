#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What a finished child left.
struct ChildRun {
  bool finished = false;  // false: it was still running at the time-out and was killed
  bool normalExit = false;
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};

// Folders of its own for a child process (user and system settings, temporary folder with the
// log, program folder) and the environment that points it at them: the offscreen platform, a
// proxy on the loopback address, and under the sanitizers no fault handling of their own and a
// leak-suppression file for the system libraries.
class ChildSandbox {
 public:
  ChildSandbox();

  QString root() const { return root_.path(); }
  QString configHome() const { return root() + QStringLiteral("/config"); }
  QString systemConfig() const { return root() + QStringLiteral("/system"); }
  QString temporary() const { return root() + QStringLiteral("/tmp"); }
  QString appDir() const { return root() + QStringLiteral("/app"); }
  QString runtime() const { return root() + QStringLiteral("/runtime"); }
  QString logFolder() const { return temporary() + QStringLiteral("/Zarvo"); }

  // Changes one variable of the child's environment (an empty value removes it).
  void set(const QString& name, const QString& value);
  QProcessEnvironment environment() const { return environment_; }

  // Runs `program` to its end, serving the caller's event loop meanwhile (a loopback server in
  // this process keeps answering). Killed after `timeoutMs`.
  ChildRun run(const QString& program, const QStringList& arguments, int timeoutMs = 180000);
  // The test host with `driver` and the program's arguments.
  ChildRun runHost(const QString& driver, const QStringList& arguments = {},
                   int timeoutMs = 180000);

  // The ".txt" logs and ".dmp" reports of the log folder, by name.
  QStringList logs() const;
  QStringList dumps() const;
  // The text of the newest log, or empty.
  QString latestLogText() const;

 private:
  QTemporaryDir root_;
  QProcessEnvironment environment_;
};

// Waits for `process` to finish while serving this thread's events; false on time-out.
bool waitServing(QProcess& process, int timeoutMs);
// Reads `process`'s standard output line by line until a line starts with `prefix` (returned
// without the line end), serving events; empty on time-out or exit.
QByteArray waitForLine(QProcess& process, const QByteArray& prefix, int timeoutMs);
