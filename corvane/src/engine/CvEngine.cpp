#include "engine/CvEngine.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/CvInImage.h"
#include "engine/CvInSessionBase.h"
#include "engine/CvSigned.h"
#include "engine/LiveHandles.h"

CvEngine::CvEngine() : signature(kCvSignature) {
  corvane::enterLive(this, corvane::LiveKind::Engine, this);
}

CvEngine::~CvEngine() {
  corvane::leaveLive(this);
  signature = 0;
}

void CvEngine::destroyLeftovers() noexcept {
  // Each destructor leaves the registry, so the walks run over copies. A sub-session's
  // destructor reaches its parent: deeper sessions go first.
  std::vector<std::pair<int, CvInSessionBase*>> bySessionDepth;
  bySessionDepth.reserve(sessions.size());
  for (CvInSessionBase* s : sessions) {
    int depth = 0;
    for (const CvInSessionBase* p = s->parent(); p; p = p->parent()) ++depth;
    bySessionDepth.emplace_back(depth, s);
  }
  std::stable_sort(bySessionDepth.begin(), bySessionDepth.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (auto& entry : bySessionDepth) delete entry.second;

  const std::vector<CvInImage*> leftImages(images.begin(), images.end());
  for (CvInImage* image : leftImages) delete image;
  sessions.clear();
  images.clear();
}
