// The install and uninstall commands: the service "Yolinst" for this executable, and the
// upgrade state "LaunchSetup" that both clear.
#pragma once

void mfn_Install();
void mfn_UnInstall();

// The SCM work of the commands; each logs its own failures.
void InstallService();
void ChangeServiceImagePath();
void RemoveService();
