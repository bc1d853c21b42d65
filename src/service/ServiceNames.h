// Names under which the agent registers itself.
#pragma once

namespace names {
constexpr char kServiceName[] = "Yolinst";
constexpr char kDisplayName[] = "Zanthrex Auto-upgrade Agent";
constexpr char kEventSource[] = "Yolinst";
// Held by a service run for its whole duration; the install and start commands probe it.
constexpr char kRunMutex[] = "YolInstall_exist";
constexpr unsigned kDescriptionStringId = 115;
}  // namespace names
