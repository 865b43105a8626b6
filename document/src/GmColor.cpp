#include "document/GmColor.h"

#include <algorithm>

#include <QAction>
#include <QColorDialog>
#include <QPixmap>
#include <QSettings>
#include <QToolButton>

#include "document/DocumentKeys.h"
#include "document/DocumentUiHooks.h"

namespace {

// The colour dialog's custom colours are Qt's, one set per process: loaded from the settings
// once per run, before the first dialog opens.
bool customColoursLoaded = false;

QString customColourKey(int index) {
  return settingsKeys::colours + settingsKeys::customColor.arg(index);
}

// A stored value that is not a colour leaves that custom colour as it is.
void loadCustomColours() {
  const QSettings settings(settingsKeys::organisation, settingsKeys::application);
  const int stored = settings.value(settingsKeys::colours + settingsKeys::numCustomColors).toInt();
  const int count = std::min(stored, QColorDialog::customCount());
  for (int i = 0; i < count; ++i) {
    const QVariant value = settings.value(customColourKey(i));
    if (!value.canConvert<QColor>()) continue;
    const QColor colour = value.value<QColor>();
    if (colour.isValid()) QColorDialog::setCustomColor(i, colour);
  }
}

void storeCustomColours() {
  QSettings settings(settingsKeys::organisation, settingsKeys::application);
  const int count = QColorDialog::customCount();
  settings.setValue(settingsKeys::colours + settingsKeys::numCustomColors, count);
  for (int i = 0; i < count; ++i)
    settings.setValue(customColourKey(i), QColorDialog::customColor(i));
}

}  // namespace

GmColor::GmColor(const QString& keyName, const QString& description, int persist,
                 const QColor& defaultColour, QObject* parent)
    : QObject(parent),
      current_(defaultColour),
      default_(defaultColour),
      committed_(defaultColour),
      keyName_(keyName),
      description_(description),
      persist_(persist) {
  if (persist_ == 1) {
    const QSettings settings(settingsKeys::organisation, settingsKeys::application);
    const QVariant stored = settings.value(settingsKey());
    if (stored.canConvert<QColor>()) {
      const QColor colour = stored.value<QColor>();
      if (colour.isValid()) current_ = colour;
    }
  }
}

GmColor::GmColor(const QVariantMap& map, QObject* parent)
    : QObject(parent),
      current_(map.value(documentKeys::qColor).value<QColor>()),
      default_(map.value(documentKeys::defaultColour).value<QColor>()),
      committed_(default_),
      keyName_(map.value(documentKeys::keyname).toString()),
      description_(map.value(documentKeys::desc).toString()),
      persist_(0) {}

GmColor::~GmColor() {
  if (persist_ == 1) {
    QSettings settings(settingsKeys::organisation, settingsKeys::application);
    settings.setValue(settingsKey(), current_);
  }
  if (toolButton_ && !toolButton_->parent()) delete toolButton_.data();
}

QVariantMap GmColor::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::qColor, current_);
  map.insert(documentKeys::defaultColour, default_);
  map.insert(documentKeys::keyname, keyName_);
  map.insert(documentKeys::desc, description_);
  map.insert(documentKeys::persist, persist_);
  return map;
}

QAction* GmColor::changeAction() {
  if (!action_) {
    action_ = new QAction(tr("Change %1 color").arg(description_), this);
    connect(action_, &QAction::triggered, this, &GmColor::changeColorSlot);
    updateIcons();
  }
  return action_;
}

QToolButton* GmColor::toolButton() {
  if (!toolButton_) {
    toolButton_ = new QToolButton;
    toolButton_->setFocusPolicy(Qt::NoFocus);
    toolButton_->setDefaultAction(changeAction());
    toolButton_->setToolTip(changeAction()->text());
    updateIcons();
  }
  return toolButton_;
}

void GmColor::restoreDefaultSlot() {
  setCurrent(default_);
}

void GmColor::revertChangeSlot() {
  setCurrent(committed_);
}

void GmColor::commitChangeSlot() {
  committed_ = current_;
}

void GmColor::changeColorSlot() {
  if (!customColoursLoaded) {
    customColoursLoaded = true;
    loadCustomColours();
  }
  const QColor chosen =
      documentUiHooks().chooseColour(current_, tr("Select %1 color").arg(description_));
  if (!chosen.isValid()) return;
  storeCustomColours();
  setCurrent(chosen);
}

void GmColor::reloadCustomColoursForTesting() {
  customColoursLoaded = false;
}

void GmColor::setCurrent(const QColor& colour) {
  current_ = colour;
  updateIcons();
  emit colorChanged(current_);
}

void GmColor::updateIcons() {
  if (!action_ && !toolButton_) return;
  QPixmap swatch(32, 32);
  swatch.fill(current_);
  const QIcon icon(swatch);
  if (action_) action_->setIcon(icon);
  if (toolButton_) toolButton_->setIcon(icon);
}

QString GmColor::settingsKey() const {
  return settingsKeys::colours + keyName_;
}
