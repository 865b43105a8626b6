#include "app/Flogger.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QTime>

#include "app/AppIdentity.h"

namespace {

// Guards the current log, its file and its memory: the handler runs on any thread. Recursive,
// because a Qt message raised while a line is written comes back into the handler.
std::recursive_mutex& logMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

Flogger* currentLog = nullptr;

// What a log without any file keeps; beyond it, lines are dropped.
constexpr int kMemoryLogLimit = 4 * 1024 * 1024;

int typeIndex(QtMsgType type) {
  const int index = int(type);
  return index >= 0 && index < 5 ? index : -1;
}

// The folder for this user's logs. Made owner-only when it is made here; an existing folder
// keeps its permissions (never widened: others could plant dumps in a shared temporary folder).
bool makeLogFolder(const QString& folder) {
  QDir().mkpath(QFileInfo(folder).absolutePath());
  const QByteArray path = QFile::encodeName(folder);
  if (::mkdir(path.constData(), 0700) == 0) return true;
  return errno == EEXIST && QFileInfo(folder).isDir();
}

}  // namespace

QDateTime firstStartTime() {
  static const QDateTime start = QDateTime::currentDateTime();
  return start;
}

QString logFolder() {
  const QString temporary = QDir::tempPath();
  QString canonical = QDir(temporary).canonicalPath();
  if (canonical.isEmpty()) canonical = QDir::cleanPath(temporary);  // missing or unresolvable
  return canonical + QLatin1Char('/') + appName();
}

QString logBasePath() {
  return logFolder() + QLatin1Char('/') +
         firstStartTime().toString(QStringLiteral("yyyy.MM.dd_hh.mm.ss.zzz"));
}

QString logFilePath() {
  return logBasePath() + QStringLiteral(".txt");
}

QString crashDumpFileName() {
  return logBasePath() + QStringLiteral(".dmp");
}

int removeOldLogs(const QString& folder, const QDateTime& start) {
  const QFileInfoList logs = QDir(folder).entryInfoList({QStringLiteral("20*.txt")}, QDir::Files,
                                                        QDir::Time | QDir::Reversed);
  int removed = 0;
  for (const QFileInfo& log : logs) {
    if (log.lastModified().daysTo(start) < 7) break;
    if (QFile::remove(log.absoluteFilePath())) ++removed;  // a file that stays is left alone
  }
  return removed;
}

Flogger::Flogger() {
  setString(&line_, QIODevice::WriteOnly);
  {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    currentLog = this;
  }
  const QString folder = logFolder();
  if (!makeLogFolder(folder)) return;  // logging is off for the run: the stream only composes
  removeOldLogs(folder, firstStartTime());
  if (openLogFile()) return;
  // Outside the lock: the warning may come straight back through logMessageHandler.
  qWarning().noquote() << QStringLiteral("Could not establish logger:")
                       << QStringLiteral("Failed to open file %1").arg(logFilePath());
}

bool Flogger::openLogFile() {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  // Unbuffered: every line is on disk at once, so a crash report's log is complete.
  const QIODevice::OpenMode mode = QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered;
  auto file = std::make_unique<QFile>(logFilePath());
  if (file->open(mode)) {
    file_ = std::move(file);
    logFileOpen_ = true;
    writeWholeLineLocked(timePrefix() + logFilePath());
    return true;
  }
  file = std::make_unique<QFile>(QStringLiteral("/dev/null"));
  if (file->open(mode)) {
    file_ = std::move(file);
    return true;
  }
  inMemory_ = true;
  return false;
}

Flogger::~Flogger() {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  if (handlerInstalled_) qInstallMessageHandler(previousHandler_);
  if (currentLog == this) currentLog = nullptr;
  file_.reset();
}

Flogger* Flogger::current() {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  return currentLog;
}

void Flogger::setEchoToStandardError(QtMsgType type, bool echo) {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  if (typeIndex(type) >= 0) echo_[typeIndex(type)] = echo;
}

void Flogger::setWriteToLog(QtMsgType type, bool write) {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  if (typeIndex(type) >= 0) write_[typeIndex(type)] = write;
}

bool Flogger::echoesToStandardError(QtMsgType type) const {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  return typeIndex(type) >= 0 && echo_[typeIndex(type)];
}

bool Flogger::writesToLog(QtMsgType type) const {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  return typeIndex(type) >= 0 && write_[typeIndex(type)];
}

void Flogger::setPreviousHandler(QtMessageHandler handler) {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  previousHandler_ = handler;
  handlerInstalled_ = true;
}

QString Flogger::timePrefix() {
  return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz "));
}

void Flogger::writeLine(const QString& text) {
  const QString line = timePrefix() + text;
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  writeWholeLineLocked(line);
}

void Flogger::endLine() {
  flush();  // the stream's buffer into line_
  QString line;
  line.swap(line_);
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  writeWholeLineLocked(line);
}

void Flogger::writeWholeLineLocked(const QString& line) {
  if (file_) {
    // One write for the whole line: appended whole even beside another process's writes.
    file_->write((line + QLatin1Char('\n')).toUtf8());
  } else if (inMemory_ && memory_.size() < kMemoryLogLimit) {
    memory_ += line;
    memory_ += QLatin1Char('\n');
  }
}

QTextStream& flog() {
  Flogger* log = Flogger::current();
  if (!log) {
    // A log for code that writes before (or without) the application object; lives to exit.
    static std::unique_ptr<Flogger> lateLog;
    lateLog = std::make_unique<Flogger>();
    log = lateLog.get();
  }
  *log << Flogger::timePrefix();
  return *log;
}

void flogEndl() {
  if (Flogger* log = Flogger::current()) log->endLine();
}

void logMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
  {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    Flogger* log = currentLog;
    if (!log) return;
    if (log->echoesToStandardError(type)) {
      const QByteArray bytes = message.toUtf8() + '\n';
      const ssize_t written = ::write(STDERR_FILENO, bytes.constData(), size_t(bytes.size()));
      Q_UNUSED(written);
    }
    if (log->writesToLog(type)) log->writeLine(message);
  }
  if (type == QtFatalMsg) std::abort();
}
