// Call sequences through the engine's public interface: a small photo read from the input,
// then entry-point calls with fuzzed arguments, each of which may be cancelled at a fuzzed
// progress report. After every call the answer must be one the entry documents (and never 4,
// 5 or 8, which mean the engine caught a fault of its own), a cancelled call must leave the
// statuses and the undo counts as they were, and "Generate mask" writes its output only when
// it answers 0. A breach aborts, which libFuzzer reports with the input.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <limits>
#include <vector>

#include "Corvane.h"

namespace {

// The fuzzer's bytes, read front to back; zeros once they run out.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool done() const { return size_ == 0; }
  uint8_t byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  int32_t coordinate(int32_t extent) {  // mostly inside 0..extent, now and then far out
    const uint8_t b = byte();
    if (b == 255) return std::numeric_limits<int32_t>::max() - byte();
    if (b == 254) return std::numeric_limits<int32_t>::min() + byte();
    return int32_t(b % (extent + 8)) - 4;
  }
  float proportion() {
    const uint8_t b = byte();
    if (b == 255) return std::numeric_limits<float>::quiet_NaN();
    if (b == 254) return -1.0f;
    if (b == 253) return 1e30f;
    return float(b) / 250.0f;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

void require(bool holds, const char* what, int code) {
  if (holds) return;
  std::fprintf(stderr, "engine_session: %s (answer %d)\n", what, code);
  std::abort();
}

// The answer must be among `codes`, which leave out 4, 5 and 8 on purpose.
void expectCode(CvResult result, std::initializer_list<CvResult> codes, const char* entry) {
  for (CvResult code : codes)
    if (result == code) return;
  require(false, entry, int(result));
}

// Answers 2 at report number `cancelAt` (1-based; 0 never).
struct Cancel {
  uint32_t reports = 0;
  uint32_t cancelAt = 0;
  static int32_t callback(uint8_t, void* context) {
    auto* self = static_cast<Cancel*>(context);
    return ++self->reports == self->cancelAt ? 2 : 0;
  }
};
Cancel hostCancel;  // "Generate mask" reports through the host's progress function
int32_t hostProgress(uint8_t percent, void*) {
  return Cancel::callback(percent, &hostCancel);
}

// A photo of blocks in four colours, some of them transparent, with 8-bit and 16-bit copies.
struct Photo {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgba8;
  std::vector<uint16_t> rgba16;
  CvImage picture{}, picture16{};

  explicit Photo(Input& in) {
    width = 1 + in.byte() % 24;
    height = 1 + in.byte() % 24;
    const uint8_t flags = in.byte();
    uint8_t palette[4][4];
    for (auto& colour : palette) {
      for (int k = 0; k < 3; ++k) colour[k] = in.byte();
      colour[3] = 255;
    }
    if (flags & 1) palette[3][3] = uint8_t(in.byte() % 255);  // one colour not opaque
    const uint32_t block = 1 + in.byte() % 6;
    rgba8.resize(size_t{width} * height * 4);
    for (uint32_t r = 0; r < height; ++r)
      for (uint32_t c = 0; c < width; ++c) {
        const uint32_t which = (r / block * 3 + c / block + (r * c) % 3 / 2) % 4;
        for (int k = 0; k < 4; ++k) rgba8[(size_t{r} * width + c) * 4 + k] = palette[which][k];
      }
    // Kind 2 spans 0..65535, kind 3 0..32768.
    const uint32_t kind16 = (flags & 2) ? CvKindRgbaHalf16 : CvKindRgba16;
    rgba16.resize(rgba8.size());
    for (size_t i = 0; i < rgba8.size(); ++i)
      rgba16[i] = kind16 == CvKindRgba16 ? uint16_t(rgba8[i] * 257)
                                         : uint16_t(rgba8[i] == 255 ? 32768 : rgba8[i] * 128);
    picture = CvImage{width, height, width * 4, CvKindRgba8, rgba8.data()};
    picture16 = CvImage{width, height, width * 8, kind16, rgba16.data()};
  }
};

std::vector<uint8_t> bytesOf(const CvImage* image) {
  std::vector<uint8_t> bytes;
  const auto* data = static_cast<const uint8_t*>(image->data);
  for (uint32_t r = 0; r < image->height; ++r)
    bytes.insert(bytes.end(), data + size_t{r} * image->stride,
                 data + size_t{r} * image->stride + image->width);
  return bytes;
}

struct Counts {
  uint32_t undo = 0, redo = 0;
  bool operator==(const Counts& o) const { return undo == o.undo && redo == o.redo; }
};
Counts countsOf(CvSession* session) {
  Counts counts;
  expectCode(CvNumAvailableUndo(session, &counts.undo), {CvOk}, "CvNumAvailableUndo");
  expectCode(CvNumAvailableRedo(session, &counts.redo), {CvOk}, "CvNumAvailableRedo");
  return counts;
}

// A selection read from the input, with a mask of status bytes now and then.
struct FuzzSelection {
  std::vector<uint8_t> mask;
  CvSelection selection{};

  FuzzSelection(Input& in, const Photo& photo, bool labels) {
    selection.x = in.coordinate(int32_t(photo.width));
    selection.y = in.coordinate(int32_t(photo.height));
    const uint32_t width = in.byte() % (photo.width + 4);
    const uint32_t height = in.byte() % (photo.height + 4);
    selection.image = CvImage{width, height, 0, CvKindStatus, nullptr};
    const uint8_t how = in.byte();
    if (how % 3 == 0 || width == 0 || height == 0) return;
    const uint32_t stride = width + how % 2;
    mask.resize(size_t{stride} * height);
    const uint8_t value = labels ? uint8_t(in.byte()) : 1;
    for (size_t i = 0; i < mask.size(); ++i) mask[i] = (i * 7 + how) % 5 == 0 ? 0 : value;
    selection.image = CvImage{width, height, stride, (how & 8) ? 1u : CvKindStatus, mask.data()};
  }
};

struct Sessions {
  std::vector<CvSession*> handles;
  std::vector<int> parents;  // index into handles, -1 for the session

  // Forgets `index` and every session under it, as ending it destroys them.
  void forget(size_t index) {
    std::vector<bool> gone(handles.size(), false);
    gone[index] = true;
    for (size_t i = index + 1; i < handles.size(); ++i)
      if (parents[i] >= 0 && gone[size_t(parents[i])]) gone[i] = true;
    std::vector<CvSession*> keptHandles;
    std::vector<int> keptParents;
    std::vector<int> renumber(handles.size(), -1);
    for (size_t i = 0; i < handles.size(); ++i) {
      if (gone[i]) continue;
      renumber[i] = int(keptHandles.size());
      keptHandles.push_back(handles[i]);
      keptParents.push_back(parents[i] < 0 ? -1 : renumber[size_t(parents[i])]);
    }
    handles.swap(keptHandles);
    parents.swap(keptParents);
  }
};

const uint8_t kStatusValues[] = {CvStatusKeep,
                                 CvStatusDelete,
                                 CvStatusBlend,
                                 CvStatusInPicture,
                                 CvStatusForcedEdge,
                                 CvStatusProtected,
                                 CvStatusKeep | CvStatusProtected};

void runCalls(Input& in) {
  // Results do not depend on the worker count; few workers keep the runs quick.
  corvaneSetWorkerLimit(1 + in.byte() % 3);
  Photo photo(in);
  CvEngine* engine = CvInit();
  CvEngine* other = CvInit();
  require(engine && other, "CvInit", 0);
  CvImage* status = CvNewStatusImage(engine, photo.picture);
  CvImage* foreign = CvNewStatusImage(other, photo.picture);
  require(status && foreign, "CvNewStatusImage", 0);
  Sessions sessions;
  std::deque<Cancel> creations;
  if (CvSession* root = CvBeginSession(engine, photo.picture, nullptr, nullptr)) {
    sessions.handles.push_back(root);
    sessions.parents.push_back(-1);
  }
  require(!sessions.handles.empty(), "CvBeginSession", 0);
  const CvVariable* variables = sessions.handles[0]->variables;
  const uint32_t variableCount = sessions.handles[0]->variableCount;

  for (int call = 0; call < 32 && !in.done() && !sessions.handles.empty(); ++call) {
    const uint8_t op = in.byte() % 22;
    Cancel cancel;
    cancel.cancelAt = in.byte() % 40;
    hostCancel = Cancel{0, cancel.cancelAt};
    const size_t which = in.byte() % sessions.handles.size();
    CvSession* session = sessions.handles[which];
    const std::vector<uint8_t> statusesBefore = bytesOf(status);
    const Counts countsBefore = countsOf(session);
    CvResult result = CvOk;
    switch (op) {
      case 0:
        result = CvAnalyseImage(session, &Cancel::callback, &cancel);
        expectCode(result, {CvOk, CvCancelled, CvOutOfMemory, CvNeedsSegmentation},
                   "CvAnalyseImage");
        break;
      case 1: {
        FuzzSelection stroke(in, photo, false);
        const uint8_t value = kStatusValues[in.byte() % 7];
        const uint8_t target = in.byte();
        const int32_t exclusive = in.byte() % 2;
        const float weight = float(in.byte() % 10);
        result = CvSelect(session, status, &stroke.selection, value, target, exclusive, weight,
                          &Cancel::callback, &cancel);
        expectCode(result,
                   {CvOk, CvPreconditionFailed, CvCancelled, CvOutOfMemory, CvNeedsSegmentation},
                   "CvSelect");
        break;
      }
      case 2:
        result = CvAutoComplex(session, status, in.proportion() * 4.0f, &Cancel::callback, &cancel);
        expectCode(result, {CvOk, CvCancelled, CvOutOfMemory, CvNeedsSegmentation},
                   "CvAutoComplex");
        break;
      case 3:
        result = CvDespeckleSelection(session, status, in.byte() % 12, &Cancel::callback, &cancel);
        expectCode(result, {CvOk, CvCancelled, CvOutOfMemory, CvNeedsSegmentation},
                   "CvDespeckleSelection");
        break;
      case 4: {
        FuzzSelection labels(in, photo, true);
        result = CvSetStatus(session, status, &labels.selection, &Cancel::callback, &cancel);
        expectCode(result, {CvOk, CvPreconditionFailed, CvCancelled, CvOutOfMemory}, "CvSetStatus");
        break;
      }
      case 5:
        result = CvSetStatusFromParent(session, status);
        expectCode(result, {CvOk, CvPreconditionFailed, CvOutOfMemory}, "CvSetStatusFromParent");
        break;
      case 6:
        result = CvSetParentStatus(session, status);
        expectCode(result, {CvOk, CvPreconditionFailed, CvOutOfMemory}, "CvSetParentStatus");
        break;
      case 7:
        expectCode(CvUndo(session, &Cancel::callback, &cancel), {CvOk}, "CvUndo");
        break;
      case 8:
        expectCode(CvRedo(session, &Cancel::callback, &cancel), {CvOk}, "CvRedo");
        break;
      case 9:
        expectCode(CvCommitUndoStep(session), {CvOk}, "CvCommitUndoStep");
        break;
      case 10:
        expectCode(CvClearUndoRedo(session), {CvOk}, "CvClearUndoRedo");
        break;
      case 11: {
        const float tolerance = in.proportion();
        const uint32_t width = in.byte() % 40;
        const uint32_t choices = uint32_t(in.byte()) | uint32_t(in.byte()) << 8;
        expectCode(CvSetAnalysisParameters(session, tolerance, width, choices), {CvOk},
                   "CvSetAnalysisParameters");
        break;
      }
      case 12: {
        const uint8_t pick = in.byte();
        const char* name = pick < variableCount ? variables[pick].name : "noSuchVariable";
        expectCode(CvSetVariable(session, name, in.proportion()), {CvOk, CvPreconditionFailed},
                   "CvSetVariable");
        break;
      }
      case 13: {
        const uint8_t pick = in.byte();
        const char* name = pick < variableCount ? variables[pick].name : "noSuchVariable";
        CvVariable record{};
        expectCode(CvGetVariable(session, name, &record), {CvOk, CvPreconditionFailed},
                   "CvGetVariable");
        break;
      }
      case 14: {
        const uint8_t value = (in.byte() % 2) ? CvStatusKeep : CvStatusDelete;
        result = CvAutoFill(session, status, 0, value, in.proportion() * 3.0f, &Cancel::callback,
                            &cancel);
        expectCode(result, {CvOk, CvCancelled, CvOutOfMemory}, "CvAutoFill");
        break;
      }
      case 15: {
        const bool wide = in.byte() % 2;
        const CvImage& source = wide ? photo.picture16 : photo.picture;
        std::vector<uint8_t> output(size_t{source.stride} * source.height);
        std::memcpy(output.data(), source.data, output.size());
        const std::vector<uint8_t> written = output;
        CvImage out = source;
        out.data = output.data();
        CvRect rect{in.coordinate(int32_t(photo.width)), in.coordinate(int32_t(photo.height)),
                    int32_t(in.byte() % (photo.width + 2)),
                    int32_t(in.byte() % (photo.height + 2))};
        CvEdgePoint points[3] = {{float(in.byte() % 24), float(in.byte() % 24)},
                                 {float(in.byte() % 24), float(in.byte() % 24)},
                                 {float(in.byte() % 24), float(in.byte() % 24)}};
        ForcedEdgeRequest edge{points, uint32_t(in.byte() % 4), 1.0f + in.byte() % 4};
        MaskPatchRequest patch{};
        patch.x = in.coordinate(int32_t(photo.width));
        patch.y = in.coordinate(int32_t(photo.height));
        patch.width = in.byte() % 12;
        patch.height = in.byte() % 12;
        patch.isActive = in.byte() % 2;
        const uint8_t modes[3] = {CvPatchPlain, CvPatchChoices, CvPatchMembrane};
        patch.mode = modes[in.byte() % 3];
        patch.blendRatio = patch.mode == CvPatchPlain ? in.proportion() : 0.0f;
        patch.param1 = in.proportion();
        patch.param2 = in.proportion();
        const uint8_t parts = in.byte();
        result = CvGenerateMask(
            session, (parts & 1) ? &rect : nullptr, out, source, status,
            (parts & 2) ? &edge : nullptr, (parts & 2) ? 1 : 0, in.proportion() * 4.0f,
            in.proportion(), (parts & 4) ? &patch : nullptr, (parts & 4) ? 1 : 0, nullptr, nullptr);
        expectCode(result,
                   {CvOk, CvPreconditionFailed, CvCancelled, CvOutOfMemory, CvNeedsSegmentation},
                   "CvGenerateMask");
        if (result != CvOk)
          require(output == written, "CvGenerateMask wrote on failure", int(result));
        break;
      }
      case 16: {
        FuzzSelection part(in, photo, false);
        const int32_t own = in.byte() % 2;
        // A session reports its end through the context it was created with: it must live on.
        Cancel& creation = creations.emplace_back(cancel);
        if (CvSession* sub =
                CvBeginSubSession(session, &part.selection, own, &Cancel::callback, &creation)) {
          sessions.handles.push_back(sub);
          sessions.parents.push_back(int(which));
        }
        break;
      }
      case 17:
        if (which == 0) break;  // the session itself stays until the engine goes
        expectCode(CvEndSession(session, nullptr, nullptr), {CvOk}, "CvEndSession");
        sessions.forget(which);
        continue;
      case 18: {
        // Another engine's status image is refused by every entry that takes one.
        FuzzSelection stroke(in, photo, false);
        expectCode(CvSelect(session, foreign, &stroke.selection, CvStatusKeep, 15, 0, 0.0f, nullptr,
                            nullptr),
                   {CvInvalidImage}, "CvSelect with a foreign image");
        expectCode(CvSetStatusFromParent(session, foreign), {CvInvalidImage},
                   "CvSetStatusFromParent with a foreign image");
        expectCode(CvAutoFill(session, foreign, 0, CvStatusKeep, 1.0f, nullptr, nullptr),
                   {CvInvalidImage}, "CvAutoFill with a foreign image");
        break;
      }
      case 19:
        expectCode(CvFinish(other), {CvOk}, "CvFinish");
        other = CvInit();
        foreign = other ? CvNewStatusImage(other, photo.picture) : nullptr;
        require(foreign != nullptr, "a new foreign engine", 0);
        break;
      case 20: {
        const uint32_t w = in.byte() % (photo.width + 1);
        const uint32_t h = in.byte() % (photo.height + 1);
        std::vector<uint8_t> reduced(size_t{w} * h * 4 + 4);
        result = CvScaleImage(photo.picture, CvImage{w, h, w * 4, CvKindRgba8, reduced.data()});
        expectCode(result, {CvOk, CvPreconditionFailed, CvException}, "CvScaleImage");
        break;
      }
      default: {
        CvImage* fresh = CvNewStatusImage(engine, photo.picture);
        require(fresh != nullptr, "CvNewStatusImage", 0);
        expectCode(CvDeleteStatusImage(fresh), {CvOk}, "CvDeleteStatusImage");
        break;
      }
    }
    if (result == CvCancelled) {
      require(bytesOf(status) == statusesBefore, "a cancelled call changed statuses", 2);
      require(countsOf(session) == countsBefore, "a cancelled call changed undo counts", 2);
    }
  }
  expectCode(CvFinish(other), {CvOk}, "CvFinish");
  expectCode(CvFinish(engine), {CvOk}, "CvFinish");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = [] {
    corvaneSetProgressFunction(&hostProgress);
    return true;
  }();
  (void)installed;
  Input in(data, size);
  runCalls(in);
  return 0;
}
