// The document's project state to bytes and back, for a document opened from a 12-megapixel
// JPEG (held at 1280 pixels a side, as files are) against 1 s each way, and for a dropped
// 12-megapixel image held whole, where Qt writes each of the two images into the stream as a
// PNG. "Back" is measured twice: the read and parse that checks a file, and the whole restore
// until the new session has begun.

#include <benchmark/benchmark.h>

#include <memory>

#include <QImageWriter>
#include <QTemporaryDir>
#include <QUrl>

#include "BenchTeardown.h"
#include "DocumentBenchSupport.h"
#include "document/GmModel.h"
#include "document/KeyedStateReader.h"
#include "document/ParsedDocument.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/NamedImage.h"

namespace {

enum Source { FromFile = 0, Dropped = 1 };

// One open document at a time, from `source`, with its stored bytes.
struct OpenDocument {
  explicit OpenDocument(Source source) {
    quietLog();
    thread = std::make_unique<CorvaneThread>();
    model = GmModel::instance();
    const QImage photo = subjectOnGround(4000, 3000);
    TsSourceImage* image = nullptr;
    if (source == FromFile) {
      const QString path = folder.filePath(QStringLiteral("photo.jpg"));
      QImageWriter writer(path, "jpeg");
      writer.setQuality(90);
      writer.write(photo);
      image = new TsSourceImage(path);
    } else {
      image = new TsSourceImage(NamedImage(photo, QUrl(QStringLiteral("file:///dropped.png"))));
    }
    model->setSourceImage(image);
    waitIdle(thread.get());
    bytes = keyedStateToBytes(model->toVariant());
  }
  ~OpenDocument() {
    GmModel::destroyInstance();
    waitIdle(thread.get());
    thread.reset();
  }

  QTemporaryDir folder;
  std::unique_ptr<CorvaneThread> thread;
  GmModel* model = nullptr;
  QByteArray bytes;
};

OpenDocument& documentFrom(Source source) {
  static std::unique_ptr<OpenDocument> open;
  static Source openSource = FromFile;
  static bool registered = false;
  if (!open || openSource != source) {
    open.reset();
    open = std::make_unique<OpenDocument>(source);
    openSource = source;
  }
  if (!registered) {
    registered = true;
    atBenchTeardown([] { open.reset(); });
  }
  return *open;
}

void describe(benchmark::State& state, const OpenDocument& document) {
  const QSize size = document.model->segImage()->displayImage().size();
  state.counters["image_megapixels"] = size.width() * double(size.height()) / 1e6;
  state.counters["stored_MB"] = document.bytes.size() / 1e6;
}

void BM_ProjectStateToBytes(benchmark::State& state, Source source) {
  OpenDocument& document = documentFrom(source);
  for (auto _ : state) benchmark::DoNotOptimize(keyedStateToBytes(document.model->toVariant()));
  describe(state, document);
}

void BM_ProjectStateReadAndParse(benchmark::State& state, Source source) {
  OpenDocument& document = documentFrom(source);
  for (auto _ : state) {
    std::unique_ptr<ParsedDocument> parsed =
        GmModel::parseDocumentMap(keyedStateFromBytes(document.bytes));
    if (!parsed) state.SkipWithError("the stored document was refused");
  }
  describe(state, document);
}

void BM_ProjectStateRestoreToSession(benchmark::State& state, Source source) {
  OpenDocument& document = documentFrom(source);
  for (auto _ : state) {
    if (!document.model->fromVariant(keyedStateFromBytes(document.bytes)))
      state.SkipWithError("the stored document was refused");
    waitIdle(document.thread.get());
  }
  describe(state, document);
}

BENCHMARK_CAPTURE(BM_ProjectStateToBytes, file_12MP, FromFile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_ProjectStateReadAndParse, file_12MP, FromFile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_ProjectStateRestoreToSession, file_12MP, FromFile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_ProjectStateToBytes, dropped_12MP_whole, Dropped)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_ProjectStateReadAndParse, dropped_12MP_whole, Dropped)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_ProjectStateRestoreToSession, dropped_12MP_whole, Dropped)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
