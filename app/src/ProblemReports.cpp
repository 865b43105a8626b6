#include "app/ProblemReports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/Flogger.h"

namespace {

const QString kDumpSuffix = QStringLiteral(".dmp");
const QString kLogSuffix = QStringLiteral(".txt");

}  // namespace

QString checkProblemReports(QWidget* parent) {
  QDir folder(logFolder());
  // Our dumps only: the suffix is matched exactly; the names are start times, so the earliest
  // run comes first.
  const QStringList dumps =
      folder.entryList({QLatin1Char('*') + kDumpSuffix}, QDir::Files | QDir::CaseSensitive,
                       QDir::Name | QDir::IgnoreCase);
  if (dumps.isEmpty()) return QString();

  const QString eventName = QStringLiteral("Event");
  if (!folder.mkpath(eventName)) {
    flog() << "Problem reports left in place: could not make " << folder.filePath(eventName);
    flogEndl();
    return QString();
  }
  QDir event(folder.filePath(eventName));
  for (const QString& old : event.entryList(QDir::Files | QDir::Hidden | QDir::System))
    event.remove(old);

  const QString& dump = dumps.first();
  folder.rename(dump, eventName + QLatin1Char('/') + dump);
  const QString log = dump.left(dump.size() - kDumpSuffix.size()) + kLogSuffix;
  if (folder.exists(log)) folder.rename(log, eventName + QLatin1Char('/') + log);
  for (int i = 1; i < dumps.size(); ++i) folder.remove(dumps.at(i));

  const QString reportFolder = event.canonicalPath();
  flog() << "Problem reports moved to " << reportFolder;
  flogEndl();
  appDialogs().inform(
      parent, QCoreApplication::translate("QObject", "Problem Reports Detected"),
      QCoreApplication::translate(
          "QObject",
          "<p>%1 recently shutdown unexpectedly.<br/>Log files were saved in:</p><p "
          "align='center'><font color='blue'>%2</font></p><p>Please help improve this product by "
          "emailing these files to:</p><p align='center'><font "
          "color='blue'>%3</font></p><p>Thank you.</p>")
          .arg(productName(), reportFolder, problemReportAddress()));
  return reportFolder;
}
