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
  CvKindStatus = 0,      // one status byte per pixel
  CvKindRgba8 = 1,       // four 8-bit channels, maximum 255
  CvKindRgba16 = 2,      // four 16-bit channels, maximum 65535
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
// The public part of a session; its address is the session handle.
struct CvSession;

// The status byte of one pixel of a status image (kind 0).
enum CvPixelStatus : uint8_t {
  CvStatusOutside = 0,     // not fully opaque when the status image was made
  CvStatusInPicture = 1,   // in the picture, no class
  CvStatusKeep = 2,        // mask generation keeps the pixel
  CvStatusDelete = 4,      // mask generation removes the pixel
  CvStatusBlend = 8,       // the third class
  CvStatusClassMask = 15,  // 1 | 2 | 4 | 8
  CvStatusFlagA = 16,      // flag outside the classes
  CvStatusFlagB = 32,      // second flag outside the classes
  CvStatusClassAndFlagB = 47,
  CvStatusClassAndFlags = 63,
  CvStatusMark64 = 64,  // temporary marks of mask generation, cleared before it returns
  CvStatusMark128 = 128,
};

// Bytes per pixel of a pixel-type code; 0 for an unknown code.
uint32_t CvBytesPerPixel(uint32_t kind);

// ---- Entry points. Each one shields the host from every exception and runs with no
// allocation-failure handler installed (an exhausted heap throws), restoring the host's own
// on the way out.

// A new engine, or null.
CvEngine* CvInit();
// Destroys the engine with every session and image still registered in it: 0, 4, 5, 7.
// A failed engine answers 5 and stays.
CvResult CvFinish(CvEngine* engine);
// A status image (kind 0, rows padded to 4 bytes) of the picture's size, 1 where the picture
// is fully opaque and 0 elsewhere; null for a bad engine or picture description.
CvImage* CvNewStatusImage(CvEngine* engine, CvImage picture);
// Only validates the image (0 or 9): status images live until CvFinish.
CvResult CvDeleteStatusImage(CvImage* image);
// Reduces a four-channel 8-bit picture by a factor of 1, 2, 4 or 8 with per-channel block
// medians: 0, 1 (bad descriptions), 4 ("Image too small"). Needs no engine.
CvResult CvScaleImage(CvImage source, CvImage destination);

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
