#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class QAction;
class QToolButton;

// One user-changeable colour: its current value, a default, the value last committed, and,
// when it persists, a place in the settings store under "Colors/" + its key name, which it is
// read from when built and written back to when destroyed. Its action and tool button, built
// on first use, let the user choose a new colour. GUI thread.
class GmColor : public QObject {
  Q_OBJECT

 public:
  // With persist 1 the current colour is the stored one (the default when none is stored);
  // otherwise the default.
  GmColor(const QString& keyName, const QString& description, int persist,
          const QColor& defaultColour, QObject* parent = nullptr);
  // From a stored map. A colour read from a map never persists, whatever the map says: a file
  // must not reach the settings store.
  explicit GmColor(const QVariantMap& map, QObject* parent = nullptr);
  // Writes the current colour to the settings store when it persists.
  ~GmColor() override;

  QVariantMap toVariant() const;

  QColor color() const { return current_; }
  QColor defaultColor() const { return default_; }
  const QString& keyName() const { return keyName_; }
  const QString& description() const { return description_; }
  int persist() const { return persist_; }

  // "Change <description> color", with an icon of the current colour; owned by the colour.
  QAction* changeAction();
  // A button without focus whose default action is changeAction(); deleted with the colour
  // unless a widget took it as its child.
  QToolButton* toolButton();

  // Test aid: the next colour dialog loads the custom colours again, as a new run's first one.
  static void reloadCustomColoursForTesting();

 signals:
  void colorChanged(QColor colour);

 public slots:
  // current := default, and report it.
  void restoreDefaultSlot();
  // current := committed, and report it.
  void revertChangeSlot();
  // committed := current.
  void commitChangeSlot();
  // Asks the user for a new colour; a cancelled choice changes and reports nothing. The first
  // dialog of a run loads the dialog's custom colours from the settings; a chosen colour stores
  // them back, so they are kept between runs.
  void changeColorSlot();

 private:
  void setCurrent(const QColor& colour);
  void updateIcons();
  QString settingsKey() const;

  QColor current_;
  QColor default_;
  QColor committed_;
  QString keyName_;
  QString description_;
  QAction* action_ = nullptr;
  QPointer<QToolButton> toolButton_;
  int persist_ = 0;
};
