#pragma once

#include <initializer_list>
#include <map>
#include <sstream>
#include <string>

namespace corvane {

// An enumerated variable: values 0..n-1 over B (an integer VarScaled) with a name each.
template <class B, class Name = std::string>
class MeaningMap : public B {
 public:
  using Value = typename B::Value;

  MeaningMap(std::initializer_list<const char*> names)
      : B(typename B::Scale(0), typename B::Scale(names.size() - 1)) {
    Value v = 0;
    for (const char* name : names) meanings_.emplace(v++, Name(name));
  }

  // "1=medium"; a value without a name shows only the number.
  std::string toString() const override {
    const Value v = this->effectiveValue();
    std::ostringstream out = this->textStream();
    out << v;
    const auto it = meanings_.find(v);
    if (it != meanings_.end()) out << '=' << it->second;
    return out.str();
  }

  const std::map<Value, Name>& meanings() const { return meanings_; }

 private:
  std::map<Value, Name> meanings_;
};

}  // namespace corvane
