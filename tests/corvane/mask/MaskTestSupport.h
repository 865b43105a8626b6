#pragma once

// A session on a small picture prepared for "Generate mask": the status image, the blend radii
// filled in place of an analysis, and host buffers of any pixel type.

#include <blitz/array.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Corvane.h"
#include "engine/CvInSession.h"
#include "kestrum/utility/IiUI.h"
#include "util/ByteComponent.h"
#include "util/CvExCancel.h"

namespace masktest {

// Host pixels: channel 0 blue, 1 green, 2 red, 3 alpha, each a fraction of the maximum.
struct Shade {
  float blue, green, red;
};

inline Shade mix(const Shade& a, const Shade& b, float t) {
  return Shade{a.blue + (b.blue - a.blue) * t, a.green + (b.green - a.green) * t,
               a.red + (b.red - a.red) * t};
}

// A host picture of `kind` with rows padded by one pixel.
struct HostPicture {
  uint32_t width, height, kind, bytesPerPixel, maximum;
  std::vector<uint8_t> bytes;
  CvImage description;

  HostPicture(uint32_t w, uint32_t h, uint32_t k)
      : width(w),
        height(h),
        kind(k),
        bytesPerPixel(k == CvKindRgba8 ? 4 : 8),
        maximum(k == CvKindRgba8    ? 255
                : k == CvKindRgba16 ? 65535
                                    : 32768),
        bytes(size_t(w + 1) * h * bytesPerPixel, 0) {
    description = CvImage{w, h, (w + 1) * bytesPerPixel, k, bytes.data()};
  }
  uint32_t sample(uint32_t r, uint32_t c, int channel) const {
    const uint8_t* p = bytes.data() + size_t(r) * description.stride + size_t(c) * bytesPerPixel;
    if (bytesPerPixel == 4) return p[channel];
    uint16_t v;
    std::memcpy(&v, p + 2 * channel, 2);
    return v;
  }
  void setSample(uint32_t r, uint32_t c, int channel, uint32_t v) {
    uint8_t* p = bytes.data() + size_t(r) * description.stride + size_t(c) * bytesPerPixel;
    if (bytesPerPixel == 4) {
      p[channel] = uint8_t(v);
    } else {
      const uint16_t s = uint16_t(v);
      std::memcpy(p + 2 * channel, &s, 2);
    }
  }
  void setShade(uint32_t r, uint32_t c, const Shade& s, float alpha = 1.0f) {
    setSample(r, c, 0, uint32_t(s.blue * maximum + 0.5f));
    setSample(r, c, 1, uint32_t(s.green * maximum + 0.5f));
    setSample(r, c, 2, uint32_t(s.red * maximum + 0.5f));
    setSample(r, c, 3, uint32_t(alpha * maximum + 0.5f));
  }
  // Alpha as a fraction of the maximum.
  float alpha(uint32_t r, uint32_t c) const { return float(sample(r, c, 3)) / float(maximum); }
};

// Every host pixel of `to` at `factor` times the size of `from` takes the pixel of `from`
// under it.
inline void enlarge(const HostPicture& from, HostPicture& to, uint32_t factor) {
  for (uint32_t r = 0; r < to.height; ++r)
    for (uint32_t c = 0; c < to.width; ++c)
      for (int k = 0; k < 4; ++k)
        to.setSample(
            r, c, k,
            uint32_t(uint64_t(from.sample(r / factor, c / factor, k)) * to.maximum / from.maximum));
}

// An engine with one session on an 8-bit picture and its status image.
struct MaskSession {
  CvEngine* engine = CvInit();
  HostPicture picture;
  CvSession* session = nullptr;
  CvImage* status = nullptr;

  MaskSession(uint32_t width, uint32_t height) : picture(width, height, CvKindRgba8) {}
  ~MaskSession() { CvFinish(engine); }

  // Begins the session on the picture as it is now, with blend radii `radius` everywhere in
  // place of an analysis.
  void begin(uint8_t radius) {
    session = CvBeginSession(engine, picture.description, nullptr, nullptr);
    status = CvNewStatusImage(engine, picture.description);
    giveRadii(session, radius);
  }
  static CvInSession& object(CvSession* handle) { return *static_cast<CvInSession*>(handle); }
  static void giveRadii(CvSession* handle, uint8_t radius) {
    CvInSession& s = object(handle);
    const corvane::Box& box = s.area();
    blitz::Array<corvane::BytePixel3, 2> gradients(box.upperRow - box.lowerRow + 1,
                                                   box.upperColumn - box.lowerColumn + 1);
    gradients = corvane::BytePixel3(0, 0, radius);
    gradients.reindexSelf(blitz::TinyVector<int, 2>(box.lowerRow, box.lowerColumn));
    s.classification().segmentation().localValueMap = corvane::extractByteComponent(gradients, 2);
    s.setSegmented(true);
  }
  uint8_t& statusAt(uint32_t r, uint32_t c) {
    return static_cast<uint8_t*>(status->data)[size_t(r) * status->stride + c];
  }
  std::vector<uint8_t> statuses() const {
    std::vector<uint8_t> out;
    for (uint32_t r = 0; r < status->height; ++r)
      for (uint32_t c = 0; c < status->width; ++c)
        out.push_back(static_cast<const uint8_t*>(status->data)[size_t(r) * status->stride + c]);
    return out;
  }
  uint32_t undoCount() const {
    uint32_t n = 0;
    CvNumAvailableUndo(session, &n);
    return n;
  }
};

}  // namespace masktest
