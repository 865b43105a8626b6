#pragma once

#include <QString>

// The identifiers kept in the settings store, before any application object exists.

// Installation identifier: an installer writes "ID" into the system scope. When it is there and
// the user's "ID" differs, the user's window layout ("UI" and "PersistVersion") is discarded
// once and the system's value copied. Returns true when the user's settings were changed.
bool syncInstallationId();

// Machine identifier "MID": made once on a machine. The system scope of the organisation holds
// it; when that store cannot be written, the user scope of the organisation does, and a value
// already there is kept. Returns the value in force.
QString ensureMachineId();
