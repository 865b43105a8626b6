#pragma once

#include <locale>
#include <ostream>
#include <sstream>
#include <string>

namespace corvane {

class Variables;

// A tuning variable as the host sees it: a proportion in 0..1 that one slider can drive
// whatever the variable's type, range or scale, and a display text.
class VariableBase {
 public:
  virtual ~VariableBase() = default;

  // The value as a proportion of the range; may lie outside 0..1.
  virtual float scaled() const = 0;
  // Sets the value from a proportion; proportions outside 0..1 are taken as they are.
  virtual void setScaled(float proportion) = 0;
  virtual std::string toString() const = 0;
  // Remembers the effective value; changed() compares against it.
  virtual void latch() = 0;
  virtual bool changed() const = 0;
  // Writes "<latched>, <effective>".
  virtual void print(std::ostream& out) const = 0;

  // The table that registered the variable; null until then.
  Variables* owner() const { return owner_; }

  VariableBase(const VariableBase&) = delete;
  VariableBase& operator=(const VariableBase&) = delete;

 protected:
  VariableBase() = default;

  // Texts must not depend on the host's global locale (decimal commas).
  static std::ostringstream textStream() {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    return out;
  }

 private:
  friend class Variables;
  Variables* owner_ = nullptr;
};

// The part of a variable that depends only on the type of its effective value.
template <class T>
class VariableBaseT : public VariableBase {
 public:
  using Value = T;

  std::string toString() const override {
    std::ostringstream out = textStream();
    out << effectiveValue();
    return out.str();
  }
  void latch() override { latch_ = effectiveValue(); }
  bool changed() const override { return effectiveValue() != latch_; }
  void print(std::ostream& out) const override { out << latch_ << ", " << effectiveValue(); }

  // The value the engine's stages work with; some variables derive it from others.
  virtual T effectiveValue() const = 0;

  T latched() const { return latch_; }

 private:
  T latch_{};
};

}  // namespace corvane
