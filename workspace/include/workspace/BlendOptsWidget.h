#pragma once

#include <QObjectCleanupHandler>
#include <QWidget>

class BlendingOptions;
class QBoxLayout;

// The base of the blend option panels: a widget that shows a blending-options record in its
// controls and writes them back. Controls and rows the panel builds without a parent (others
// place them in pages of their own) are owned by its cleanup handler and die with the panel
// unless a page deleted them before. GUI thread only.
class BlendOptsWidget : public QWidget {
  Q_OBJECT

 public:
  // `persist`: the controls remember their values, when the "PersistOptions" preference is
  // on as well.
  explicit BlendOptsWidget(bool persist, QWidget* parent = nullptr);

  virtual void showOptions(BlendingOptions* options) = 0;
  virtual void storeOptions(BlendingOptions* options) = 0;

  bool persistRequested() const { return persist_; }
  // Whether the controls write their values back when destroyed: persistence requested and
  // the preference on.
  bool savesControls() const;

 protected:
  virtual void buildUi(QBoxLayout* layout) = 0;
  // Style sheets apply to the panel itself.
  void paintEvent(QPaintEvent* event) override;

  QObjectCleanupHandler& cleanup() { return cleanup_; }

 private:
  bool persist_;
  QObjectCleanupHandler cleanup_;
};
