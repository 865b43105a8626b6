#include "ChildSandbox.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMultiHash>
#include <QTimer>

#include "WaitFor.h"

ChildSandbox::ChildSandbox() : environment_(QProcessEnvironment::systemEnvironment()) {
  for (const QString& folder : {configHome(), systemConfig(), temporary(), appDir(), runtime()})
    QDir().mkpath(folder);
  QFile::setPermissions(runtime(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
  environment_.insert(QStringLiteral("XDG_CONFIG_DIRS"), systemConfig());
  environment_.insert(QStringLiteral("TMPDIR"), temporary());
  environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
  environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment_.insert(QStringLiteral("ZARVO_TESTHOST_APP_DIR"), appDir());
  environment_.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
  environment_.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
  // The production addresses must never be reached: everything goes to a loopback port that
  // nothing serves unless a test sets its own server.
  environment_.insert(QStringLiteral("http_proxy"), QStringLiteral("http://127.0.0.1:9"));
  environment_.remove(QStringLiteral("HTTP_PROXY"));
  environment_.remove(QStringLiteral("no_proxy"));
  environment_.remove(QStringLiteral("NO_PROXY"));
  environment_.insert(QStringLiteral("ASAN_OPTIONS"),
                      QStringLiteral("handle_segv=0:handle_sigbus=0:handle_sigfpe=0:"
                                     "fast_unwind_on_malloc=0:detect_leaks=1"));
  environment_.insert(
      QStringLiteral("LSAN_OPTIONS"),
      QStringLiteral("suppressions=" ZARVO_CHILD_LSAN_SUPPRESSIONS ":print_suppressions=0"));
  environment_.remove(QStringLiteral("DISPLAY"));
  environment_.remove(QStringLiteral("WAYLAND_DISPLAY"));
}

void ChildSandbox::set(const QString& name, const QString& value) {
  if (value.isEmpty()) {
    environment_.remove(name);
  } else {
    environment_.insert(name, value);
  }
}

namespace {

// A killed process is gone at once; the bound only keeps a stuck kernel from hanging the test.
constexpr int kKilledMs = 10000;

// Whether `process` ended within `timeoutMs`, this thread's events served meanwhile.
bool waitServing(QProcess& process, int timeoutMs) {
  if (process.state() == QProcess::NotRunning) return true;
  QEventLoop loop;
  QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                   &QEventLoop::quit);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  return process.state() == QProcess::NotRunning;
}

// Kills `pid` and the processes below it (a host's own child), all found before any is killed,
// while each still has its parent.
void killTree(qint64 pid) {
  if (pid <= 0) return;
  QMultiHash<qint64, qint64> children;
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    // Only the numbered folders: "self" is this process, and a kill of 0 would end its group.
    bool numbered = false;
    const qint64 id = entry.toLongLong(&numbered);
    QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
    if (!numbered || id <= 0 || !stat.open(QIODevice::ReadOnly)) continue;
    // "pid (name) state ppid ...": the name may hold spaces and parentheses.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1) children.insert(fields[1].toLongLong(), id);
  }
  QList<qint64> tree{pid};
  for (int i = 0; i < tree.size(); ++i) tree += children.values(tree[i]);
  for (const qint64 member : tree) ::kill(pid_t(member), SIGKILL);
}

// The last `count` lines of `text`.
QString tail(const QString& text, int count = 15) {
  const QStringList lines = text.trimmed().split(QLatin1Char('\n'));
  return lines.mid(std::max(0, int(lines.size()) - count)).join(QLatin1Char('\n'));
}

}  // namespace

bool ChildSandbox::start(QProcess& process, const QString& program,
                         const QStringList& arguments) const {
  process.setProcessEnvironment(environment_);
  process.setWorkingDirectory(root());
  process.start(program, arguments);
  if (process.waitForStarted(zarvo_test::childLimitMs())) return true;
  ADD_FAILURE() << qPrintable(program) << " did not start: " << qPrintable(process.errorString());
  return false;
}

ChildRun ChildSandbox::finish(QProcess& process) const {
  ChildRun result;
  result.finished = waitServing(process, zarvo_test::childLimitMs());
  if (!result.finished) fail(process, "did not end", result.out, result.err);
  result.normalExit = process.exitStatus() == QProcess::NormalExit;
  result.exitCode = process.exitCode();
  result.out += process.readAllStandardOutput();
  result.err += process.readAllStandardError();
  return result;
}

QByteArray ChildSandbox::waitForLine(QProcess& process, const QByteArray& prefix) const {
  QByteArray out, err;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < zarvo_test::childLimitMs()) {
    while (process.canReadLine()) {
      const QByteArray line = process.readLine();
      if (line.startsWith(prefix)) return line.trimmed();
      out += line;
    }
    if (process.state() == QProcess::NotRunning) break;
    process.waitForReadyRead(50);
    QCoreApplication::processEvents();
  }
  fail(process, ("said no line \"" + prefix + "\"").constData(), out, err);
  return QByteArray();
}

void ChildSandbox::fail(QProcess& process, const char* went, QByteArray& out,
                        QByteArray& err) const {
  const bool running = process.state() != QProcess::NotRunning;
  if (running) {
    killTree(process.processId());
    process.waitForFinished(kKilledMs);
  }
  out += process.readAllStandardOutput();
  err += process.readAllStandardError();
  const QString command = (QStringList{process.program()} + process.arguments()).join(' ');
  const QString end =
      running ? QStringLiteral("within %1 s and was killed").arg(zarvo_test::childLimitMs() / 1000)
              : QStringLiteral("and ended");
  ADD_FAILURE() << qPrintable(command) << "\n  " << went << ' ' << qPrintable(end)
                << "\n  its standard output ends:\n"
                << qPrintable(tail(QString::fromLocal8Bit(out))) << "\n  its standard error ends:\n"
                << qPrintable(tail(QString::fromLocal8Bit(err))) << "\n  its log ends:\n"
                << qPrintable(tail(latestLogText()));
}

ChildRun ChildSandbox::run(const QString& program, const QStringList& arguments) const {
  QProcess process;
  if (!start(process, program, arguments)) return ChildRun();
  return finish(process);
}

ChildRun ChildSandbox::runHost(const QString& driver, const QStringList& arguments) const {
  return run(QStringLiteral(ZARVO_TESTHOST), QStringList{driver} + arguments);
}

QStringList ChildSandbox::logs() const {
  return QDir(logFolder()).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
}

QStringList ChildSandbox::dumps() const {
  return QDir(logFolder()).entryList({QStringLiteral("*.dmp")}, QDir::Files, QDir::Name);
}

QString ChildSandbox::latestLogText() const {
  const QStringList all = logs();
  if (all.isEmpty()) return QString();
  QFile file(logFolder() + QLatin1Char('/') + all.last());
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}
