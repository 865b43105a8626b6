#pragma once

#include <array>
#include <memory>

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QTextStream>
#include <QtGlobal>

// The log's paths, all from one start time.
// The moment the process first asked for a log path (in practice: the crash guard, first thing
// in the process); the same value for the rest of the run. Any thread.
QDateTime firstStartTime();
// The canonical temporary folder + "/Zarvo".
QString logFolder();
// logFolder() + "/" + the start time as "yyyy.MM.dd_hh.mm.ss.zzz".
QString logBasePath();
QString logFilePath();        // logBasePath() + ".txt"
QString crashDumpFileName();  // logBasePath() + ".dmp"

// The one log of the run: a text file in logFolder(), one line per entry, each line starting
// with the time of day "hh:mm:ss.zzz ". Building it makes the folder (owner-only when it makes
// it), deletes logs 7 or more calendar days older than the start (by modification time) and opens
// the file for appending. Without a file it writes to the null device, and without that into
// memory. Qt's messages reach it through logMessageHandler.
//
// As a text stream it composes one line for flog() callers (GUI thread); whole lines reach the
// file under one lock, so lines from other threads never interleave within a line.
class Flogger : public QTextStream {
 public:
  Flogger();
  // Reinstalls the message handler that was in force before logMessageHandler, closes the file.
  ~Flogger() override;

  Flogger(const Flogger&) = delete;
  Flogger& operator=(const Flogger&) = delete;

  // The log in force, or null.
  static Flogger* current();

  // Per Qt message type: echo it to standard error, write it to the log. All false until set.
  void setEchoToStandardError(QtMsgType type, bool echo);
  void setWriteToLog(QtMsgType type, bool write);
  bool echoesToStandardError(QtMsgType type) const;
  bool writesToLog(QtMsgType type) const;
  // The handler logMessageHandler replaced; reinstalled by the destructor.
  void setPreviousHandler(QtMessageHandler handler);

  // One whole line (time prefix, text, end of line); any thread.
  void writeLine(const QString& text);
  // Ends the line composed through flog() and writes it whole. GUI thread.
  void endLine();

  // True while the log goes to its file (not the null device, not memory).
  bool hasLogFile() const { return logFileOpen_; }

  // "hh:mm:ss.zzz " of the current local time.
  static QString timePrefix();

 private:
  void writeWholeLineLocked(const QString& line);
  bool openLogFile();

  QString line_;  // the stream's string: the line being composed through flog()
  std::unique_ptr<QFile> file_;
  bool logFileOpen_ = false;
  bool inMemory_ = false;
  QString memory_;  // the log when neither its file nor the null device opens; capped
  std::array<bool, 5> echo_{};
  std::array<bool, 5> write_{};
  QtMessageHandler previousHandler_ = nullptr;
  bool handlerInstalled_ = false;
};

// The log stream with the time prefix written; append the text and end with flogEndl(). Makes
// a log when none exists. GUI thread.
QTextStream& flog();
void flogEndl();

// Qt's message handler while the application runs: writes the message as one log line when the
// log's table says so, echoes it to standard error when that table says so, and aborts after a
// fatal message. Any thread.
void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

// Deletes the ".txt" logs whose names begin with "20" and that were last modified 7 or more
// calendar days before `start`, oldest first, stopping at the first younger one. Other files
// are never touched. Returns how many went.
int removeOldLogs(const QString& folder, const QDateTime& start);
