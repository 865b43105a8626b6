#pragma once

#include <QCoreApplication>
#include <QString>

// The product's identity: names, site addresses, version and build revision. Each function
// returns a new string.

QString makerName();       // "OrbelTech": the settings store's organisation
QString makerDomain();     // "orbeltech.example"
QString companyWebRoot();  // the maker's site
QString updateChannel();   // "current"
QString appName();         // "Zarvo": the settings store's application, the log folder's name
QString productCode();     // "zarvo"
QString productName();     // "Zarvo", the display name
// productName() with every blank as "&nbsp;", for HTML texts.
QString productNameNbsp();
// The address problem reports are mailed to.
QString problemReportAddress();

// The product site's address.
QString webSiteRoot();
// "%1/%2": the product site and `page`; empty for an empty page.
QString webPageUrl(const QString& page);
// The same address; the name the help and link code uses.
QString webSiteUrl(const QString& page);
QString helpManualsPageUrl();
QString latestNewsUrl();
// `distributorsUrl()` + "/current/zarvo.1.2.4-win.htm": "-win" is the update server's contract.
QString updatePageUrl();
QString downloadPageUrl();

// Texts translated in the context "Product" with the disambiguation "[zarvo]".
class Product {
  Q_DECLARE_TR_FUNCTIONS(Product)

 public:
  static QString translate(const char* text);
};

// The edition's line under the product name, translated as a product text.
QString editionTagline();

// The version numbers (glibc's <sys/sysmacros.h> takes the plain names major and minor).
constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 2;
constexpr int kVersionPatch = 4;

// "1.2.4".
QString versionText();
// The build's source revision: 40 hexadecimal digits (40 zeros outside a git checkout).
const char* buildRevision();

// Filled by TsApp::init, empty before; written to the log.
extern QString machineId;
extern QString installationId;
