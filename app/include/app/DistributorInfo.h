#pragma once

#include <QByteArray>
#include <QDomElement>
#include <QImage>
#include <QPixmap>
#include <QString>

// What a reseller's "distributor.xml" sets. The defaults are also what a file with any error
// gives: the file is all or nothing.
struct DistributorRecord {
  QString id;
  QString aboutBoxText;
  bool latestNews = true;
  bool homePage = true;
  bool checkForUpdates = true;
  QString supportEmail;
};

// Reads a "distributor.xml" document: the root's "id"; the elements "HomePage", "LatestNews" and
// "CheckForUpdates", each with "enabled" exactly "0" or "1"; "AboutBoxText" (may be empty); an
// optional "Email" that must then carry "support". Every problem is appended to `errors`, one
// line each, in reading order; with any error the result is the defaults.
DistributorRecord readDistributorRecord(const QByteArray& xml, QString* errors);

// The XML helpers of that reader; each appends to `errors` and never fails otherwise.
QDomElement requireChild(const QDomElement& parent, const QString& tagName, QString* errors);
QString requireAttribute(const QDomElement& element, const QString& name, QString* errors);
bool readEnabledFlag(const QDomElement& parent, const QString& tagName, QString* errors);
QString readAboutBoxText(const QDomElement& parent, QString* errors);

// The distributor's branding, read once from "distributor.xml" and "distributor.png" in the
// program's folder on first use and kept for the run. A broken file is logged ("ERRORS found
// in") and acts as none. GUI thread.
class DistributorInfo {
 public:
  static const DistributorRecord& record();
  static QString id() { return record().id; }
  static QString aboutBoxText() { return record().aboutBoxText; }
  // Null when "distributor.png" is missing or unreadable. A pixmap, so GUI thread with an
  // application object.
  static QPixmap logo();

 private:
  DistributorInfo();
  static DistributorInfo& instance();

  DistributorRecord record_;
  // Kept as an image: a static pixmap would outlive the application object.
  QImage logo_;
};

// The distributor's page: companyWebRoot() + "/distributors/" + the id, or companyWebRoot()
// alone without an id.
QString distributorsUrl();
