#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include <QDropEvent>
#include <QMimeData>
#include <QNetworkReply>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>

#include "EngineSessionSupport.h"
#include "ImageFiles.h"
#include "WaitFor.h"
#include "app/ImageReceiver.h"
#include "support/AppTestSupport.h"
#include "support/FakeAppDialogs.h"
#include "support/LoopbackHttpServer.h"

namespace {

using zarvo_test::encodedImage;

QImage filled(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(qRgb(90, 140, 30));
  return image;
}

QByteArray pngBytes(int width, int height) {
  return encodedImage(filled(width, height), "PNG");
}

// A JPEG whose bytes end three quarters into its image data: Qt's reader would fill the rest in
// grey.
QByteArray cutShortJpeg() {
  const QByteArray jpeg = encodedImage(syntheticPhoto(160, 120), "JPG");
  return jpeg.left(jpeg.size() * 3 / 4);
}

// A TGA as most tools write it.
QByteArray footerlessTga(int width, int height) {
  return zarvo_test::tgaOf(filled(width, height), zarvo_test::TgaLayout::asToolsWrite());
}

LoopbackHttpServer::Reply reply(const QByteArray& type, const QByteArray& body) {
  LoopbackHttpServer::Reply reply;
  reply.contentType = type;
  reply.body = body;
  return reply;
}

// The main window's part: records the pictures handed to it.
class TestWindow : public QWidget {
 public:
  QList<NamedImage> received;
  void receivedImageSlot(NamedImage image) { received << image; }
};

class ImageReceiverTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(files_.isValid()); }

  QUrl web(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.port()).arg(path));
  }
  void servePng(const QString& path, int width, int height) {
    server_.setReply(path, reply("image/png", pngBytes(width, height)));
  }
  QUrl localPng(const QString& name, int width, int height) {
    const QString path = files_.filePath(name);
    filled(width, height).save(path, "PNG");
    return QUrl::fromLocalFile(path);
  }

  QPointer<ImageReceiver> receive(const QMimeData& data) {
    return ImageReceiver::receive(&data, &window_, limits_);
  }
  // Runs the event loop until the receiver has deleted itself.
  static bool ended(const QPointer<ImageReceiver>& receiver) {
    return zarvo_test::waitFor([&] { return receiver.isNull(); }, 10000);
  }
  static void pressCancel(ImageReceiver* receiver) {
    receiver->progressDialog()->findChild<QPushButton*>()->click();
  }
  // The warnings' texts without the reasons that follow them after a blank line.
  QStringList warnings() const {
    QStringList texts;
    for (const FakeAppDialogs::Shown& shown : dialogs_.shown) {
      EXPECT_EQ(shown.title, "Image dropped");
      EXPECT_EQ(shown.icon, QMessageBox::Warning);
      EXPECT_EQ(shown.parent, &window_);
      texts << shown.text.section(QStringLiteral("\n\n"), 0, 0);
    }
    return texts;
  }

  FakeAppDialogs dialogs_;
  LoopbackHttpServer server_;
  TestWindow window_;
  QTemporaryDir files_;
  NetworkImageGetter::Limits limits_{400, 1 << 20};
};

TEST_F(ImageReceiverTest, LocalFilesGiveTheLargestAndTheFirstOfEqualOnes) {
  QMimeData data;
  data.setUrls(
      {localPng("a.png", 100, 100), localPng("b.png", 300, 200), localPng("c.png", 200, 300)});
  ASSERT_TRUE(ended(receive(data)));
  ASSERT_EQ(window_.received.size(), 1);
  EXPECT_EQ(window_.received[0].size(), QSize(300, 200));
  EXPECT_EQ(window_.received[0].name(), "b.png");
  EXPECT_TRUE(dialogs_.shown.isEmpty());
  // Pictures are held at most 1280 pixels a side, and compared by the size they came at.
  QMimeData large;
  large.setUrls({localPng("square.png", 1300, 1300), localPng("wide.png", 2000, 1000)});
  ASSERT_TRUE(ended(receive(large)));
  ASSERT_EQ(window_.received.size(), 2);
  EXPECT_EQ(window_.received[1].name(), "wide.png");
  EXPECT_EQ(window_.received[1].size(), QSize(1280, 640));
}

// One web address per row, alone in its drop: what the server answers, and what comes of it.
struct WebRow {
  const char* name;
  LoopbackHttpServer::Reply reply;
  QSize delivered;  // invalid: nothing, and the warning
  const char* log;  // a line that must appear, or null
  int exchanges;    // requests the server saw
};

std::vector<WebRow> webRows() {
  LoopbackHttpServer::Reply refusedHead = reply("image/png", pngBytes(8, 8));
  refusedHead.headStatus = 405;
  LoopbackHttpServer::Reply shortBody = reply("image/png", pngBytes(8, 8));
  shortBody.declaredLength = shortBody.body.size() + 500;
  LoopbackHttpServer::Reply hugeClaim = reply("image/png", pngBytes(8, 8));
  hugeClaim.declaredLength = qint64(1) << 40;
  hugeClaim.keepOpen = true;  // the rest of the terabyte is still to come
  LoopbackHttpServer::Reply silent = reply("image/png", pngBytes(8, 8));
  silent.silent = true;
  const QByteArray png = pngBytes(64, 48);
  return {
      {"Png", reply("image/png", png), QSize(64, 48), nullptr, 2},
      {"JpegBytesUnderAPngType", reply("image/png", encodedImage(filled(40, 30), "JPG")),
       QSize(40, 30), nullptr, 2},
      {"Webp", reply("image/webp", encodedImage(filled(50, 40), "WEBP")), QSize(50, 40), nullptr,
       2},
      {"Tiff", reply("image/tiff", encodedImage(filled(30, 20), "TIFF")), QSize(30, 20), nullptr,
       2},
      {"Html", reply("text/html", "<html></html>"), QSize(), nullptr, 1},
      {"UnsupportedImageType", reply("image/x-zarvo", png), QSize(),
       "Unsupported content type: image/x-zarvo", 1},
      {"HeadRefused", refusedHead, QSize(), nullptr, 1},
      {"TruncatedData", reply("image/png", png.left(png.size() / 2)), QSize(), ", format: png", 2},
      {"CutShortJpeg", reply("image/jpeg", cutShortJpeg()), QSize(), ", format: jpeg", 2},
      {"FooterlessTga", reply("image/x-tga", footerlessTga(36, 24)), QSize(36, 24), nullptr, 2},
      {"TopRowFirstBmp", reply("image/bmp", zarvo_test::bmpOf(filled(37, 21), true)), QSize(37, 21),
       nullptr, 2},
      {"BodyShorterThanDeclared", shortBody, QSize(), nullptr, 2},
      {"DeclaredLengthOverTheLimit", hugeClaim, QSize(), "larger than 1048576 bytes", 2},
      {"BodyOverTheLimit", reply("image/png", png + QByteArray(2 << 20, 'x')), QSize(),
       "larger than 1048576 bytes", 2},
      {"DecompressionBomb", reply("image/png", zarvo_test::pngClaiming(30000, 30000)), QSize(),
       ", format: png", 2},
      {"SilentServer", silent, QSize(), nullptr, 1},
  };
}

class WebAddress : public ImageReceiverTest, public ::testing::WithParamInterface<WebRow> {};

TEST_P(WebAddress, GivesItsPictureOrIsDropped) {
  const WebRow& row = GetParam();
  const QString path = QStringLiteral("/%1.png").arg(row.name);
  server_.setReply(path, row.reply);
  QMimeData data;
  data.setUrls({web(path)});
  const QPointer<ImageReceiver> receiver = receive(data);
  ASSERT_TRUE(receiver);
  EXPECT_EQ(receiver->progressDialog()->labelText(), "Loading images from the Internet");
  ASSERT_TRUE(ended(receiver));
  QStringList exchanges = server_.exchanges();
  // A server that closes before the length it declared may see Qt send the GET once more by
  // itself; what counts here is which requests the getter made.
  if (row.reply.declaredLength > row.reply.body.size() && !row.reply.keepOpen)
    exchanges.removeDuplicates();
  EXPECT_EQ(exchanges.size(), row.exchanges) << server_.exchanges().join(", ").toStdString();
  EXPECT_EQ(exchanges.value(0), "HEAD " + path);
  const QStringList logged = logLinesWith(web(path).toString());
  if (row.delivered.isValid()) {
    ASSERT_EQ(window_.received.size(), 1);
    EXPECT_EQ(window_.received[0].size(), row.delivered);
    EXPECT_EQ(window_.received[0].url(), web(path));
    EXPECT_TRUE(dialogs_.shown.isEmpty());
  } else {
    EXPECT_TRUE(window_.received.isEmpty());
    EXPECT_EQ(warnings(), QStringList({"Image could not be opened"}));
  }
  if (row.log)
    EXPECT_FALSE(logLinesWith(row.log).filter(web(path).toString()).isEmpty());
  else
    EXPECT_TRUE(logged.isEmpty()) << logged.join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Replies, WebAddress, ::testing::ValuesIn(webRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// A finished GET made up by the test: its body, and the length it declares (-1: none).
class CannedReply : public QNetworkReply {
 public:
  CannedReply(const QByteArray& body, qint64 declared, QObject* parent,
              const QByteArray& encoding = QByteArray())
      : QNetworkReply(parent), body_(body) {
    setHeader(QNetworkRequest::ContentTypeHeader, "image/png");
    if (!encoding.isEmpty()) setRawHeader("Content-Encoding", encoding);
    if (declared >= 0) setHeader(QNetworkRequest::ContentLengthHeader, declared);
    open(QIODevice::ReadOnly);
    setFinished(true);
  }
  void abort() override {}
  qint64 bytesAvailable() const override {
    return body_.size() - read_ + QNetworkReply::bytesAvailable();
  }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    const qint64 n = std::min(maxSize, qint64(body_.size()) - read_);
    std::memcpy(data, body_.constData() + read_, size_t(n));
    read_ += n;
    return n;
  }

 private:
  QByteArray body_;
  qint64 read_ = 0;
};

// Under load Qt may report a GET whose server closed before the declared length as finished
// without error: only a body of the declared length may become a picture.
TEST_F(ImageReceiverTest, AGetEndedWithoutErrorGivesAPictureOnlyAtItsDeclaredLength) {
  const QByteArray png = pngBytes(8, 8);
  LoopbackHttpServer::Reply open = reply("image/png", QByteArray());
  open.declaredLength = png.size();
  open.keepOpen = true;  // the real GET stays open; a canned reply stands for its end
  server_.setReply("/canned.png", open);
  struct Row {
    qint64 declared;
    const char* encoding;  // a compressed body's declared length is that of the bytes sent
    bool delivered;
  };
  for (const Row& row : {Row{png.size(), "", true}, Row{png.size() + 500, "", false},
                         Row{-1, "", true}, Row{png.size() - 30, "gzip", true}}) {
    SCOPED_TRACE(row.declared);
    NetworkImageGetter getter(web("/canned.png"), limits_);
    int images = 0;
    int finished = 0;
    QObject::connect(&getter, &NetworkImageGetter::imageReceived, [&] { ++images; });
    QObject::connect(&getter, &NetworkImageGetter::finished, [&] { ++finished; });
    getter.start();
    ASSERT_TRUE(
        zarvo_test::waitFor([&] { return getter.state() == NetworkImageGetter::GetSent; }, 10000));
    getter.replyFinished(new CannedReply(png, row.declared, &getter, row.encoding));
    EXPECT_EQ(images, row.delivered ? 1 : 0);
    EXPECT_EQ(finished, 1);
  }
}

TEST_F(ImageReceiverTest, ImageDataWithItsLinkIsReplacedOnlyByALargerPicture) {
  servePng("/larger.png", 80, 60);
  servePng("/smaller.png", 20, 20);
  for (const char* path : {"/larger.png", "/smaller.png"}) {
    window_.received.clear();
    QMimeData data;
    data.setImageData(filled(50, 50));
    data.setUrls({web(path)});
    const QPointer<ImageReceiver> receiver = receive(data);
    EXPECT_EQ(receiver->progressDialog()->labelText(), "Searching for larger image");
    ASSERT_TRUE(ended(receiver));
    ASSERT_EQ(window_.received.size(), 1) << path;
    const bool larger = QLatin1String(path) == QLatin1String("/larger.png");
    EXPECT_EQ(window_.received[0].size(), larger ? QSize(80, 60) : QSize(50, 50));
    EXPECT_EQ(window_.received[0].url(), larger ? web(path) : QUrl());
  }
}

TEST_F(ImageReceiverTest, AQueryCarriedAddressIsFetchedAndTheOuterAndSecureLinksAreNot) {
  servePng("/picture.png", 30, 20);
  QUrl page = web("/search");
  page.setQuery(
      QStringLiteral("q=cat&imgurl=%1&w=300&dot=a.b&colon=a:b")
          .arg(QString::fromLatin1(QUrl::toPercentEncoding(web("/picture.png").toString()))));
  QMimeData data;
  // Neither the secure link nor the ftp one gives a picture: one is never fetched, the other is
  // refused by the network layer; the query's picture still counts.
  data.setUrls({page, QUrl("https://127.0.0.1:1/never.png"), QUrl("ftp://127.0.0.1:1/x.png")});
  ASSERT_TRUE(ended(receive(data)));
  EXPECT_EQ(server_.exchanges(), QStringList({"HEAD /picture.png", "GET /picture.png"}));
  ASSERT_EQ(window_.received.size(), 1);
  EXPECT_EQ(window_.received[0].size(), QSize(30, 20));
}

// The addresses a drop's text and URL list lead to, without fetching or reading.
TEST(DropCandidates, FollowTheSchemesAndTheQueries) {
  struct Row {
    const char* name;
    QString text;
    QStringList urls;
    QStringList web;
    QStringList local;
  };
  QString nested = QStringLiteral("http://host.example/found.png");
  for (int level = 0; level < ImageReceiver::kMaxNesting; ++level)
    nested = "http://page.example/?u=" + QString::fromLatin1(QUrl::toPercentEncoding(nested));
  const QString tooDeep =
      "http://page.example/?u=" + QString::fromLatin1(QUrl::toPercentEncoding(nested));
  const std::vector<Row> rows = {
      {"HttpText", "http://host.example/a.png", {}, {"http://host.example/a.png"}, {}},
      {"PlainText", "a cat on a mat", {}, {}, {}},
      {"Https", {}, {"https://host.example/a.png"}, {}, {}},
      {"Ftp", {}, {"ftp://host.example/a.png"}, {"ftp://host.example/a.png"}, {}},
      {"HttpWithoutHost", {}, {"http:/a.png"}, {}, {}},
      {"File", {}, {"file:///tmp/a.png"}, {}, {"/tmp/a.png"}},
      {"PercentDecodedOnce",
       {},
       {"http://host.example/a%2520b.png"},
       {"http://host.example/a%20b.png"},
       {}},
      {"QueryWithoutAddress", {}, {"http://host.example/a.png?v=2"}, {}, {}},
      {"QueryCarriesFileAndWeb",
       {},
       {"http://search.example/r?a=file%3A%2F%2F%2Ftmp%2Fb.png&b=http%3A%2F%2Fh.example%2Fc.png"},
       {"http://h.example/c.png"},
       {"/tmp/b.png"}},
      {"NestedToTheLimit", {}, {nested}, {"http://host.example/found.png"}, {}},
      {"NestedTooDeep", {}, {tooDeep}, {}, {}},
      {"TextBeforeUrls",
       "http://t.example/1.png",
       {"http://u.example/2.png"},
       {"http://t.example/1.png", "http://u.example/2.png"},
       {}},
  };
  for (const Row& row : rows) {
    QMimeData data;
    if (!row.text.isNull()) data.setText(row.text);
    QList<QUrl> urls;
    for (const QString& url : row.urls) urls << QUrl(url, QUrl::TolerantMode);
    if (!urls.isEmpty()) data.setUrls(urls);
    QStringList web, local;
    for (const ImageReceiver::Candidate& candidate : ImageReceiver::candidates(&data))
      (candidate.web ? web : local) << (candidate.web ? candidate.url.toString(QUrl::FullyEncoded)
                                                      : candidate.url.toLocalFile());
    EXPECT_EQ(web, row.web) << row.name;
    EXPECT_EQ(local, row.local) << row.name;
  }
}

TEST_F(ImageReceiverTest, ACancelDeliversOnceAndALaterPictureAfterAnEmptyCancel) {
  servePng("/late.png", 70, 70);
  // A cancel with the dropped image in hand delivers it; the larger one that arrives later is
  // not delivered a second time, and the fetch is not stopped.
  {
    QMimeData data;
    data.setImageData(filled(10, 10));
    data.setUrls({web("/late.png")});
    const QPointer<ImageReceiver> receiver = receive(data);
    pressCancel(receiver);
    ASSERT_EQ(window_.received.size(), 1);
    EXPECT_EQ(window_.received[0].size(), QSize(10, 10));
    ASSERT_TRUE(ended(receiver));
    EXPECT_EQ(window_.received.size(), 1);
    EXPECT_EQ(server_.exchanges(), QStringList({"HEAD /late.png", "GET /late.png"}));
  }
  // A cancel without a picture warns; the picture that arrives later is still delivered.
  window_.received.clear();
  {
    QMimeData data;
    data.setUrls({web("/late.png")});
    const QPointer<ImageReceiver> receiver = receive(data);
    pressCancel(receiver);
    EXPECT_EQ(warnings(), QStringList({"Image could not be opened"}));
    EXPECT_TRUE(window_.received.isEmpty());
    ASSERT_TRUE(ended(receiver));
    ASSERT_EQ(window_.received.size(), 1) << server_.exchanges().join(", ").toStdString();
    EXPECT_EQ(window_.received[0].size(), QSize(70, 70));
  }
  // A cancel without a picture, and fetches that end empty: the warning shows again.
  dialogs_.shown.clear();
  {
    QMimeData data;
    data.setUrls({web("/nothing.png")});
    const QPointer<ImageReceiver> receiver = receive(data);
    pressCancel(receiver);
    ASSERT_TRUE(ended(receiver));
    EXPECT_EQ(warnings(), QStringList({"Image could not be opened", "Image could not be opened"}));
  }
  EXPECT_EQ(window_.received.size(), 1);
}

TEST_F(ImageReceiverTest, DroppedImageBytesAreReadThroughTheGuardedReader) {
  struct Row {
    const char* name;
    const char* type;
    QByteArray bytes;
    QSize delivered;
  };
  const std::vector<Row> rows = {
      {"Png", "image/png", pngBytes(33, 22), QSize(33, 22)},
      {"Bomb", "image/png", zarvo_test::pngClaiming(30000, 30000), QSize()},
      {"Garbage", "image/png", "not an image", QSize()},
      {"CutShortJpeg", "image/jpeg", cutShortJpeg(), QSize()},
      {"FooterlessTga", "image/x-tga", footerlessTga(35, 21), QSize(35, 21)},
      {"FootedTgaWithAnId", "image/x-tga",
       zarvo_test::tgaOf(filled(31, 20), {24, false, true, "by a tool"}), QSize(31, 20)},
  };
  for (const Row& row : rows) {
    window_.received.clear();
    dialogs_.shown.clear();
    QMimeData data;
    data.setData(row.type, row.bytes);
    ASSERT_TRUE(ended(receive(data))) << row.name;
    if (row.delivered.isValid()) {
      ASSERT_EQ(window_.received.size(), 1) << row.name;
      EXPECT_EQ(window_.received[0].size(), row.delivered);
    } else {
      EXPECT_TRUE(window_.received.isEmpty()) << row.name;
      EXPECT_EQ(warnings(), QStringList({"Image could not be opened"})) << row.name;
    }
  }
}

TEST_F(ImageReceiverTest, TheDropEntryAcceptsWhatItCanUse) {
  struct Row {
    const char* name;
    std::function<void(QMimeData&)> fill;
    bool accepted;
    bool received;
  };
  const QUrl file = localPng("drop.png", 12, 12);
  const std::vector<Row> rows = {
      {"Urls", [&](QMimeData& d) { d.setUrls({file}); }, true, true},
      {"Image", [](QMimeData& d) { d.setImageData(filled(5, 5)); }, true, true},
      {"TextOnly", [](QMimeData& d) { d.setText("http://127.0.0.1:1/a.png"); }, true, false},
      {"Other", [](QMimeData& d) { d.setData("application/x-other", "x"); }, false, false},
  };
  for (const Row& row : rows) {
    window_.received.clear();
    QMimeData data;
    row.fill(data);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                     Qt::NoModifier);
    event.ignore();
    const QPointer<ImageReceiver> receiver = ImageReceiver::receiveDrop(&event, &window_);
    EXPECT_EQ(event.isAccepted(), row.accepted) << row.name;
    EXPECT_EQ(!receiver.isNull(), row.received) << row.name;
    ASSERT_TRUE(ended(receiver));
    EXPECT_EQ(window_.received.size(), row.received ? 1 : 0) << row.name;
  }
  EXPECT_TRUE(dialogs_.shown.isEmpty());
  EXPECT_TRUE(server_.exchanges().isEmpty());
}

// The warning of a drop that brought nothing says why after a blank line: the reason of the first
// candidate in the drop's order that failed, whenever it failed.
TEST_F(ImageReceiverTest, TheWarningGivesTheReasonOfTheFirstCandidateThatFailed) {
  const QString missing = files_.filePath(QStringLiteral("missing.png"));
  const QString cut = files_.filePath(QStringLiteral("cut.jpg"));
  ASSERT_TRUE(writeFile(cut, cutShortJpeg()));
  server_.setReply("/page.htm", reply("text/html", "<html></html>"));
  server_.setReply("/huge.png", reply("image/png", pngBytes(8, 8) + QByteArray(2 << 20, 'x')));
  const auto readError = [](const QString& path) { return PhotoReader::readFile(path).error; };
  struct Row {
    const char* name;
    QList<QUrl> urls;
    QByteArray imageBytes;  // image data in the drop, as PNG
    QString reason;
  };
  const std::vector<Row> rows = {
      {"MissingFile", {QUrl::fromLocalFile(missing)}, {}, readError(missing)},
      {"Folder", {QUrl::fromLocalFile(files_.path())}, {}, readError(files_.path())},
      {"CutShortJpeg", {QUrl::fromLocalFile(cut)}, {}, readError(cut)},
      {"ImageDataNotAPicture",
       {},
       "not an image",
       PhotoReader::readData("not an image", "png").error},
      // The status and the phrase the server gave with it ("Status" for all but 200 here).
      {"Http404", {web("/gone.png")}, {}, "The web server answered 404 Status."},
      {"NotAPicture",
       {web("/page.htm")},
       {},
       "The address does not lead to a picture: it serves \"text/html\"."},
      {"OverTheLimit", {web("/huge.png")}, {}, "The picture is larger than 1 MB."},
      // The file fails at once, the link only after its answer: the link is first in the drop.
      {"FirstInTheDropNotInTime",
       {web("/gone.png"), QUrl::fromLocalFile(missing)},
       {},
       "The web server answered 404 Status."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs_.shown.clear();
    QMimeData data;
    if (!row.imageBytes.isEmpty()) data.setData("image/png", row.imageBytes);
    if (!row.urls.isEmpty()) data.setUrls(row.urls);
    ASSERT_TRUE(ended(receive(data)));
    ASSERT_FALSE(row.reason.isEmpty());
    ASSERT_EQ(dialogs_.shown.size(), 1);
    EXPECT_EQ(dialogs_.shown[0].text.toStdString(),
              ("Image could not be opened\n\n" + row.reason).toStdString());
  }
  EXPECT_TRUE(window_.received.isEmpty());
}

TEST_F(ImageReceiverTest, ManyLinksStartABoundedNumberOfFetches) {
  QList<QUrl> urls;
  for (int i = 0; i < ImageReceiver::kMaxFetches + 4; ++i)
    urls << web(QString("/page%1.htm").arg(i));
  QMimeData data;
  data.setText("links");
  data.setUrls(urls);
  const int notFetched = logLinesWith("web addresses, not fetched").size();  // earlier drops'
  const QPointer<ImageReceiver> receiver = receive(data);
  EXPECT_EQ(receiver->fetchCount(), ImageReceiver::kMaxFetches);
  ASSERT_TRUE(ended(receiver));
  EXPECT_EQ(logLinesWith("web addresses, not fetched").size() - notFetched, 4);
  EXPECT_EQ(server_.exchanges().size(), ImageReceiver::kMaxFetches);
}

}  // namespace
