#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "Corvane.h"
#include "classification/BoundaryTracing.h"
#include "classification/IiClassification.h"
#include "engine/CvInImage.h"
#include "engine/CvInProgress.h"
#include "engine/CvInSessionBase.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/Box.h"
#include "util/CvExCancel.h"
#include "variables/Variables.h"

// A session: binds the engine to one host picture (or, for a sub-session, to a rectangle of
// its parent's), owns the classification state, the tuning variables and a progress object of
// its own, and runs the engine's operations on them. Its handle is the address of its public
// CvSession part.
//
// Status arrays are the host's status images. A session works on the status image it is given
// directly; a sub-session keeps a copy of its rectangle per status image (statusImage), which
// CvSetStatusFromParent fills from the parent and CvSetParentStatus writes back.
class CvInSession : public CvSession, public CvInSessionBase {
 public:
  using Image = classification::IiClassification::Image;
  using Bytes = classification::IiClassification::Bytes;

  // A session on `picture`, a kind-1 description the entry point has validated.
  CvInSession(CvEngine* engine, const CvImage& picture, CvProgressCallback callback, void* context);
  // A sub-session of `parent` over `box` (inside the parent's area, not empty), with the
  // selection's mask over that box or an empty mask.
  CvInSession(CvInSession* parent, const corvane::Box& box, const Bytes& mask, bool ownVariables,
              CvProgressCallback callback, void* context);
  // Ends the remaining sub-sessions first, then leaves the parent and the engine. The
  // session's own progress object reports 100 per cent through the creation callback.
  ~CvInSession() override;

  // The part of `selection` that lies in `parent`'s area, and its mask restricted to that
  // part (empty without one). False when nothing is left or the selection cannot be read.
  static bool clipSelection(const CvInSession& parent, const CvSelection& selection,
                            corvane::Box& box, Bytes& mask);

  CvSession* handle() { return this; }
  CvInSession* parentSession() const { return parentSession_; }
  const std::vector<CvInSession*>& children() const { return children_; }
  classification::IiClassification& classification() { return *classification_; }
  const classification::IiClassification& classification() const { return *classification_; }
  corvane::Variables& tuningVariables() { return variables_; }
  bool ownVariables() const { return ownVariables_; }
  const Image& image() const { return image_; }
  // The session's area in the host picture as an inclusive box.
  const corvane::Box& area() const { return classification_->imageBox(); }
  // A sub-session's selection mask over its area; empty for a plain rectangle.
  const Bytes& selectionMask() const { return selectionMask_; }

  // ---- Operations, each answering a result code.
  CvResult setStatus(CvInImage* image, const CvSelection* labels, CvProgressCallback callback,
                     void* context);
  CvResult setStatusFromParent(CvInImage* image);
  CvResult setParentStatus(CvInImage* image);
  CvResult undo(CvProgressCallback callback, void* context);
  CvResult redo(CvProgressCallback callback, void* context);

  // The common shape of a status operation: a cancellable progress object named `label`
  // reporting through `callback`, and `body(ProgressRange&)` run as one revocable operation of
  // the classification state. A cancel or an exhausted heap rolls every status change and the
  // undo history back (answers 2 and 3); anything else also marks the engine failed (4). The
  // changed rectangle is taken on every path.
  template <class Body>
  CvResult runOperation(const char* label, CvProgressCallback callback, void* context, Body&& body);

  // Copies the state's changed rectangle into the public part (all 0 without one) and clears
  // it.
  void takeChangedRect();
  void markEngineFailed();

  // ---- Status arrays.
  // The engine image presenting this session's statuses for the host's status image `image`:
  // the image itself for a session, the sub-session's own copy of its area otherwise (made on
  // first use from the parent's statuses).
  CvInImage* statusImage(CvInImage* image);
  // This session's statuses for `image` as an array indexed in picture coordinates; for a
  // sub-session the re-basing is logged to the standard error stream.
  Bytes reindexStatus(CvInImage* image);

  // ---- Tuning variables.
  // 1 on a sub-session, for an unregistered name or a NaN proportion; else 0.
  CvResult setVariable(const char* name, float proportion);
  // The record of `name`, or null (also for a session without its own variables).
  CvVariable* getVariable(const char* name);
  void setAnalysisParameters(float tolerance, uint32_t edgeWidth, uint32_t choices);
  void refreshParameters();
  // The defaults for this session's picture size.
  void resetVariables();
  // The effective values into the classification's parameters.
  void loadParameters();

  // ---- Analysis results shown in the public part.
  void setSegmented(bool segmented) { this->segmented = segmented ? 1u : 0u; }
  bool isSegmented() const { return segmented != 0; }
  // Replaces the region list; each outline holds (column, row) pairs.
  void setRegions(std::vector<std::vector<float>> outlines);
  void freeRegions() noexcept;
  // Dependent sub-sessions take over this session's analysis again, in the order they were
  // begun.
  void refreshDependentChildren();

 private:
  struct StatusCopy {
    Bytes storage;  // the sub-session's area, indexed from 0
    std::unique_ptr<CvInImage> view;
  };

  void initialiseVariables();
  Bytes statusArray(CvInImage* image, bool log);
  CvResult stepHistory(const char* label, void (classification::IiClassification::*step)(),
                       CvProgressCallback callback, void* context);

  CvInSession* parentSession_;
  Image image_;
  CvInProgress progress_;
  ProgressRange range_;
  std::unique_ptr<classification::IiClassification> classification_;
  corvane::Variables variables_;
  std::vector<CvInSession*> children_;
  Bytes selectionMask_;
  std::map<const CvInImage*, StatusCopy> statusCopies_;
  bool ownVariables_;
  std::vector<std::vector<float>> regionPoints_;
  std::vector<CvRegion> regionRecords_;

 public:
  // ---- Analysis and select ("Analyse Image", "Select").
  // 10 without own variables; a cancelled or failed analysis puts the tuning variables back.
  CvResult analyseImage(CvProgressCallback callback, void* context);
  // One stroke on the statuses of `image`: the stroke's rectangle and mask, the select mode
  // (0 pixels, 1 regions, 2 colour clusters, 3 label-map regions), the four status bytes and
  // the partition level plus one. 10 for a mode other than 0 without a segmentation.
  CvResult select(CvInImage* image, const CvSelection* stroke, int32_t mode, uint8_t value,
                  uint8_t writeMask, uint8_t target, uint8_t targetMask, int32_t levelPlusOne,
                  CvProgressCallback callback, void* context);

  // ---- Clean-up of the last selection: auto complex and despeckle. Both need an analysis of
  // this session or of its parent (10 without one) and record one undo step.
  CvResult autoComplex(CvInImage* image, float blend, CvProgressCallback callback, void* context);
  CvResult despeckleSelection(CvInImage* image, uint8_t size, CvProgressCallback callback,
                              void* context);
  // Whether this session or its parent has been analysed.
  bool analysisAvailable() const;

  // ---- Auto fill and "Generate mask" (engine/SessionMaskOperations.cpp).
 public:
  // "Auto fill" on the statuses of `image`; the band is left out (factor 0) until the session
  // or its parent is segmented and the blend radii cover the session's area. `reserved` is
  // not read.
  CvResult autoFill(CvInImage* image, uint32_t reserved, uint8_t value, float radiusFactor,
                    CvProgressCallback callback, void* context);
  // The analysis's blend radii over the session's area; empty when there are none.
  Bytes blendRadii() const;
  // "Generate mask" for one pixel type: 10 before the blend radii exist, otherwise the body's
  // answer. `output` is indexed in full-resolution coordinates over the part that may be
  // written, `source` over the whole picture; the request holds the unconverted records.
  struct MaskRecords {
    const corvane::Box* rect;
    float rowScale;
    float columnScale;
    const ForcedEdgeRequest* forcedEdges;
    uint32_t forcedEdgeCount;
    float blendWidth;
    float blendRatio;
    const MaskPatchRequest* patches;
    uint32_t patchCount;
  };
  using Image16 = blitz::Array<kestrum::utility::Colour<uint16_t>, 2>;
  CvResult generateMask8(Image output, const Image& source, CvInImage* statusImage,
                         const MaskRecords& records, CvProgressCallback callback);
  CvResult generateMask16(Image16 output, const Image16& source, CvInImage* statusImage,
                          const MaskRecords& records, CvProgressCallback callback);
  CvResult generateMask15(Image16 output, const Image16& source, CvInImage* statusImage,
                          const MaskRecords& records, CvProgressCallback callback);

 private:
  // Runs the analysis driver on the first 0.8 of `range` when the variables feeding it changed
  // or the session had no segmentation, and reports the range's end.
  // True when the analysis ran, which then traced its regions' outlines into `outlines`.
  bool analyseParallel(bool wasSegmented, ProgressRange range,
                       std::vector<classification::Outline>& outlines);
  // The region list of a sub-session with a mask: the mask's outlines.
  void setMaskRegions();
};

template <class Body>
CvResult CvInSession::runOperation(const char* label, CvProgressCallback callback, void* context,
                                   Body&& body) {
  // Outside the try block: the roll-back happens before the closing report.
  CvInProgress progress(callback, context, label, true);
  classification::IiClassification& state = *classification_;
  CvResult result = CvOk;
  try {
    ProgressRange range(&progress);
    state.beginOperation();
    body(range);
    state.endOperation();
  } catch (const CvExCancel&) {
    state.rollBackOperation();
    result = CvCancelled;
  } catch (const std::bad_alloc&) {
    state.rollBackOperation();
    result = CvOutOfMemory;
  } catch (...) {
    state.rollBackOperation();
    markEngineFailed();
    result = CvException;
  }
  takeChangedRect();
  return result;
}
