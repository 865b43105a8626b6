#include "app/DistributorInfo.h"

#include <QDomDocument>
#include <QFile>

#include "app/AppIdentity.h"
#include "app/Flogger.h"
#include "kestrum/qt/XmlNesting.h"
#include "kestrum/qt/AppPaths.h"

QDomElement requireChild(const QDomElement& parent, const QString& tagName, QString* errors) {
  const QDomElement child = parent.firstChildElement(tagName);
  if (child.isNull()) {
    *errors += QStringLiteral("Error: Could not find element '%1', child of '%2'\n")
                   .arg(tagName, parent.tagName());
  }
  return child;
}

QString requireAttribute(const QDomElement& element, const QString& name, QString* errors) {
  if (!element.hasAttribute(name)) {
    *errors += QStringLiteral("Error: Expected attribute '%1' to be defined for tag '%2'\n")
                   .arg(name, element.tagName());
    return QString();
  }
  return element.attribute(name);
}

bool readEnabledFlag(const QDomElement& parent, const QString& tagName, QString* errors) {
  const QDomElement child = requireChild(parent, tagName, errors);
  if (child.isNull()) return false;
  const QString enabled = QStringLiteral("enabled");
  const QString value = requireAttribute(child, enabled, errors);
  if (value.isNull()) return false;
  if (value == QLatin1String("0")) return false;
  if (value == QLatin1String("1")) return true;
  *errors += QStringLiteral("Error: Invalid value '%1' for attribute '%2' of element '%3'\n")
                 .arg(value, enabled, child.tagName());
  return false;
}

QString readAboutBoxText(const QDomElement& parent, QString* errors) {
  const QDomElement child = requireChild(parent, QStringLiteral("AboutBoxText"), errors);
  return child.isNull() ? QString() : child.text();
}

DistributorRecord readDistributorRecord(const QByteArray& xml, QString* errors) {
  qint64 deepLine = 0;
  qint64 deepColumn = 0;
  if (!kestrum::xmlNestingWithin(xml, kestrum::kMaxXmlDepth, &deepLine, &deepColumn)) {
    *errors += QStringLiteral("Error: line %1, col %2: elements nested deeper than %3\n")
                   .arg(QString::number(deepLine), QString::number(deepColumn),
                        QString::number(kestrum::kMaxXmlDepth));
    return DistributorRecord();
  }
  QDomDocument document(QStringLiteral("Customisation"));
  QString message;
  int line = 0;
  int column = 0;
  if (!document.setContent(xml, &message, &line, &column)) {
    *errors += QStringLiteral("Error: line %1, col %2: %3\n")
                   .arg(QString::number(line), QString::number(column), message);
    return DistributorRecord();
  }
  const QString before = *errors;
  const QDomElement root = document.documentElement();
  DistributorRecord record;
  record.id = requireAttribute(root, QStringLiteral("id"), errors);
  record.homePage = readEnabledFlag(root, QStringLiteral("HomePage"), errors);
  record.latestNews = readEnabledFlag(root, QStringLiteral("LatestNews"), errors);
  record.checkForUpdates = readEnabledFlag(root, QStringLiteral("CheckForUpdates"), errors);
  record.aboutBoxText = readAboutBoxText(root, errors);
  const QDomElement email = root.firstChildElement(QStringLiteral("Email"));
  if (!email.isNull())
    record.supportEmail = requireAttribute(email, QStringLiteral("support"), errors);
  return *errors == before ? record : DistributorRecord();
}

DistributorInfo::DistributorInfo() {
  logo_.load(kestrum::appFilePath(QStringLiteral("distributor.png")));
  const QString xmlPath = kestrum::appFilePath(QStringLiteral("distributor.xml"));
  QFile file(xmlPath);
  if (!file.open(QIODevice::ReadOnly)) return;  // no file: the defaults, nothing to tell
  QString errors;
  record_ = readDistributorRecord(file.readAll(), &errors);
  if (!errors.isEmpty()) {
    errors.chop(1);  // every error ends its line; the log ends the last one
    flog() << "ERRORS found in" << xmlPath << "\n" << errors;
    flogEndl();
  }
}

DistributorInfo& DistributorInfo::instance() {
  static DistributorInfo info;
  return info;
}

const DistributorRecord& DistributorInfo::record() {
  return instance().record_;
}

QPixmap DistributorInfo::logo() {
  const QImage& image = instance().logo_;
  return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

QString distributorsUrl() {
  const QString id = DistributorInfo::id();
  if (id.isEmpty()) return companyWebRoot();
  return QStringLiteral("%1/distributors/%2").arg(companyWebRoot(), id);
}
