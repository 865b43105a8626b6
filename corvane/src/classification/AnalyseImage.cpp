#include "classification/AnalyseImage.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "classification/RegionCleanup.h"
#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/FreedMemory.h"
#include "util/ProcessorCount.h"
#include "util/WorkerPool.h"

namespace classification {

using corvane::Box;
using corvane::domainOf;

namespace {

// Images of up to this many pixels have their outlines traced beside the label map (see
// analyse).
constexpr int64_t kTracedBesidePixels = 4000000;

bool regionStagesOn(const IiClassification& state) {
  return state.baseRecord().innerScale > 1.0f;
}

}  // namespace

void analyse(IiClassification& state, const IiClassification::Bytes* mask, ProgressRange range,
             std::vector<Outline>* outlines) {
  state.runRancours(range.subRange(0.1f));
  // The colour clusters and the segmentation depend on the analysis image alone: the colour
  // levels are clustered on the workers while the segmentation runs here. Only the
  // segmentation reports meanwhile, so the reports come as if one ran after the other.
  auto& global = state.globalClassification();
  global.startRun(range.subRange(0.3f));
  corvane::releaseFreedMemory();  // the histograms' scratch, when they were built here
  try {
    state.segmentation().run(range.subRange(0.9f));
  } catch (...) {
    global.abandonRun();
    throw;
  }
  // The segmentation's scratch, freed on the workers, goes back while the clustering may
  // still run; the clustering's goes back before the label map is built on what stays.
  corvane::releaseFreedMemory();
  global.finishRun();
  corvane::releaseFreedMemory();
  cleanUpRegions(state);

  // The outlines follow the flood's labels, which the clean-up leaves as they are from here
  // on, and the label map reads none of them: one is traced on a worker while the other is
  // built here. Beyond a few megapixels both hold their largest scratch at the same time, so
  // there the outlines wait. The tracer's flag is made before the pool, whose destructor still
  // joins a tracer that may set it.
  std::atomic<bool> outOfMemory{false};
  corvane::WorkerPool tracing;
  const Box& domain = state.segmentation().imageDomain;
  const int64_t pixels = domain.empty()
                             ? 0
                             : (int64_t(domain.upperRow) - domain.lowerRow + 1) *
                                   (int64_t(domain.upperColumn) - domain.lowerColumn + 1);
  const bool besideLabels = pixels <= kTracedBesidePixels && corvane::processorCount() > 1;
  if (outlines && besideLabels) {
    tracing.start(1, [&](unsigned) {
      try {
        traceOutlines(state, *outlines);
      } catch (const std::bad_alloc&) {
        outOfMemory = true;
        throw;
      }
    });
  }

  auto& regionMap = state.segmentation().regionMap;
  if (mask && mask->size() != 0 && regionMap.size() != 0) {
    const Box box = corvane::intersectBox(domainOf(regionMap), domainOf(*mask));
    for (int32_t r = box.lowerRow; r <= box.upperRow; ++r)
      for (int32_t c = box.lowerColumn; c <= box.upperColumn; ++c)
        if ((*mask)(r, c) == 0) regionMap(r, c) = -1;
  }
  labelRegions(state, state.partitionLevel, range.subRange(1.0f));
  if (!tracing.started()) {
    if (outlines) traceOutlines(state, *outlines);
    return;
  }
  try {
    tracing.join();
  } catch (const char*) {
    if (outOfMemory) throw std::bad_alloc();
    throw;
  }
}

void cleanUpRegions(IiClassification& state) {
  if (!regionStagesOn(state)) return;
  auto& segmentation = state.segmentation();
  if (segmentation.innerLabels.size() == 0 || segmentation.imageDomain.empty()) return;
  // The segmentation gives the region map the image's domain whenever its region stage runs.
  if (domainOf(segmentation.regionMap) != segmentation.imageDomain) return;
  segmentation.innerLabelCount =
      cleanUpRegionLabels(segmentation.innerLabels, segmentation.imageDomain,
                          segmentation.innerLabelCount, segmentation.regionMap);
}

void labelRegions(IiClassification& state, int32_t level, ProgressRange range) {
  auto& global = state.globalClassification();
  const Box templateBox = domainOf(global.image());
  if (global.image().size() == 0) return;
  if (state.finalLabels().size() == 0 || domainOf(state.finalLabels()) != templateBox)
    state.resizeFinalLabels(templateBox);

  IiClassification::Labels& labels = state.finalLabels();
  state.partitionLabelCount =
      int32_t(global.partition(std::max(level, 0), labels, range.subRange(0.3f)));
  if (!regionStagesOn(state)) return;
  const auto& segmentation = state.segmentation();
  if (segmentation.regionMap.size() == 0 || segmentation.innerLabelCount <= 0) return;

  std::vector<int32_t> table;
  majorityPartitionTable(table, segmentation.innerLabelCount, segmentation.regionMap, labels,
                         range.subRange(0.7f));
  remapByRegion(table, segmentation.regionMap, labels, range.subRange(1.0f));
}

void traceOutlines(IiClassification& state, std::vector<Outline>& outlines) {
  outlines.clear();
  auto& segmentation = state.segmentation();
  if (!regionStagesOn(state) || segmentation.innerLabels.size() == 0) return;
  fillOutsideRect(segmentation.imageDomain, -1, segmentation.innerLabels);
  std::vector<EdgeChain> chains;
  traceRegionBoundaries(chains, segmentation.innerLabels, segmentation.imageDomain);

  outlines.reserve(chains.size());
  for (const EdgeChain& chain : chains) {
    if (chain.labelA == -1 || chain.labelB == -1) continue;
    outlines.push_back(outlineFromChain(chain.points, state.outlinePointRule));
  }
  if (state.outlineTolerance != 0.0f) {
    std::vector<const OutlinePoint*> stack;
    for (Outline& outline : outlines) simplifyOutline(outline, state.outlineTolerance, stack);
  }
  if (state.outlineCornerCut != 0.0f) {
    for (int pass = 0; pass < 2; ++pass)
      for (Outline& outline : outlines) cutCorners(outline, state.outlineCornerCut);
  }
}

void traceMaskOutlines(const IiClassification::Bytes& mask, std::vector<IntegerOutline>& outlines) {
  outlines.clear();
  if (mask.size() == 0) return;
  Box padded = domainOf(mask);
  corvane::expandDomain(padded, 1);
  IiClassification::Bytes copy(blitz::TinyVector<int, 2>(padded.lowerRow, padded.lowerColumn),
                               blitz::TinyVector<int, 2>(mask.extent(0) + 2, mask.extent(1) + 2));
  copy = 0;
  const Box inner = domainOf(mask);
  corvane::subView(copy, inner.lowerRow, inner.lowerColumn, inner.upperRow, inner.upperColumn) =
      mask;
  traceMaskBoundary(outlines, copy, padded);
  std::vector<const TracePoint*> stack;
  for (IntegerOutline& outline : outlines) simplifyIntegerOutline(outline, 0.1f, stack);
}

}  // namespace classification
