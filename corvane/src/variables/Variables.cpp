#include "variables/Variables.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

// NaN (a variable whose value is NaN) shows as 0.
float clampUnit(float p) {
  return p > 0.0f ? (p < 1.0f ? p : 1.0f) : 0.0f;
}

}  // namespace

Variables::Variables() {
  add("imageTol", imageTol);
  add("inFocusEdgeWidth", inFocusEdgeWidth);
  add("edgeContrast", edgeContrast);
  add("textureFilter", textureFilter);
  add("interpolation", interpolation);
  add("#resolution", resolution);
  add("#texture", texture);
  add("#colourBits", colourBits);
  add("#maxBits", maxBits);
  add("featureTol", featureTol);
  add("focus", focus);
  add("overlap", overlap);
  add("t%", tPercent);
  add("b-smooth", bSmooth);
  add("b-careful", bCareful);
  add("b-greedy", bGreedy);
  add("v-mdPt", vMdPt);
  add("v-smplf", vSmplf);
  add("v-smth", vSmth);
  add("BlendMode", blendMode);
  add("fg sampling", fgSampling);
  add("bg sampling", bgSampling);

  // Pointers are taken only now that no container grows any more.
  records_.resize(entries_.size());
  for (const auto& name : names_) {
    CvVariable& record = records_[name.second];
    record.proportion = 0.0f;
    record.name = name.first.c_str();
    record.text = entries_[name.second].text.c_str();
  }

  setDefaults(1024);
  rememberAll();
}

void Variables::add(const char* name, VariableBase& variable) {
  names_.emplace(name, entries_.size());
  entries_.push_back(Entry{&variable, std::string(), 0.0f});
  variable.owner_ = this;
}

size_t Variables::indexOf(const std::string& name) const {
  const auto it = names_.find(name);
  if (it == names_.end()) throw VariableNotFound();
  return it->second;
}

void Variables::setDefaults(uint32_t largerSide) {
  const float tolerance = 0.51f;
  records_[indexOf("imageTol")].proportion = tolerance;
  imageTol.setScaled(tolerance);

  inFocusEdgeWidth.setValue(
      static_cast<float>(std::clamp(largerSide / std::pow(2.0, 8.5), 2.0, 32.0)));

  featureTol.setValue(1.05f);
  focus.setValue(0.0f);
  edgeContrast.setValue(1);
  textureFilter.setValue(1);
  interpolation.setValue(0);
  resolution.setValue(1.0f);
  overlap.setValue(1);
  colourBits.setValue(4);
  maxBits.setValue(7);
  tPercent.setValue(1.0f / 6.0f);
  texture.setValue(1.0f);
  bSmooth.setValue(5);
  bCareful.setValue(16);
  bGreedy.setValue(8);
  vMdPt.setValue(5);
  vSmplf.setValue(0.6f);
  vSmth.setValue(0.4f);
  blendMode.setValue(2);
  fgSampling.setValue(1);
  bgSampling.setValue(1);
}

void Variables::set(const std::string& name, float proportion) {
  const size_t i = indexOf(name);
  // NaN would reach every integer conversion downstream; refuse it before touching anything.
  if (std::isnan(proportion)) throw InvalidProportion();
  records_[i].proportion = clampUnit(proportion);
  entries_[i].variable->setScaled(proportion);
}

void Variables::updateRecords() {
  for (size_t i = 0; i < entries_.size(); ++i)
    records_[i].proportion = clampUnit(entries_[i].variable->scaled());
}

void Variables::updateTexts() {
  for (size_t i = 0; i < entries_.size(); ++i) {
    Entry& entry = entries_[i];
    entry.text = entry.variable->toString();
    if (entry.variable->changed()) entry.text += '*';
    records_[i].text = entry.text.c_str();
  }
}

void Variables::clampIntoRange() {
  for (Entry& entry : entries_) {
    const float p = entry.variable->scaled();
    if (std::isnan(p) || p < 0.0f) {
      entry.variable->setScaled(0.0f);
    } else if (p > 1.0f) {
      entry.variable->setScaled(1.0f);
    }
  }
}

void Variables::rememberAll() {
  for (Entry& entry : entries_) {
    entry.remembered = clampUnit(entry.variable->scaled());
    entry.variable->latch();
  }
}

void Variables::restoreAll() {
  for (Entry& entry : entries_) entry.variable->latch();
  for (Entry& entry : entries_) {
    const float current = clampUnit(entry.variable->scaled());
    entry.variable->setScaled(entry.remembered);
    entry.remembered = current;
  }
}

CvVariable* Variables::findRecord(const std::string& name) {
  const auto it = names_.find(name);
  return it == names_.end() ? nullptr : &records_[it->second];
}

const CvVariable* Variables::findRecord(const std::string& name) const {
  const auto it = names_.find(name);
  return it == names_.end() ? nullptr : &records_[it->second];
}

VariableBase* Variables::findVariable(const std::string& name) {
  const auto it = names_.find(name);
  return it == names_.end() ? nullptr : entries_[it->second].variable;
}

const VariableBase* Variables::findVariable(const std::string& name) const {
  const auto it = names_.find(name);
  return it == names_.end() ? nullptr : entries_[it->second].variable;
}

}  // namespace corvane
