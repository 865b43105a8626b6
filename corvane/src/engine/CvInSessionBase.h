#pragma once

#include "Corvane.h"
#include "engine/CvSigned.h"

// The engine-side base of every session object: its signature, its engine and its parent.
// The session handle is the address of the object's public CvSession part, which the derived
// session records with enterEngine() once it is fully built.
class CvInSessionBase : public CvSigned {
 public:
  virtual ~CvInSessionBase();
  CvInSessionBase(const CvInSessionBase&) = delete;
  CvInSessionBase& operator=(const CvInSessionBase&) = delete;

  CvEngine* engine() const { return engine_; }
  CvInSessionBase* parent() const { return parent_; }

 protected:
  CvInSessionBase(CvEngine* engine, CvInSessionBase* parent) : engine_(engine), parent_(parent) {}

  // Joins the engine's session registry and makes `handle` valid.
  void enterEngine(const CvSession* handle);
  // Leaves both again; harmless when not entered. The destructor calls it too.
  void leaveEngine() noexcept;

 private:
  CvEngine* engine_;
  CvInSessionBase* parent_;
  const CvSession* handle_ = nullptr;
};
