#include "classification/ChannelFilter.h"

#include "classification/RankFilter.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"

namespace classification {

namespace {

template <class T>
corvane::Box boxOf(const blitz::Array<T, 2>& a) {
  return corvane::Box{a.lbound(0), a.lbound(1), a.ubound(0), a.ubound(1)};
}

template <class T>
corvane::Box filterChannel(const blitz::Array<T, 2>& source, const blitz::Array<T, 2>& target,
                           const blitz::Array<int32_t, 2>& kernel, float fraction, int32_t lo,
                           int32_t hi, ProgressRange progress) {
  const corvane::Box domain = filteredDomain(boxOf(source), boxOf(target), kernel);
  if (domain.empty()) return domain;
  rankFilter<T>(corvane::subView(target, domain.lowerRow, domain.lowerColumn, domain.upperRow,
                                 domain.upperColumn),
                source, kernel, 1, fraction, lo, hi, progress);
  return domain;
}

}  // namespace

corvane::Box filteredDomain(const corvane::Box& source, const corvane::Box& target,
                            const blitz::Array<int32_t, 2>& kernel) {
  corvane::Box inner = source;
  if (kernel.numElements() != 0) {
    inner.lowerRow -= kernel.lbound(0);
    inner.lowerColumn -= kernel.lbound(1);
    inner.upperRow -= kernel.ubound(0);
    inner.upperColumn -= kernel.ubound(1);
    inner = corvane::intersectBox(inner, source);
  }
  return corvane::intersectBox(inner, target);
}

void filterChannel8(const blitz::Array<uint8_t, 2>& source, blitz::Array<uint8_t, 2> target,
                    const blitz::Array<int32_t, 2>& kernel, ProgressRange progress, float fraction,
                    int32_t lo, int32_t hi) {
  filterChannel<uint8_t>(source, target, kernel, fraction, lo, hi, progress);
}

corvane::Box filterChannel16(const blitz::Array<blitz::TinyVector<uint16_t, 3>, 2>& source,
                             int channel, blitz::Array<blitz::TinyVector<uint16_t, 3>, 2> target,
                             const blitz::Array<int32_t, 2>& kernel, float fraction, int32_t lo,
                             int32_t hi, ProgressRange progress) {
  const blitz::Array<uint16_t, 2> from = source.extractComponent(uint16_t(), channel, 3);
  const blitz::Array<uint16_t, 2> to = target.extractComponent(uint16_t(), channel, 3);
  return filterChannel<uint16_t>(from, to, kernel, fraction, lo, hi, progress);
}

}  // namespace classification
