// The start and stop commands: drive the installed service and poll until it gets there.
#pragma once

void mfn_StartService();
void mfn_StopService();

// Starts "Yolinst" with this process's ID as its one argument and waits by check point and
// wait hint.
void StartServiceAndWait();
// Sends the stop control and waits while the service is stop pending.
void StopServiceAndWait();
