// The administrator's install, reboot and feature choices carried from config.xml into the staged
// package's zudUvu.ini before setup's command line is built.
#pragma once

// Runs the install, reboot and feature option parsers on `storagePath`, in that order, and logs
// each nonzero result; a failure never stops the launch. The three are destroyed together after
// the third has run.
void CarryConfiguredOptions(const char* storagePath);
