#include "ChildSandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

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

bool waitServing(QProcess& process, int timeoutMs) {
  if (process.state() == QProcess::NotRunning) return true;
  QEventLoop loop;
  QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                   &QEventLoop::quit);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  return process.state() == QProcess::NotRunning;
}

QByteArray waitForLine(QProcess& process, const QByteArray& prefix, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    while (process.canReadLine()) {
      const QByteArray line = process.readLine().trimmed();
      if (line.startsWith(prefix)) return line;
    }
    if (process.state() == QProcess::NotRunning) return QByteArray();
    process.waitForReadyRead(50);
    QCoreApplication::processEvents();
  }
  return QByteArray();
}

ChildRun ChildSandbox::run(const QString& program, const QStringList& arguments, int timeoutMs) {
  QProcess process;
  process.setProcessEnvironment(environment_);
  process.setWorkingDirectory(root());
  process.start(program, arguments);
  ChildRun result;
  if (!process.waitForStarted(60000)) return result;
  result.finished = waitServing(process, timeoutMs);
  if (!result.finished) {
    process.kill();
    process.waitForFinished(30000);
  }
  result.normalExit = process.exitStatus() == QProcess::NormalExit;
  result.exitCode = process.exitCode();
  result.out = process.readAllStandardOutput();
  result.err = process.readAllStandardError();
  return result;
}

ChildRun ChildSandbox::runHost(const QString& driver, const QStringList& arguments, int timeoutMs) {
  return run(QStringLiteral(ZARVO_TESTHOST), QStringList{driver} + arguments, timeoutMs);
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
