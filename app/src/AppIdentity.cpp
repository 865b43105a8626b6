#include "app/AppIdentity.h"

#include "app/DistributorInfo.h"

#ifndef ZARVO_REVISION
#define ZARVO_REVISION "0000000000000000000000000000000000000000"
#endif

QString machineId;
QString installationId;

namespace {
const char* const kProductSite = "http://zarvo.orbeltech.example";
}  // namespace

QString makerName() {
  return QStringLiteral("OrbelTech");
}
QString makerDomain() {
  return QStringLiteral("orbeltech.example");
}
QString companyWebRoot() {
  return QStringLiteral("http://www.orbeltech.example");
}
QString updateChannel() {
  return QStringLiteral("current");
}
QString appName() {
  return QStringLiteral("Zarvo");
}
QString productCode() {
  return QStringLiteral("zarvo");
}
QString productName() {
  return QStringLiteral("Zarvo");
}
QString productNameNbsp() {
  return productName().replace(QLatin1Char(' '), QLatin1String("&nbsp;"));
}
QString problemReportAddress() {
  return QStringLiteral("support@orbeltech.example");
}

QString webSiteRoot() {
  return QLatin1String(kProductSite);
}

QString webPageUrl(const QString& page) {
  if (page.isEmpty()) return QString();
  return QStringLiteral("%1/%2").arg(webSiteRoot(), page);
}

QString webSiteUrl(const QString& page) {
  return webPageUrl(page);
}

QString helpManualsPageUrl() {
  return webPageUrl(Product::translate("support-manuals-tutorials-zarvo.html"));
}

QString latestNewsUrl() {
  return webPageUrl(QStringLiteral("news/latest_news.htm"));
}

QString updatePageUrl() {
  // One pass, so no placeholder inside a substituted text (the distributor's id) is replaced.
  return QStringLiteral("%1/%2/%3.%4.%5.%6%7-%8.htm")
      .arg(distributorsUrl(), updateChannel(), productCode(), QString::number(kVersionMajor),
           QString::number(kVersionMinor), QString::number(kVersionPatch), QString(),
           QStringLiteral("win"));
}

QString downloadPageUrl() {
  return QStringLiteral("%1/%2/%3-download.htm")
      .arg(distributorsUrl(), updateChannel(), productCode());
}

QString Product::translate(const char* text) {
  return tr(text, "[zarvo]");
}

QString editionTagline() {
  return Product::translate("transform your product shots with ease");
}

QString versionText() {
  return QStringLiteral("%1.%2.%3")
      .arg(QString::number(kVersionMajor), QString::number(kVersionMinor),
           QString::number(kVersionPatch));
}

const char* buildRevision() {
  return ZARVO_REVISION;
}
