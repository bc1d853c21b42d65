// Pieces the service commands share: the run-in-progress probe, opening the service for changes,
// and the stop-and-wait sequence.
#pragma once

#include <windows.h>

#include "win/unique_any.h"

// True when a service run holds "YolInstall_exist" (creating it answers "already exists" or
// "access denied"). The probe's own handle is closed at once.
bool UpgradeRunInProgress();

// The SCM opened with full access; logs "OpenSCManager failed - <error>" when it cannot be.
win::unique_schandle OpenManagerForChanges();
// "Yolinst" opened with full access; logs "OpenService failed - <error>" when it cannot be.
win::unique_schandle OpenYolinstService(SC_HANDLE manager);

// Sends the stop control. When accepted: logs "Stopping ...", polls each second while stop is
// pending (a "." line per poll), then logs stopped or failed to stop. A refused control is silent.
void StopAndWait(SC_HANDLE service);
