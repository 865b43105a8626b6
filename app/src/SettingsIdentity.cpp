#include "app/SettingsIdentity.h"

#include <QSettings>
#include <QUuid>

#include "app/AppIdentity.h"

namespace {

const QString kId = QStringLiteral("ID");
const QString kMid = QStringLiteral("MID");

// Made once per process.
const QString& newMachineId() {
  static const QString id = QUuid::createUuid().toString();
  return id;
}

}  // namespace

bool syncInstallationId() {
  QSettings system(QSettings::SystemScope, makerName(), appName());
  system.setFallbacksEnabled(false);
  const QString systemId = system.value(kId).toString();
  if (systemId.isEmpty()) return false;
  QSettings user(QSettings::UserScope, makerName(), appName());
  user.setFallbacksEnabled(false);
  if (user.value(kId).toString() == systemId) return false;
  user.remove(QStringLiteral("UI"));
  user.remove(QStringLiteral("PersistVersion"));
  user.setValue(kId, systemId);
  return true;
}

QString ensureMachineId() {
  QSettings system(QSettings::SystemScope, makerName());
  system.setFallbacksEnabled(false);
  const QString stored = system.value(kMid).toString();
  if (!stored.isEmpty()) return stored;
  system.setValue(kMid, newMachineId());
  system.sync();
  // The object keeps a value it could not write; only the store's status tells.
  if (system.status() == QSettings::NoError) return newMachineId();

  QSettings user(QSettings::UserScope, makerName());
  user.setFallbacksEnabled(false);
  const QString own = user.value(kMid).toString();
  if (!own.isEmpty()) return own;  // the machine's identifier from an earlier start
  user.setValue(kMid, newMachineId());
  return newMachineId();
}
