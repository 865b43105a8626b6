// Replays a harness's corpus with the normal compiler, so every seed and every finding that was
// added to the corpus runs in CTest (and under the sanitizers of the checked build) without
// libFuzzer.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  const QFileInfoList files = folder.entryInfoList(QDir::Files, QDir::Name);
  if (files.isEmpty()) {
    std::fprintf(stderr, "no corpus files in %s\n", argv[1]);
    return 1;
  }
  for (const QFileInfo& info : files) {
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "cannot read %s\n", qPrintable(info.filePath()));
      return 1;
    }
    const QByteArray bytes = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                           static_cast<size_t>(bytes.size()));
  }
  std::printf("%d corpus files replayed\n", int(files.size()));
  return 0;
}
