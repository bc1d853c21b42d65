// The publisher's certificate chain that the executable carries (resource "ROOTC", ID 1: DER
// PKCS#7 with certificates only), put into the local machine's stores before the first
// verification of a setup trust context, after one outdated certificate is taken out of "ROOT".
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <functional>
#include <string>

// What a refresh needs from the setup trust context it runs for. The context embeds one and binds
// `send` to its own message sending (trace, then the caller's sink if any).
struct RootRefreshState {
    bool refreshSwitch = true;  // on for every setup trust context
    bool refreshed = false;     // the certificates were installed for this context
    std::function<void(const std::wstring&)> send;
};

// Once per state: deletes the outdated certificate from "ROOT" and installs the embedded ones,
// sending a message for each failure. The install's HRESULT, or 1 when the switch is off or the
// state has already refreshed. The state counts as refreshed even when the deletion failed.
HRESULT RefreshRootCertificates(RootRefreshState& state);

// Deletes the first certificate of the local machine "ROOT" store whose serial equals `serial`
// (little-endian). 0 when it is deleted, already gone or absent; otherwise an HRESULT.
HRESULT DeleteRootBySerial(const CRYPT_INTEGER_BLOB& serial);

// Adds the certificates of the running program's "ROOTC" resource, self-signed ones to "ROOT" and
// the others to "CA"; one already there counts as added. 0, or the HRESULT of the first failure.
HRESULT InstallEmbeddedCertificates();
// The same with the resource of `module`.
HRESULT InstallEmbeddedCertificatesFrom(HMODULE module);

// The outdated certificate's serial, little-endian, as configured at build time.
CRYPT_INTEGER_BLOB OutdatedRootSerial();

// Opens a local machine system store by name; tests replace it to make a store fail to open.
using MachineStoreOpener = std::function<HCERTSTORE(const wchar_t* name)>;
// Installs `opener` (an empty one restores the real one) and returns the previous.
MachineStoreOpener SetMachineStoreOpener(MachineStoreOpener opener);
