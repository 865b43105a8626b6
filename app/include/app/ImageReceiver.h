#pragma once

#include <memory>

#include <QDropEvent>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include "app/NetworkImageGetter.h"
#include "kestrum/qt/NamedImage.h"

class QMimeData;
class QProgressDialog;
class QWidget;

// One drop turned into one picture, the largest it leads to: image data, local files (read at
// once) and web addresses (fetched, with a progress dialog while fetches run). Every picture that
// comes as bytes is read as an opened photo is (PhotoReader), so that no larger picture than
// 1280 pixels a side is made of them; "largest" compares the sizes they came at. The receiver
// delivers bestImage() at most once, shows "Image could not be opened" when nothing usable came,
// and deletes itself when its last fetch has ended.
//
// A cancel in the progress dialog delivers the best picture so far at once; the fetches still
// running go on, and one that brings a picture after a cancel without one still delivers it.
//
// One box at a time: while a box or dialog is open (appDialogOpen(): a question, a message, the
// export or open dialog, the receiver's own warning), no drop is taken, and a receiver whose
// fetches end then hands nothing on and warns of nothing. Its picture would open under the box,
// or its question stack over it. Both refusals are logged.
// GUI thread only.
class ImageReceiver : public QObject {
  Q_OBJECT

 public:
  // Fetches started by one drop; the addresses beyond are logged and left out.
  static constexpr int kMaxFetches = 16;
  // Addresses carried in the query of an address carried in a query ... are followed this deep.
  static constexpr int kMaxNesting = 8;

  // An address a drop leads to: a web address to fetch, or a local file to read.
  struct Candidate {
    QUrl url;
    bool web;
  };

  // The drop entry of both canvases. Accepts the proposed action when the drop carries URLs, an
  // image or text; a drop with URLs or an image is then received for `window` (a class with the
  // slot receivedImageSlot(NamedImage), also the warning's parent). Answers the receiver, or null
  // for a drop that carries only text or nothing of these. The receiver may already be delivered
  // and scheduled for deletion: use it only before control returns to the event loop.
  template <class Window>
  static ImageReceiver* receiveDrop(QDropEvent* event, Window* window) {
    return acceptDrop(event) ? receive(event->mimeData(), window) : nullptr;
  }

  // A receiver for `data` whose picture goes to window->receivedImageSlot(NamedImage); deletes
  // itself after its end. Answers it, with the same caution as receiveDrop.
  template <class Window>
  static ImageReceiver* receive(const QMimeData* data, Window* window,
                                NetworkImageGetter::Limits limits = {}) {
    auto* receiver = new ImageReceiver(data, window, limits);
    connect(receiver, &ImageReceiver::bestImage, window, &Window::receivedImageSlot);
    connect(receiver, &ImageReceiver::finished, receiver, &QObject::deleteLater);
    receiver->start();
    return receiver;
  }

  // Accepts the drop's proposed action when it carries URLs, an image or text; answers whether
  // it is to be received (URLs or an image). While a box is open the drop is ignored.
  static bool acceptDrop(QDropEvent* event);

  // Collects the candidates of `data`: its image data becomes the first best picture, local
  // files are read, web fetches are started. `window` (borrowed, may be null) parents the
  // warning. Nothing is delivered before start().
  ImageReceiver(const QMimeData* data, QWidget* window, NetworkImageGetter::Limits limits = {});
  ~ImageReceiver() override;

  // Opens the progress dialog when fetches run, then possiblyFinished().
  void start();

  // The addresses that the text and the URL list of `data` lead to, in order, without fetching
  // or reading anything. An address with a query is never a candidate itself: the values of its
  // query items that hold both "." and ":" are considered instead.
  static QList<Candidate> candidates(const QMimeData* data);
  // The image data of a drop, read as an opened photo is when the drop carries encoded image
  // bytes (the drop's type names their format), else the decoded picture as it is; null when
  // there is none that decodes.
  static NamedImage dropImage(const QMimeData* data);

  const NamedImage& best() const { return best_; }
  // The picture was handed on, or refused as a box was open: nothing more comes of the drop.
  bool isDelivered() const { return delivered_; }
  // Exists while fetches run and the receiver lives.
  QProgressDialog* progressDialog() const { return progress_.get(); }
  int fetchCount() const { return getters_.size(); }

 signals:
  void bestImage(NamedImage image);
  void finished();

 public slots:
  void imageReceivedSlot(NamedImage image);
  // Delivers the best picture so far (or warns); running fetches are not stopped.
  void cancelSlot();
  void possiblyFinished();

 private:
  void fetch(const QUrl& url, NetworkImageGetter::Limits limits);
  void readLocalFile(const QUrl& url);
  void deliver();

  NamedImage best_;
  QList<QPointer<NetworkImageGetter>> getters_;
  std::unique_ptr<QProgressDialog> progress_;
  bool delivered_ = false;
  bool finished_ = false;
  QPointer<QWidget> window_;
};
