#include "app/PersistOptions.h"

#include "document/UserColours.h"

namespace {

PersistOptions* theOptions = nullptr;

// A stored bool, or `fallback` when the value is missing or is not a bool.
bool readBool(const QSettings& settings, const QString& key, bool fallback) {
  const QVariant value = settings.value(key);
  if (!value.isValid()) return fallback;
  if (value.type() == QVariant::Bool) return value.toBool();
  const QString text = value.toString().trimmed().toLower();
  if (text == QLatin1String("true") || text == QLatin1String("1")) return true;
  if (text == QLatin1String("false") || text == QLatin1String("0")) return false;
  return fallback;
}

}  // namespace

PersistOptions::PersistOptions()
    : persistOptionsKey(QStringLiteral("Preferences/PersistOptions")),
      useTabletPressureKey(QStringLiteral("Preferences/UseTabletPressure")) {
  theOptions = this;
  persistOptions = readBool(settings_, persistOptionsKey, false);
  useTabletPressure = readBool(settings_, useTabletPressureKey, true);
  UserColours* colours = UserColours::instance();
  for (int i = 0; i < UserColours::Count; ++i) colors << colours->colour(UserColours::Colour(i));
}

PersistOptions::~PersistOptions() {
  settings_.setValue(persistOptionsKey, persistOptions);
  settings_.setValue(useTabletPressureKey, useTabletPressure);
  colors.clear();
  UserColours::destroyInstance();
  if (theOptions == this) theOptions = nullptr;
}

PersistOptions* PersistOptions::instance() {
  return theOptions;
}
