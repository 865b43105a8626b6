#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Corvane.h"
#include "variables/MeaningMap.h"
#include "variables/VarChannel.h"
#include "variables/VarColourBits.h"
#include "variables/VarLogScale.h"
#include "variables/VarMaxColourBits.h"
#include "variables/VarRfSpacing.h"
#include "variables/VarScaled.h"
#include "variables/VarSmoothing.h"
#include "variables/VariableBase.h"

namespace corvane {

// A session's named tuning variables and the records the host reads them through.
//
// Records and texts point into the table and variables point back at it, so a table is
// neither copied nor moved.
class Variables {
 public:
  // Thrown when a name is not registered (or, for effectiveValue<T>, has another type).
  struct VariableNotFound {};
  // Thrown by set() for a NaN proportion; nothing is changed.
  struct InvalidProportion {};

  using Choice = MeaningMap<VarScaled<int, int>, std::string>;

  // Builds and registers the variables, then sets the defaults for a 1024-pixel picture and
  // remembers them. Record texts stay empty until updateTexts().
  Variables();
  Variables(const Variables&) = delete;
  Variables& operator=(const Variables&) = delete;

  // The defaults for a picture whose larger side is `largerSide` pixels.
  void setDefaults(uint32_t largerSide);

  // Sets a variable from a proportion. Proportions outside 0..1 are taken as they are and the
  // record shows them clamped. Throws VariableNotFound for an unregistered name and
  // InvalidProportion for NaN, in both cases without changing anything.
  void set(const std::string& name, float proportion);

  // Every record's proportion from its variable, clamped into 0..1.
  void updateRecords();
  // Every display text rebuilt, with "*" when the effective value changed since the last
  // remember.
  void updateTexts();
  // Puts every variable whose proportion lies outside 0..1 (or is NaN) back onto the range.
  void clampIntoRange();
  // Remembers every proportion (clamped) and latches every effective value.
  void rememberAll();
  // Puts back the remembered proportions after an analysis that did not finish; the
  // proportions it replaces become the remembered ones.
  void restoreAll();

  // The record of a registered name, or null.
  CvVariable* findRecord(const std::string& name);
  const CvVariable* findRecord(const std::string& name) const;
  // The registered variable of a name, or null.
  VariableBase* findVariable(const std::string& name);
  const VariableBase* findVariable(const std::string& name) const;
  // The effective value of a registered variable whose value type is T.
  template <class T>
  T effectiveValue(const std::string& name) const {
    auto* variable = dynamic_cast<const VariableBaseT<T>*>(findVariable(name));
    if (!variable) throw VariableNotFound();
    return variable->effectiveValue();
  }

  // The records in registration order, for the session's public part.
  CvVariable* records() { return records_.data(); }
  const CvVariable* records() const { return records_.data(); }
  size_t size() const { return entries_.size(); }
  // The proportion the i-th registered variable had at the last remember.
  float rememberedProportion(size_t i) const { return entries_[i].remembered; }

 private:
  struct Entry {
    VariableBase* variable;
    std::string text;
    float remembered;
  };

  void add(const char* name, VariableBase& variable);
  size_t indexOf(const std::string& name) const;  // throws VariableNotFound

  std::vector<CvVariable> records_;
  std::vector<Entry> entries_;
  std::map<std::string, size_t> names_;

 public:
  VarLogScale<float, float> imageTol{1.0f, 4.0f};
  VarLogScale<float, float> featureTol{1.0f, 2.0f};
  VarScaled<float, float> focus{0.0f, 4.0f};
  VarLogScale<int, float> inFocusEdgeWidth{1.0f, 32.0f};
  Choice edgeContrast{"low", "medium", "high"};
  Choice textureFilter{"fine", "medium", "coarse"};
  Choice interpolation{"range", "range fast", "median", "median fast"};
  VarRfSpacing resolution{1.0f, 4.0f * std::sqrt(2.0f)};
  VarScaled<int, int> overlap{0, 3};
  VarColourBits colourBits{0, 8};
  VarMaxColourBits maxBits{0, 11};
  Choice keepOrLose{"keep", "lose"};  // not registered
  VarScaled<float, float> tPercent{0.0f, 0.5f};
  VarSmoothing texture{0.9f, 8.0f};
  VarLogScale<float, float> spareTolerance{1.0f, 4.0f};  // not registered
  VarScaled<float, float> spareFraction{0.0f, 1.0f};     // not registered
  VarScaled<int, int> bSmooth{0, 100};
  VarScaled<int, int> bCareful{0, 50};
  VarScaled<int, int> bGreedy{0, 50};
  VarScaled<int, int> vMdPt{0, 10};
  VarScaled<float, float> vSmplf{0.0f, 2.0f};
  VarScaled<float, float> vSmth{0.0f, 2.0f};
  VarChannel channels[3];  // not registered
  Choice blendMode{"octaves", "membrane", "bp"};
  Choice fgSampling{"global", "both"};
  Choice bgSampling{"global", "both"};
};

}  // namespace corvane
