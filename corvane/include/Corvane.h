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
  CvKindRgbaHalf16 = 3,  // four 16-bit integer channels, maximum 32768 (not half floats)
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

// A selection in the host picture's coordinates: the rectangle x, y, width, height, and, when
// data is not null, a one-byte-per-pixel image (kind 0) of that size: the mask of a
// sub-session's selected area, or the statuses placed there by CvSetStatus. Its last row and
// column (y + height - 1, x + width - 1) must lie below INT32_MAX, and a selection with data
// must not have its corner at INT32_MIN; the entries refuse others as unreadable.
struct CvSelection {
  int32_t x;  // column of the top-left pixel
  int32_t y;  // row of the top-left pixel
  CvImage image;
};

// One outline found by the analysis: `count` points as (column, row) float pairs.
struct CvRegion {
  float* points;
  uint32_t count;
  uint32_t reserved;  // 0
};

struct CvVariable;

// The public part of a session; its address is the session handle. The host reads it after
// each operation, above all the changed rectangle.
struct CvSession {
  // The session's area in the host picture: the whole picture, or a sub-session's rectangle.
  int32_t x;
  int32_t y;
  uint32_t width;
  uint32_t height;
  // The area the last operation changed; all 0 when nothing changed.
  int32_t changedX;
  int32_t changedY;
  uint32_t changedWidth;
  uint32_t changedHeight;
  float tolerance;        // 1 - the proportion of "imageTol"
  int32_t edgeWidth;      // effective "inFocusEdgeWidth"
  uint32_t choices;       // effective "edgeContrast" (low byte), "textureFilter" (second byte)
  CvVariable* variables;  // the tuning variables' records; null without own variables
  uint32_t variableCount;
  uint32_t segmented;  // non-zero once an analysis produced a segmentation
  CvRegion* regions;
  uint32_t regionCount;
};

// The status byte of one pixel of a status image (kind 0).
enum CvPixelStatus : uint8_t {
  CvStatusOutside = 0,             // not fully opaque when the status image was made
  CvStatusInPicture = 1,           // in the picture, no class
  CvStatusKeep = 2,                // mask generation keeps the pixel
  CvStatusDelete = 4,              // mask generation removes the pixel
  CvStatusBlend = 8,               // the third class
  CvStatusClassMask = 15,          // 1 | 2 | 4 | 8
  CvStatusForcedEdge = 16,         // on a forced edge: the line the mask is cut sharply along
  CvStatusProtected = 32,          // under a protected patch; strokes leave it alone
  CvStatusClassAndProtected = 47,  // the class part and the protected bit
  CvStatusClassAndFlags = 63,      // the class part, forced edge and protected
  // Marks that "Generate mask" sets during a run and clears before it returns; a host never
  // finds them in a status image between calls.
  CvStatusHold = 64,          // pixel held: the passes leave it as it is
  CvStatusMatteRegion = 128,  // pixel of the current matting pass's region
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

// ---- Sessions. Each entry that runs a reporting operation reports through the callback and
// context given with that call; ending a session also reports 100 per cent through those given
// when it was created.

// A session on a four-channel 8-bit picture (kind 1, stride at least 4 × width); null for a
// bad engine or picture, or when creation fails or is cancelled.
CvSession* CvBeginSession(CvEngine* engine, CvImage picture, CvProgressCallback callback,
                          void* context);
// A sub-session over the selection's rectangle, clipped to the parent's area; its own tuning
// variables and analysis when ownVariables is non-zero, else the parent's analysis. Null for
// a bad parent, a null selection, a rectangle outside the parent, a mask that cannot be read,
// or when creation fails or is cancelled. The sub-session keeps a copy of the mask: the host
// may free its own once the call returns.
CvSession* CvBeginSubSession(CvSession* parent, const CvSelection* selection, int32_t ownVariables,
                             CvProgressCallback callback, void* context);
// Destroys the session, ending its remaining sub-sessions first: 0, 4, 5, 6, 7.
CvResult CvEndSession(CvSession* session, CvProgressCallback callback, void* context);

// ---- Analysis and brush strokes.

// Divides the session's picture into colour clusters and regions and rebuilds the region
// outlines (CvSession::regions): 0, 2, 3, 4, 5, 6, 7, 10 (a sub-session without its own
// tuning variables).
CvResult CvAnalyseImage(CvSession* session, CvProgressCallback callback, void* context);
// The entries that take a status image answer 9 for one that the session's own engine did not
// make.

// One brush stroke on the status image: the stroke is the selection's rectangle and, when it
// carries data, its non-zero bytes. `status` is the status painted and `target` the status a
// pixel must be compatible with; with `exclusive` set (the "local" brush) whole analysis
// regions touched by the stroke change, and `weight` (0..7) picks the colour level they come
// from (below 1: the segmentation's regions). 0, 1 (an unreadable stroke), 2, 3, 4, 5, 6, 7, 9,
// 10 (a region stroke on a session without a segmentation). The changed rectangle is in the
// session's public part.
CvResult CvSelect(CvSession* session, CvImage* statusImage, const CvSelection* stroke,
                  uint8_t status, uint8_t target, int32_t exclusive, float weight,
                  CvProgressCallback callback, void* context);

// ---- Clean-up of the last selection (the pending change a select left), each one undo step;
// both need an analysis of the session or of its parent.
// Floods the open pixels around the selection so that it follows the picture, then lays blend
// discs of `blend` × the local blend radius where the selection meets the rest: 0, 2, 3, 4, 5,
// 6, 7, 9, 10.
CvResult CvAutoComplex(CvSession* session, CvImage* statusImage, float blend,
                       CvProgressCallback callback, void* context);
// Gives the selection's status to the unassigned holes inside it that a square window of
// size + 1 pixels bridges (size 0: nothing): 0, 2, 3, 4, 5, 6, 7, 9, 10.
CvResult CvDespeckleSelection(CvSession* session, CvImage* statusImage, uint8_t size,
                              CvProgressCallback callback, void* context);

// Copies the placed statuses into the session's statuses for the status image, as one undo
// step, where both are non-zero. Only the low six bits of a label byte are read (class, forced
// edge, protected): 0, 1 (null or unreadable labels), 2, 3, 4, 5, 6, 7, 9.
CvResult CvSetStatus(CvSession* session, CvImage* statusImage, const CvSelection* labels,
                     CvProgressCallback callback, void* context);
// Copies the parent's statuses over a sub-session's rectangle, or the sub-session's statuses
// back into the parent: 0, 1 (not a sub-session), 2, 3, 4, 5, 6, 7, 9.
CvResult CvSetStatusFromParent(CvSession* subSession, CvImage* statusImage);
CvResult CvSetParentStatus(CvSession* subSession, CvImage* statusImage);

// Undo history in user-level steps, which CvCommitUndoStep opens before each user action.
CvResult CvUndo(CvSession* session, CvProgressCallback callback, void* context);  // 0,4-8
CvResult CvRedo(CvSession* session, CvProgressCallback callback, void* context);  // 0,4-8
CvResult CvNumAvailableUndo(CvSession* session, uint32_t* count);                 // 0,5,6,7
CvResult CvNumAvailableRedo(CvSession* session, uint32_t* count);                 // 0,5,6,7
CvResult CvCommitUndoStep(CvSession* session);                                    // 0,4-7
CvResult CvClearUndoRedo(CvSession* session);                                     // 0,4-7

// Stores the analysis parameters: tolerance 0..1, the in-focus edge width, and a word whose
// low byte is the edge contrast and second byte the texture filter: 0, 4, 5, 6, 7.
CvResult CvSetAnalysisParameters(CvSession* session, float tolerance, uint32_t edgeWidth,
                                 uint32_t choices);
// Sets a tuning variable from a proportion 0..1: 0, 1 (sub-session, unknown name, NaN), 4-7.
CvResult CvSetVariable(CvSession* session, const char* name, float proportion);
// Copies a tuning variable's record: 0, 1 (unknown name, no own variables), 4-7.
CvResult CvGetVariable(CvSession* session, const char* name, CvVariable* record);

// ---- Auto fill and "Generate mask".

// Gives every unassigned, unprotected pixel of the session the class opposite to `value`
// (2 or 4; bit 16 or 32 with 2 fills with 2) and lays a blend band along the border whose
// width follows the analysis's blend radii times `radiusFactor` (0: no band; before an
// analysis the band is left out). `reserved` is not read (pass 0). One undo step: 0, 2, 3,
// 4, 5, 6, 7, 9.
CvResult CvAutoFill(CvSession* session, CvImage* statusImage, uint32_t reserved, uint8_t value,
                    float radiusFactor, CvProgressCallback callback, void* context);

// A rectangle of the status image: x (column), y (row), width, height.
struct CvRect {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};

// A point of a forced edge in status-image coordinates: x along the columns, y along the rows;
// pixel (x, y) has its centre at (x + 0.5, y + 0.5).
struct CvEdgePoint {
  float x;
  float y;
};

// A forced edge: the user's polyline along which the mask must be cut sharply. A polyline
// whose first and last points are equal is closed. Edges with fewer than two distinct
// consecutive points are dropped.
struct ForcedEdgeRequest {
  const CvEdgePoint* points;  // pointCount points; may be null only when pointCount is 0
  uint32_t pointCount;
  float width;  // edge width in status-image pixels
};

// An override colour of a patch. The bytes are stored blue, green, red, in this order.
struct CvOverrideColour {
  uint8_t blue;
  uint8_t green;
  uint8_t red;
};

// Patch modes of MaskPatchRequest::mode.
enum : uint8_t {
  CvPatchPlain = 0,     // blend ratio patch
  CvPatchChoices = 1,   // palette matting with two detail values
  CvPatchMembrane = 3,  // colours spread from each class
};

// A patch: an area of the status image with its own way of making the mask.
struct MaskPatchRequest {
  // The patch's area in status-image coordinates and, when data is not null, its mask image
  // over that area: kind 0 one byte per pixel (non-zero belongs to the patch), kind 1 four
  // bytes per pixel (belongs to the patch where the fourth byte, alpha, is not 0). Without
  // data the whole rectangle belongs to the patch.
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
  int32_t stride;  // bytes from one mask row to the next
  int32_t kind;
  const void* data;
  uint8_t isActive;          // non-zero: only this patch is generated, over its area
  uint32_t fgOverrideCount;  // 0 or 1
  uint32_t bgOverrideCount;  // 0 or 1
  CvOverrideColour fgOverride;
  CvOverrideColour bgOverride;
  float blendRatio;  // 0..1 for a plain patch; 0 for choices and membrane patches
  uint8_t mode;      // CvPatchPlain, CvPatchChoices or CvPatchMembrane
  float param1;      // choices: foreground detail 0..1; membrane: the membrane value 0..1
  float param2;      // choices: background detail 0..1; membrane: > 0.5 for a uniform background
};

// "Generate mask": writes the cut-out of the session's statuses into `output` over the
// rectangle (status-image coordinates, null for the whole image) scaled to the output: colour
// with the background removed along the blended edges, and alpha.
//
// The caller pre-fills `output` with the source picture: pixels the statuses decide fully are
// written, but pixels whose source alpha is below the maximum keep whatever the output held,
// and where the session holds only class 4 the output keeps its own colours with alpha 0.
// `output` and `source` have the same kind (1, 2 or 3) and the source covers the output's
// area; the output is a multiple (about 1, 2, 4 or 8) of the status image's size, which is the
// session's picture size. The output is written only when the answer is 0.
//
// Unassigned pixels are given a class first (an auto fill). Over the whole image that fill
// stays in the session's statuses as an undo step of its own in the session's history; for a
// rectangle that leaves part of the image out it is undone before the call returns.
//
// Progress goes to corvaneProgressCallback with a null context; `callback` and `context` are
// not read. Answers 0, 1 (bad descriptions or records), 2, 3, 4, 5, 6, 7, 9, 10 (the session
// has no analysis to take blend radii from).
CvResult CvGenerateMask(CvSession* session, const CvRect* rect, CvImage output, CvImage source,
                        CvImage* statusImage, const ForcedEdgeRequest* forcedEdges,
                        uint32_t forcedEdgeCount, float blendWidth, float blendRatio,
                        const MaskPatchRequest* patches, uint32_t patchCount,
                        CvProgressCallback callback, void* context);

// The number of worker threads the engine's parallel stages start: the processor count
// unless limited here (0 removes the limit). Results do not depend on it.
void corvaneSetWorkerLimit(uint32_t workers);
