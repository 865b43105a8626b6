#pragma once

// The public interface of the Corvane masking engine: plain records, opaque handles and
// free functions answering result codes. Nothing here depends on Qt.

#include <cstdint>

// A 32-bit result code: 0 ok, 1 precondition failed, 2 cancelled (rolled back), 3 out of
// memory (rolled back, engine usable), 4 an exception was caught (engine marked failed),
// 5 the engine failed earlier, 6 invalid session handle, 7 invalid signature, 8 out of memory
// during undo or redo (engine marked failed), 9 invalid image handle, 10 the operation needs
// a segmentation the session does not have.
typedef uint32_t CvResult;

enum : CvResult {
  CvOk = 0,
  CvPreconditionFailed = 1,
  CvCancelled = 2,
  CvOutOfMemory = 3,
  CvException = 4,
  CvEngineFailed = 5,
  CvInvalidSession = 6,
  CvInvalidSignature = 7,
  CvUndoOutOfMemory = 8,
  CvInvalidImage = 9,
  CvNeedsSegmentation = 10,
};

// The host's progress function: percent 0..100 and the context given with the call;
// a reply of 2 asks the engine to stop.
typedef int32_t (*CvProgressCallback)(uint8_t percent, void* context);

// Pixel-type codes of CvImage::kind.
enum : uint32_t {
  CvKindStatus = 0,   // one status byte per pixel
  CvKindRgba8 = 1,    // four 8-bit channels, maximum 255
  CvKindRgba16 = 2,   // four 16-bit channels, maximum 65535
  CvKindRgbaHalf16 = 3,  // four 16-bit channels, maximum 32768
};

// A plain image description; channels 0..2 are colour, channel 3 alpha. The stride counts
// bytes from one row to the next.
struct CvImage {
  uint32_t width;
  uint32_t height;
  uint32_t stride;
  uint32_t kind;
  void* data;
};

// The engine object; its address is the engine handle.
struct CvEngine;

// Bytes per pixel of a pixel-type code; 0 for an unknown code.
uint32_t CvBytesPerPixel(uint32_t kind);

// The host's engine progress function, through which "Generate mask" reports (with a null
// context). The host installs it with corvaneSetProgressFunction; while none is installed
// it answers 0 and reports nowhere.
int32_t corvaneProgressCallback(uint8_t percent, void* context);
void corvaneSetProgressFunction(CvProgressCallback function);

// A tuning variable as the host reads it. The table that owns the variable owns both texts;
// they stay valid until the variable's texts are next refreshed or the session ends.
struct CvVariable {
  float proportion;  // clamped into 0..1
  const char* name;  // zero-terminated
  const char* text;  // zero-terminated display text; "*" marks a change since the last analysis
};
