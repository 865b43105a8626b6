#include "kestrum/qt/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// libjpeg reports errors by longjmp. Only the three small functions below call it, each arming
// the jump itself, so no error lands in a frame that has returned; they hold nothing but plain C
// data, so no C++ object is ever skipped by the jump.

namespace kestrum {

namespace {

constexpr long long kMaxPixels = 100'000'000;

struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void leave(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void quiet(j_common_ptr) {}

// Sets the decompression up; false when libjpeg could not (no memory for its pools).
bool create(jpeg_decompress_struct* info, ErrorManager* error) {
  if (setjmp(error->jump)) return false;
  jpeg_create_decompress(info);
  return true;
}

// Reads the header and starts the decompression; false on bad data.
bool start(jpeg_decompress_struct* info, ErrorManager* error, const unsigned char* data,
           unsigned long size) {
  if (setjmp(error->jump)) return false;
  jpeg_mem_src(info, data, size);
  jpeg_read_header(info, TRUE);
  info->out_color_space = JCS_EXT_BGRA;  // the bytes of Format_ARGB32 on little-endian
  jpeg_start_decompress(info);
  return info->output_components == 4;
}

// One row into `row`; false on bad data.
bool readRow(jpeg_decompress_struct* info, ErrorManager* error, unsigned char* row) {
  if (setjmp(error->jump)) return false;
  JSAMPROW rows[1] = {row};
  return jpeg_read_scanlines(info, rows, 1) == 1;
}

}  // namespace

QImage decodeJpeg(const QByteArray& bytes, const std::function<bool()>& stop) {
  if (bytes.isEmpty()) return QImage();
  // Zeroed: a set-up that fails early leaves no pool pointer for the destruction to follow.
  jpeg_decompress_struct info{};
  ErrorManager error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = leave;
  error.manager.output_message = quiet;
  QImage image;
  if (create(&info, &error) &&
      start(&info, &error, reinterpret_cast<const unsigned char*>(bytes.constData()),
            static_cast<unsigned long>(bytes.size())) &&
      (long long)info.output_width * info.output_height <= kMaxPixels) {
    image = QImage(int(info.output_width), int(info.output_height), QImage::Format_ARGB32);
    bool complete = !image.isNull();
    uchar* pixels = complete ? image.bits() : nullptr;
    while (complete && info.output_scanline < info.output_height) {
      if (stop()) {
        complete = false;
        break;
      }
      complete =
          readRow(&info, &error, pixels + std::size_t(info.output_scanline) * image.bytesPerLine());
    }
    if (!complete) image = QImage();
  }
  jpeg_destroy_decompress(&info);
  return image;
}

}  // namespace kestrum
