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

  // Starts `program` in the sandbox's environment and folder; a failure of the test when it
  // cannot start.
  bool start(QProcess& process, const QString& program, const QStringList& arguments) const;
  // Waits for the started `process` to end, serving the caller's event loop meanwhile (a
  // loopback server in this process keeps answering). One still running at the child limit
  // (WaitFor.h) is killed with every process it started, and the test fails with what it said.
  ChildRun finish(QProcess& process) const;
  // Reads `process`'s standard output line by line until a line starts with `prefix` (returned
  // without the line end), serving events. Empty, the process killed and the test failed, when
  // no such line comes within the child limit or the process ends first.
  QByteArray waitForLine(QProcess& process, const QByteArray& prefix) const;
  // Runs `program` to its end, as start() and finish().
  ChildRun run(const QString& program, const QStringList& arguments) const;
  // The test host with `driver` and the program's arguments.
  ChildRun runHost(const QString& driver, const QStringList& arguments = {}) const;

  // The ".txt" logs and ".dmp" reports of the log folder, by name.
  QStringList logs() const;
  QStringList dumps() const;
  // The text of the newest log, or empty.
  QString latestLogText() const;

 private:
  // Kills `process` and every process it started, when it still runs, and fails the test: the
  // process `went` as said, with the tails of what it wrote and of its log. What it wrote still
  // unread is added to `out` and `err`.
  void fail(QProcess& process, const char* went, QByteArray& out, QByteArray& err) const;

  QTemporaryDir root_;
  QProcessEnvironment environment_;
};
