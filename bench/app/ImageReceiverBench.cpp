// A 12-megapixel PNG dropped as a link to a loopback server, from the drop to the picture handed
// to the window, against 1.5 s: HEAD, GET of the whole body, and the guarded decode.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QRandomGenerator>
#include <QWidget>

#include "app/ImageReceiver.h"
#include "support/LoopbackHttpServer.h"

namespace {

class Window : public QWidget {
 public:
  int received = 0;
  void receivedImageSlot(NamedImage) { ++received; }
};

// A photo-like picture: smooth shading with a little noise, so the PNG is of a photo's size.
QByteArray photoPng() {
  QImage photo(4000, 3000, QImage::Format_RGB32);
  QRandomGenerator noise(7);
  for (int y = 0; y < photo.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < photo.width(); ++x) {
      const int n = int(noise.bounded(8));
      line[x] = qRgb((x / 16 + n) & 255, (y / 12 + n) & 255, ((x + y) / 28 + n) & 255);
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  photo.save(&buffer, "PNG", 1);
  return bytes;
}

void BM_DroppedLink12MP(benchmark::State& state) {
  LoopbackHttpServer server;
  LoopbackHttpServer::Reply reply;
  reply.contentType = "image/png";
  reply.body = photoPng();
  server.setReply(QStringLiteral("/photo.png"), reply);
  const QUrl link(QStringLiteral("http://127.0.0.1:%1/photo.png").arg(server.port()));
  Window window;
  for (auto _ : state) {
    QMimeData data;
    data.setUrls({link});
    const int before = window.received;
    ImageReceiver::receive(&data, &window);
    QElapsedTimer safety;
    safety.start();
    while (window.received == before && safety.elapsed() < 30000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (window.received == before) state.SkipWithError("no picture");
  }
  state.counters["png_MB"] = reply.body.size() / 1e6;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

BENCHMARK(BM_DroppedLink12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
