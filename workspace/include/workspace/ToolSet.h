#pragma once

#include <QList>

class GmTool;

// A set of tools made together: it keeps them in the order made and destroys them newest first,
// so the tool made first (a default tool) goes last. The sets of the tabs derive from it. GUI
// thread only.
class ToolSet {
 public:
  ToolSet() = default;
  ~ToolSet();
  ToolSet(const ToolSet&) = delete;
  ToolSet& operator=(const ToolSet&) = delete;

  // Every tool, in the order made.
  const QList<GmTool*>& tools() const { return tools_; }

 protected:
  // Takes `tool` into the set and answers it.
  template <class Tool>
  Tool* keep(Tool* tool) {
    tools_ << tool;
    return tool;
  }

 private:
  QList<GmTool*> tools_;
};
