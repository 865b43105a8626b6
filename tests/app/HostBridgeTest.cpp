// The "--gp" bridge in this process: the argument checks, and TsAppStandAlone reading a host's
// memfds through the four copies and handing the result back.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <QTimer>

#include "app/AppIdentity.h"
#include "app/HostBridge.h"
#include "app/TsAppStandAlone.h"
#include "document/TsSourceImage.h"
#include "support/AppTestSupport.h"
#include "support/FakeAppDialogs.h"

namespace {

// A memfd holding `bytes` (padded with zeros to `size` when that is larger); closed with it.
struct Memory {
  explicit Memory(const QByteArray& bytes, qint64 size = -1) {
    fd = memfd_create("zarvo-test", 0);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, size >= 0 ? size : bytes.size()), 0);
    EXPECT_EQ(pwrite(fd, bytes.constData(), size_t(bytes.size()), 0), bytes.size());
  }
  ~Memory() {
    if (fd >= 0) close(fd);
  }
  QByteArray hex() const { return QByteArray::number(fd, 16); }
  // The application object closes the descriptors it accepted: it is no longer ours.
  void handOver() { fd = -1; }
  int fd = -1;
};

// Host pixels of `w` x `h`, every sample distinct: 8-bit bytes, or 16-bit samples in `little` or
// big-endian order from a running counter below 32768.
QByteArray hostPixels(int w, int h, int bits, bool little, int seed) {
  QByteArray bytes;
  for (int i = 0; i < w * h * 4; ++i) {
    const int v = (i * 37 + seed * 101) % (bits == 8 ? 256 : 32768);
    if (bits == 8) {
      bytes.append(char(v));
    } else {
      bytes.append(char(little ? v & 0xFF : v >> 8));
      bytes.append(char(little ? v >> 8 : v & 0xFF));
    }
  }
  return bytes;
}

// The nine arguments of a "--gp" command line.
struct CommandLine {
  CommandLine(const QByteArray& second, const QByteArray& first, const QByteArray& w,
              const QByteArray& h, const QByteArray& bits, const QByteArray& order)
      : texts{"zarvo", "--gp", second, first, w, h, bits, order, "photo"} {
    for (QByteArray& text : texts) pointers.push_back(text.constData());
    pointers.push_back(nullptr);
  }
  int argc() const { return 9; }
  const char* const* argv() const { return pointers.data(); }
  std::vector<QByteArray> texts;
  std::vector<const char*> pointers;
};

uint16_t sample16(const QByteArray& bytes, int index, bool little) {
  const uint8_t a = uint8_t(bytes[index * 2]), b = uint8_t(bytes[index * 2 + 1]);
  return little ? uint16_t(a | b << 8) : uint16_t(a << 8 | b);
}

TEST(HostArguments, AreRefusedUnlessEveryOneHoldsUp) {
  const QByteArray pixels = hostPixels(4, 3, 8, true, 1);
  Memory first(pixels), second(pixels), shortOne(pixels.left(47));
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const QByteArray pipeHex = QByteArray::number(pipeEnds[0], 16);
  const int closedFd = dup(first.fd);
  close(closedFd);
  const QByteArray closedHex = QByteArray::number(closedFd, 16);
  struct Row {
    const char* name;
    QByteArray second, first, w, h, bits;
    const char* reason;  // empty: accepted
  };
  const QByteArray s = second.hex(), f = first.hex();
  const Row rows[] = {
      {"accepted", s, f, "4", "3", "8", ""},
      {"upperCaseHex", s, f.toUpper(), "4", "3", "8", ""},
      {"notHex", "zz", f, "4", "3", "8", "is not a hexadecimal number"},
      {"negativeHandle", "-" + s, f, "4", "3", "8", "is not a hexadecimal number"},
      {"hugeHandle", "100000000" + s, f, "4", "3", "8", "is not a hexadecimal number"},
      {"closedDescriptor", s, closedHex, "4", "3", "8", "names no open descriptor"},
      {"pipe", s, pipeHex, "4", "3", "8", "is not shared memory"},
      {"sameTwice", f, f, "4", "3", "8", "both handles name"},
      {"shortMapping", shortOne.hex(), f, "4", "3", "8", "is shorter than the 48"},
      {"sixteenBitsNeedTwice", s, f, "4", "3", "16", "is shorter than the 96"},
      {"zeroWidth", s, f, "0", "3", "8", "is not 1 to 65535"},
      {"negativeHeight", s, f, "4", "-3", "8", "is not 1 to 65535"},
      {"signedWidth", s, f, "+4", "3", "8", "is not 1 to 65535"},
      {"spaceInWidth", s, f, "4 ", "3", "8", "is not 1 to 65535"},
      {"wideSide", s, f, "65536", "1", "8", "is not 1 to 65535"},
      {"tooManyPixels", s, f, "65535", "65535", "8", "are more than 100000000"},
      {"twelveBits", s, f, "4", "3", "12", "are neither 8 nor 16"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const CommandLine line(row.second, row.first, row.w, row.h, row.bits, "little");
    GpArguments arguments;
    QString refusal;
    const bool accepted = parseGpArguments(line.argc(), line.argv(), arguments, &refusal);
    EXPECT_EQ(accepted, *row.reason == '\0') << qPrintable(refusal);
    if (!accepted) {
      EXPECT_TRUE(refusal.contains(QLatin1String(row.reason))) << qPrintable(refusal);
    }
  }
  close(pipeEnds[0]);
  close(pipeEnds[1]);
}

class SharedMemoryInput : public ::testing::Test {
 protected:
  // Ends an event loop of the application object normally, as an accepted close does.
  static void endLoopNormally(TsAppStandAlone& app) {
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    app.run();
  }
  FakeAppDialogs dialogs;
};

// The host's view of its memories, kept through descriptors of its own (the application object
// closes the ones it was given).
struct HostSide {
  HostSide(const QByteArray& firstPixels, const QByteArray& secondPixels)
      : first(firstPixels),
        second(secondPixels),
        firstFd(dup(first.fd)),
        secondFd(dup(second.fd)) {}
  ~HostSide() {
    close(firstFd);
    close(secondFd);
  }
  static QByteArray read(int fd) {
    QByteArray all(int(lseek(fd, 0, SEEK_END)), '\0');
    EXPECT_EQ(pread(fd, all.data(), size_t(all.size()), 0), all.size());
    return all;
  }
  QByteArray firstNow() const { return read(firstFd); }
  QByteArray secondNow() const { return read(secondFd); }
  // Starts `app` on both memories, `w` x `h` at `bits` in `order`; once read, the descriptors
  // given are the application object's.
  bool handTo(TsAppStandAlone& app, const char* w, const char* h, const char* bits,
              const char* order) {
    const CommandLine line(second.hex(), first.hex(), w, h, bits, order);
    if (!app.readSharedMemoryInput(line.argc(), line.argv())) return false;
    first.handOver();
    second.handOver();
    return true;
  }
  Memory first, second;
  int firstFd, secondFd;
};

TEST_F(SharedMemoryInput, EightBitPixelsArriveAsBgraAndGoBackAsRgba) {
  const QByteArray firstPixels = hostPixels(5, 4, 8, true, 1);
  const QByteArray secondPixels = hostPixels(5, 4, 8, true, 2);
  HostSide host(firstPixels, secondPixels);
  {
    TsAppStandAlone app(TsApp::SharedMemory);
    ASSERT_TRUE(host.handTo(app, "5", "4", "8", "little"));
    ASSERT_NE(app.sourceImage(), nullptr);
    EXPECT_EQ(app.sourceImage()->fileName(), "photo");
    const QImage seen = app.sourceImage()->displayImage();
    ASSERT_EQ(seen.size(), QSize(5, 4));
    const auto at = [](const QByteArray& b, int i) { return uint8_t(b[i]); };
    EXPECT_EQ(seen.pixel(3, 2), qRgba(at(firstPixels, 52), at(firstPixels, 53), at(firstPixels, 54),
                                      at(firstPixels, 55)));
    EXPECT_EQ(
        app.secondImage()->displayImage().pixel(0, 0),
        qRgba(at(secondPixels, 0), at(secondPixels, 1), at(secondPixels, 2), at(secondPixels, 3)));
    // The result painted into the second image's own pixels, as the cut-out is.
    const QImage result = app.secondImage()->displayImage();
    reinterpret_cast<QRgb*>(const_cast<uchar*>(result.constBits()))[0] = qRgba(1, 2, 3, 4);
    app.setHostExitCode(0);
    endLoopNormally(app);
    EXPECT_TRUE(dialogs.shown.isEmpty());
  }
  EXPECT_EQ(host.secondNow(), QByteArray("\x01\x02\x03\x04", 4) + secondPixels.mid(4));
  EXPECT_EQ(host.firstNow(), firstPixels);
}

TEST_F(SharedMemoryInput, SixteenBitsAreReadInBothOrdersAndGoBackInTheHostsOrder) {
  for (const bool little : {true, false}) {
    SCOPED_TRACE(little ? "little" : "big");
    const QByteArray firstPixels = hostPixels(3, 2, 16, little, 3);
    const QByteArray secondPixels = hostPixels(3, 2, 16, little, 4);
    HostSide host(firstPixels, secondPixels);
    {
      TsAppStandAlone app(TsApp::SharedMemory);
      ASSERT_TRUE(host.handTo(app, "3", "2", "16", little ? "little" : "big"));
      const kestrum::PixelView64& firstBuffer = app.sourceImage()->masterView64();
      const kestrum::PixelView64& secondBuffer = app.secondImage()->masterView64();
      for (int x = 0; x < 3; ++x) {
        for (int c = 0; c < 4; ++c) {
          const int hostChannel = c == 0 ? 2 : c == 2 ? 0 : c;
          EXPECT_EQ(firstBuffer.at(x, 1).channel[c],
                    sample16(firstPixels, (3 + x) * 4 + hostChannel, little));
          EXPECT_EQ(secondBuffer.at(x, 1).channel[c],
                    sample16(secondPixels, (3 + x) * 4 + hostChannel, little));
        }
      }
      // A big-endian host finds its first memory little-endian afterwards; a little one
      // untouched.
      const QByteArray firstNow = host.firstNow();
      for (int i = 0; i < 24; ++i)
        EXPECT_EQ(sample16(firstNow, i, true), sample16(firstPixels, i, little)) << i;
      secondBuffer.at(2, 1).channel[0] = 12345;  // blue of the last pixel
      app.setHostExitCode(0);
      endLoopNormally(app);
    }
    const QByteArray secondNow = host.secondNow();
    for (int i = 0; i < 24; ++i) {
      const uint16_t expected = i == 22 ? 12345 : sample16(secondPixels, i, little);
      EXPECT_EQ(sample16(secondNow, i, little), expected) << i;
    }
  }
}

TEST_F(SharedMemoryInput, NothingGoesBackUnlessTheRunEndedWithCodeZero) {
  struct Row {
    const char* name;
    int hostExitCode;
    bool loopEnds;
    bool writes;
  };
  const Row rows[] = {{"handedBack", 0, true, true},
                      {"discarded", 1, true, false},
                      {"nothingToSave", 2, true, false},
                      {"exception", 0, false, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QByteArray pixels = hostPixels(2, 2, 8, true, 5);
    HostSide host(pixels, pixels);
    {
      TsAppStandAlone app(TsApp::SharedMemory);
      ASSERT_TRUE(host.handTo(app, "2", "2", "8", "little"));
      // The first pixel made opaque white in the second buffer.
      QImage result = app.secondImage()->displayImage();
      reinterpret_cast<QRgb*>(const_cast<uchar*>(result.constBits()))[0] = 0xFFFFFFFFu;
      app.setHostExitCode(row.hostExitCode);
      if (row.loopEnds) endLoopNormally(app);
      EXPECT_EQ(app.hostResult(), row.hostExitCode);
    }
    EXPECT_EQ(host.secondNow().startsWith("\xFF\xFF\xFF\xFF"), row.writes);
    EXPECT_EQ(host.secondNow().mid(4), pixels.mid(4));
    EXPECT_EQ(host.firstNow(), pixels);
  }
}

TEST_F(SharedMemoryInput, ARefusedInputLogsWarnsMapsNothingAndEndsWithTwo) {
  const QByteArray pixels = hostPixels(4, 4, 16, false, 6);
  HostSide host(pixels, pixels.left(40));
  {
    TsAppStandAlone app(TsApp::SharedMemory);
    EXPECT_FALSE(host.handTo(app, "4", "4", "16", "big"));
    EXPECT_EQ(app.sourceImage(), nullptr);
    EXPECT_EQ(app.secondImage(), nullptr);
    app.setHostExitCode(0);
    endLoopNormally(app);
    EXPECT_EQ(app.hostResult(), 2);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].title, productName());
    EXPECT_TRUE(dialogs.shown[0].text.contains("shorter than the 128"));
    EXPECT_FALSE(
        logLinesWith("Shared memory input refused: a shared memory of 40 bytes").isEmpty());
  }
  EXPECT_EQ(host.firstNow(), pixels) << "not even the first memory is swapped";
  EXPECT_EQ(host.secondNow(), pixels.left(40));
}

}  // namespace
