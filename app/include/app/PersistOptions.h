#pragma once

#include <QList>
#include <QSettings>
#include <QString>

class GmColor;

// Two user preferences and the seven user colours, read at start-up and written back when it is
// deleted (first thing at exit, while the rest of the application still exists). One per
// process, reached through instance(). GUI thread.
class PersistOptions {
 public:
  // Reads both options (a missing or unconvertible value gives the default), then makes the user
  // colours: after the translations, so their names are translated.
  PersistOptions();
  // Writes both options and deletes the colours, each of which writes itself back.
  ~PersistOptions();

  PersistOptions(const PersistOptions&) = delete;
  PersistOptions& operator=(const PersistOptions&) = delete;

  // The options in force, or null.
  static PersistOptions* instance();

  // "Preferences/PersistOptions": option panels keep their values across images.
  bool persistOptions = false;
  // "Preferences/UseTabletPressure": the canvas follows the pen's pressure.
  bool useTabletPressure = true;
  // The user colours, in UserColours order; borrowed from UserColours, which this object
  // deletes.
  QList<GmColor*> colors;

  const QString persistOptionsKey;
  const QString useTabletPressureKey;

 private:
  QSettings settings_;
};
