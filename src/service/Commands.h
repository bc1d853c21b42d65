// The process's command line: one switch from the command table, or none to run as the service.
#pragma once

// 0 when there is no argument beyond the program name; 1 in every other case (a command ran, no
// switch matched, or the command line could not be split).
int ProcessCommandLine();

// The no-argument path: run as the service, then relaunch this executable hidden with
// "-uninstall" (or uninstall in this process when that cannot be started).
void RunServiceAndRemove();

void mfn_Runservice();
// Asks for confirmation, then runs the service body in this process in debug mode.
void mfn_Debug();
