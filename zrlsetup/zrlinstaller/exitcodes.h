// Process exit codes, the ones deployment tools (winget, Intune, Chocolatey)
// already understand from MSI.
#pragma once

namespace zrl::exitcode {

constexpr int kSuccess = 0;            // the run completed
constexpr int kUserCancelled = 1602;   // the user cancelled the install
constexpr int kFatalError = 1603;      // a script failed to load or raised an error, a resource is missing or corrupt
constexpr int kAnotherInstance = 1618; // another installer of the same product is running

} // namespace zrl::exitcode
