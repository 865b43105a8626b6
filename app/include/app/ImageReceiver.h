#pragma once

#include <QDropEvent>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QUrl>

#include "app/NetworkImageGetter.h"
#include "kestrum/qt/NamedImage.h"

class QMimeData;
class QWidget;

// One drop turned into one picture, the largest it leads to: image data, local files (read at
// once) and web addresses (fetched, with a progress dialog while fetches run). Every picture that
// comes as bytes is read as an opened photo is (PhotoReader), so that no larger picture than
// 1280 pixels a side is made of them; "largest" compares the sizes they came at. The receiver
// delivers bestImage() at most once, shows "Image could not be opened" when nothing usable came,
// and deletes itself when its last fetch has ended. The box gives, after a blank line, why the
// first candidate in the drop's order that failed brought no picture: the order is the user's,
// where the order fetches end in is the network's, and the first is the one most likely meant.
//
// The receiver is the window's child and its progress dialog the window's too: a close of the
// window abandons the fetches and leaves no window that would keep the run alive.
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
  // files are read, web fetches are started. `window` (may be null) parents the receiver, its
  // progress dialog and the warning. Nothing is delivered before start().
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
  // there is none that decodes, and then `reason` (may be null) says why the first did not.
  static NamedImage dropImage(const QMimeData* data, QString* reason = nullptr);

  const NamedImage& best() const { return best_; }
  // The picture was handed on, or refused as a box was open: nothing more comes of the drop.
  bool isDelivered() const { return delivered_; }
  // Exists while fetches run and the receiver lives.
  QProgressDialog* progressDialog() const { return progress_; }
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
  // `order`: the candidate's place in the drop, which ranks its failure's reason.
  void fetch(const QUrl& url, NetworkImageGetter::Limits limits, int order);
  void readLocalFile(const QUrl& url, int order);
  void deliver();

  NamedImage best_;
  QList<QPointer<NetworkImageGetter>> getters_;
  // Owned; null once the window that parents it has deleted it.
  QPointer<QProgressDialog> progress_;
  // Why each failed candidate brought no picture, by its place in the drop (0: the image data).
  QMap<int, QString> failures_;
  bool delivered_ = false;
  bool finished_ = false;
  QPointer<QWidget> window_;
};
