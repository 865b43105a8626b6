#pragma once

#include <QVariant>
#include <QVariantList>

// An option value of the edge-detection settings, with the states the panel and the engine
// commands move between. What the states hold is the implementation's.
class GmValueB {
 public:
  virtual ~GmValueB() = default;

  // current differs from applied
  virtual bool isChanged() const = 0;
  // current differs from the default
  virtual bool isNonDefault() const = 0;
  // applied := current
  virtual void apply() = 0;
  // stored := applied
  virtual void store() = 0;
  // applied := stored
  virtual void restore() = 0;
  // current := applied
  virtual void revert() = 0;
  // current := default
  virtual void setDefault() = 0;
  // applied := other's applied; nothing when other is another kind of value.
  virtual void assign(const GmValueB& other) = 0;
};

// The value as the controls show it (current), as the engine last received it (applied), its
// default, and the applied value saved before the last application (stored).
template <typename T>
class GmValue final : public GmValueB {
 public:
  explicit GmValue(T all = T()) : current(all), applied(all), defaultValue(all), stored(all) {}

  bool isChanged() const override { return current != applied; }
  bool isNonDefault() const override { return current != defaultValue; }
  void apply() override { applied = current; }
  void store() override { stored = applied; }
  void restore() override { applied = stored; }
  void revert() override { current = applied; }
  void setDefault() override { current = defaultValue; }
  void assign(const GmValueB& other) override {
    if (const auto* same = dynamic_cast<const GmValue<T>*>(&other)) applied = same->applied;
  }

  // Stored form: a list of the four states in the order current, applied, default, stored.
  QVariantList toVariant() const {
    return {QVariant::fromValue(current), QVariant::fromValue(applied),
            QVariant::fromValue(defaultValue), QVariant::fromValue(stored)};
  }
  // Reads the stored form over this value: an entry that does not convert reads as T(); the
  // states of a missing or short list keep what they hold.
  void readVariant(const QVariant& form) {
    const QVariantList list = form.toList();
    T* const states[] = {&current, &applied, &defaultValue, &this->stored};
    for (int i = 0; i < 4 && i < list.size(); ++i) *states[i] = list.at(i).value<T>();
  }

  T current;
  T applied;
  T defaultValue;
  T stored;
};
