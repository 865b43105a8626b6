#pragma once

namespace classification {

class IiClassification;

// One recorded change of a session's classification state. A step is applied to undo the
// change and applied again to redo it.
class IiUndoStep {
 public:
  virtual ~IiUndoStep() = default;
  virtual void undo(IiClassification& state) = 0;
  virtual void redo(IiClassification& state) = 0;

 protected:
  IiUndoStep() = default;
  IiUndoStep(const IiUndoStep&) = delete;
  IiUndoStep& operator=(const IiUndoStep&) = delete;
};

}  // namespace classification
