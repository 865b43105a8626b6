// The web image search box: the words and the language in the address the browser opens, and
// the focus shortcut. The desktop's URL handler is taken over, so no browser starts.

#include <functional>

#include <QDesktopServices>
#include <QLineEdit>
#include <QUrlQuery>
#include <QVBoxLayout>

#include "UrlCatcher.h"
#include "WorkspaceTestSupport.h"
#include "workspace/GoogleWidget.h"

namespace {

// Reports the reason of every focus gained by the watched widget.
class FocusWatcher : public QObject {
 public:
  explicit FocusWatcher(std::function<void(Qt::FocusReason)> seen) : seen_(std::move(seen)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) seen_(static_cast<QFocusEvent*>(event)->reason());
    return false;
  }

 private:
  std::function<void(Qt::FocusReason)> seen_;
};

class SearchBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("http", &catcher, "open");
  }
  void TearDown() override {
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
  }
  UrlCatcher catcher;
  FakeWorkspaceHost host;
};

struct SearchRow {
  const char* name;
  const char* typed;
  const char* q;  // as it travels, encoded
  const char* meant;
};

class SearchWordsTest : public SearchBoxTest, public ::testing::WithParamInterface<SearchRow> {};

TEST_P(SearchWordsTest, TheServiceReadsTheWordsAsTyped) {
  const SearchRow& row = GetParam();
  GoogleWidget box;
  box.lineEdit()->setText(QString::fromUtf8(row.typed));
  box.searchGoogleImagesSlot();
  ASSERT_EQ(catcher.opened.size(), 1);
  const QUrl url = catcher.opened.first();
  EXPECT_EQ(url.scheme(), "https");
  const QUrlQuery query(url);
  EXPECT_TRUE(query.hasQueryItem("q"));
  EXPECT_EQ(query.queryItemValue("q", QUrl::FullyEncoded), QString::fromUtf8(row.q));
  // A form decoder (a "+" is a space) gets back what was typed.
  QString decoded = query.queryItemValue("q", QUrl::FullyEncoded);
  decoded.replace('+', ' ');
  EXPECT_EQ(QUrl::fromPercentEncoding(decoded.toUtf8()), QString::fromUtf8(row.meant));
}

INSTANTIATE_TEST_SUITE_P(
    Words, SearchWordsTest,
    ::testing::Values(SearchRow{"spaceIsPlus", "red car", "red+car", "red car"},
                      SearchRow{"plusIsEscaped", "C++", "C%2B%2B", "C++"},
                      SearchRow{"emptyStillOpens", "", "", ""},
                      SearchRow{"percentIsEscaped", "50%+ off", "50%25%2B+off", "50%+ off"},
                      SearchRow{"ampersandStaysInside", "salt & pepper", "salt+%26+pepper",
                                "salt & pepper"},
                      SearchRow{"accents", "café crème", "caf%C3%A9+cr%C3%A8me", "café crème"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SearchBoxTest, TheLanguageIsTheHostsAndReturnSearches) {
  host.language = "de";
  GoogleWidget box;
  box.lineEdit()->setText("Hund");
  QTest::keyClick(box.lineEdit(), Qt::Key_Return);
  ASSERT_EQ(catcher.opened.size(), 1);
  EXPECT_EQ(QUrlQuery(catcher.opened.first()).queryItemValue("hl"), "de");
  EXPECT_EQ(QUrlQuery(catcher.opened.first()).queryItemValue("q"), "Hund");
}

TEST_F(SearchBoxTest, TheFocusSlotFocusesTheWordsByShortcut) {
  QWidget window;
  auto* other = new QLineEdit(&window);
  auto* box = new GoogleWidget(&window);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(other);
  layout->addWidget(box);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  other->setFocus();
  Qt::FocusReason reason = Qt::OtherFocusReason;
  FocusWatcher watcher([&](Qt::FocusReason r) { reason = r; });
  box->lineEdit()->installEventFilter(&watcher);
  box->setFocusSlot();
  EXPECT_TRUE(box->lineEdit()->hasFocus());
  EXPECT_EQ(reason, Qt::ShortcutFocusReason);
}

}  // namespace
