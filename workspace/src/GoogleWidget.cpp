#include "workspace/GoogleWidget.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QUrlQuery>

#include "workspace/WorkspaceHost.h"

namespace {

// The image-search service's result page.
const char* const kEndpoint = "https://www.bing.com/images/search";

}  // namespace

GoogleWidget::GoogleWidget(QWidget* parent) : QWidget(parent), edit_(new QLineEdit) {
  edit_->setObjectName(QStringLiteral("searchWords"));
  edit_->setToolTip(tr("Search the web for photos: type words and press Return"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edit_);
  setFocusProxy(edit_);
  connect(edit_, &QLineEdit::returnPressed, this, &GoogleWidget::searchGoogleImagesSlot);
}

QUrl GoogleWidget::searchUrl(const QString& words) {
  // The query is kept in its encoded form: a "+" left as it is would reach the service as a
  // space, and a "%" as the start of an escape.
  QString encoded = words;
  encoded.replace(QLatin1Char('%'), QLatin1String("%25"));
  encoded.replace(QLatin1Char('+'), QLatin1String("%2B"));
  encoded.replace(QLatin1Char(' '), QLatin1Char('+'));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("q"), encoded);
  query.addQueryItem(QStringLiteral("hl"), workspaceHost().activeLanguage());
  QUrl url(QString::fromLatin1(kEndpoint));
  url.setQuery(query);
  return url;
}

void GoogleWidget::searchGoogleImagesSlot() {
  // Whether a browser opened is not ours to act on.
  QDesktopServices::openUrl(searchUrl(edit_->text()));
}

void GoogleWidget::setFocusSlot() {
  edit_->setFocus(Qt::ShortcutFocusReason);
}
