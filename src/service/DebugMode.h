// Set once the user confirms the "-debug" prompt; never cleared. While set, nothing is reported to
// the Service Control Manager or the event log, and the result message boxes are shown.
#pragma once

bool IsDebugMode() noexcept;
void EnterDebugMode() noexcept;
