#include "app/AboutBox.h"

#include <memory>

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/CrashGuard.h"
#include "app/DistributorInfo.h"

namespace {

constexpr int kMaxLogoWidth = 200;

QPointer<QDialog>& theBox() {
  static QPointer<QDialog> box;
  return box;
}

}  // namespace

QPixmap aboutBoxLogo(const QPixmap& distributorLogo) {
  if (distributorLogo.isNull()) return QMessageBox::standardIcon(QMessageBox::Information);
  if (distributorLogo.width() <= kMaxLogoWidth) return distributorLogo;
  return distributorLogo.scaledToWidth(kMaxLogoWidth, Qt::SmoothTransformation);
}

QString aboutBoxHtml(const QString& distributorText) {
  QString text;
  if (!distributorText.isEmpty())
    text += QStringLiteral("<p><font size=\"+1\"><b>%1</b></font></p>").arg(distributorText);
  const QString shortRevision = QString::fromLatin1(buildRevision()).left(7);
  text += QStringLiteral("<p><font size=\"+2\"><b>%1</b></font><br/>").arg(productName());
  text += QStringLiteral("Version %1 (build %2)</p>").arg(versionText(), shortRevision);
  text += QStringLiteral("<p>Copyright \u00a9 %1<br/>All rights reserved</p>").arg(makerName());
  text += QStringLiteral(
      "<p>This program is dedicated to everyone who ever spent an evening cutting a photograph "
      "out by hand.</p>");
  return text;
}

QDialog* buildAboutBox(QWidget* parent) {
  auto* box = new QDialog(parent);
  box->setWindowTitle(QApplication::translate("AboutBox", "About %1").arg(productName()));
  box->setSizeGripEnabled(false);
  auto* close = new QShortcut(QKeySequence::Close, box);
  QObject::connect(close, &QShortcut::activated, box, &QDialog::close);

  auto* logo = new QLabel;
  logo->setObjectName(QStringLiteral("aboutLogo"));
  logo->setPixmap(aboutBoxLogo(DistributorInfo::logo()));
  logo->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  auto* text = new QLabel(aboutBoxHtml(DistributorInfo::aboutBoxText()));
  text->setObjectName(QStringLiteral("aboutText"));
  text->setTextFormat(Qt::RichText);
  text->setWordWrap(true);
  text->setMinimumWidth(320);

  auto* ok = new QPushButton(QStringLiteral("OK"));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, box, &QDialog::accept);

  auto* right = new QVBoxLayout;
  right->addWidget(text);
  right->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  right->addLayout(buttons);

  auto* layout = new QHBoxLayout(box);
  layout->addWidget(logo);
  layout->addSpacing(12);
  layout->addLayout(right);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  return box;
}

void aboutBox(QWidget* window) {
  QPointer<QDialog>& box = theBox();
  if (!box) {
    box = buildAboutBox(window);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    countWhileVisible(box);
  }
  box->show();
  box->raise();
  box->activateWindow();
}

int runAboutBoxCommandLine(int& argc, char** argv) {
  auto application = std::make_unique<QApplication>(argc, argv);
  guardAbort();
  std::unique_ptr<QDialog> box(buildAboutBox());
  appDialogs().execModal(*box);
  box.reset();
  application.reset();
  return 0;
}

void releaseAboutBox() {
  delete theBox().data();
}
