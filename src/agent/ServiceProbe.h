// Whether a Windows service is installed, by a probe that loads advapi32.dll from the system
// directory at run time.
#pragma once

bool IsServiceInstalled(const char* serviceName);
