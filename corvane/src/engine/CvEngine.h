#pragma once

#include <cstdint>
#include <set>

#include "Corvane.h"

class CvInSessionBase;
struct CvInImage;

// The engine object; its address is the engine handle. Sessions and engine-owned images
// register themselves here when built and leave when destroyed, so that CvFinish can destroy
// whatever the host left behind.
struct CvEngine {
  uint32_t signature;
  std::set<CvInSessionBase*> sessions;
  std::set<CvInImage*> images;
  bool failed = false;

  CvEngine();
  ~CvEngine();
  CvEngine(const CvEngine&) = delete;
  CvEngine& operator=(const CvEngine&) = delete;

  // Destroys every registered session (sub-sessions before their parents) and then every
  // registered image.
  void destroyLeftovers() noexcept;
};
