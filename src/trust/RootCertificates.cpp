#include "trust/RootCertificates.h"

#include <cwchar>
#include <mutex>

#include "OutdatedRootSerial.h"  // generated at configure time
#include "diagnostics/Trace.h"
#include "win/unique_any.h"

namespace {

constexpr DWORD kMachineStoreFlags =
    CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG;
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr WORD kBundleResourceId = 1;
constexpr wchar_t kBundleResourceType[] = L"ROOTC";

// A positive Win32 error becomes a failure HRESULT; zero and values that already are HRESULTs
// (crypt32 reports those through the last error) pass unchanged.
HRESULT FromWin32(DWORD error) {
    const LONG value = static_cast<LONG>(error);
    return value <= 0 ? value : static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}

HRESULT LastErrorResult() {
    return FromWin32(GetLastError());
}

HRESULT Traced(std::uint16_t number, const wchar_t* text, HRESULT result) {
    trace::Text(trace::kFlagError, trace::kLevelError, number, text,
                static_cast<std::uint32_t>(result));
    return result;
}

HCERTSTORE OpenRealMachineStore(const wchar_t* name) {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, kMachineStoreFlags, name);
}

std::mutex g_openerLock;
MachineStoreOpener g_opener;

HCERTSTORE OpenMachineStore(const wchar_t* name) {
    MachineStoreOpener opener;
    {
        std::lock_guard<std::mutex> lock(g_openerLock);
        opener = g_opener;
    }
    return opener ? opener(name) : OpenRealMachineStore(name);
}

// A machine store that is committed before it is closed: after a refused add, Wine may not write
// the store's other changes on close alone.
class CMachineStore {
public:
    explicit CMachineStore(const wchar_t* name) : m_store(OpenMachineStore(name)) {}
    ~CMachineStore() {
        if (m_store) {
            CertControlStore(m_store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
        }
    }
    CMachineStore(const CMachineStore&) = delete;
    CMachineStore& operator=(const CMachineStore&) = delete;

    HCERTSTORE get() const { return m_store.get(); }
    explicit operator bool() const { return static_cast<bool>(m_store); }

private:
    win::unique_cert_store m_store;
};

void Send(RootRefreshState& state, const wchar_t* format, HRESULT result) {
    wchar_t text[128] = {};
    std::swprintf(text, sizeof text / sizeof text[0], format, static_cast<unsigned>(result));
    if (state.send) {
        state.send(text);
    } else {
        trace::Text(trace::kFlagError, trace::kLevelError, 139, text, 0);
    }
}

}  // namespace

CRYPT_INTEGER_BLOB OutdatedRootSerial() {
    CRYPT_INTEGER_BLOB blob;
    blob.cbData = sizeof kOutdatedRootSerialBytes;
    blob.pbData = const_cast<BYTE*>(kOutdatedRootSerialBytes);
    return blob;
}

MachineStoreOpener SetMachineStoreOpener(MachineStoreOpener opener) {
    std::lock_guard<std::mutex> lock(g_openerLock);
    std::swap(opener, g_opener);
    return opener;
}

HRESULT RefreshRootCertificates(RootRefreshState& state) {
    if (!state.refreshSwitch) {
        return Traced(130, L"RefreshRootCertificates: switched off", 1);
    }
    if (state.refreshed) {
        return Traced(131, L"RefreshRootCertificates: already refreshed", 1);
    }
    CRYPT_INTEGER_BLOB serial = OutdatedRootSerial();
    const HRESULT deleted = DeleteRootBySerial(serial);
    if (FAILED(deleted)) {
        Send(state, L"Failed to delete certificate. HRESULT: 0x%08X", deleted);
    }
    // Marked before installing: a failure would fail again, and the verification decides anyway.
    state.refreshed = true;
    const HRESULT installed = InstallEmbeddedCertificates();
    if (FAILED(installed)) {
        Send(state, L"Failed to install certificate. HRESULT: 0x%08X", installed);
    }
    return installed;
}

HRESULT DeleteRootBySerial(const CRYPT_INTEGER_BLOB& serial) {
    const CMachineStore root(L"ROOT");
    if (!root) {
        return Traced(132, L"DeleteRootBySerial: cannot open ROOT", LastErrorResult());
    }
    CRYPT_INTEGER_BLOB wanted = serial;
    win::unique_cert_context certificate;
    for (;;) {
        // The enumeration frees the previous context, so it is handed over, not kept.
        certificate.reset(CertEnumCertificatesInStore(root.get(), certificate.release()));
        if (!certificate) {
            return 0;
        }
        CRYPT_INTEGER_BLOB found = certificate.get()->pCertInfo->SerialNumber;
        if (!CertCompareIntegerBlob(&found, &wanted)) {
            continue;
        }
        // The delete frees the context whatever it answers, and the enumeration ends with it.
        if (CertDeleteCertificateFromStore(certificate.release())) {
            return Traced(133, L"DeleteRootBySerial: deleted", 0);
        }
        const DWORD error = GetLastError();
        if (error == static_cast<DWORD>(CRYPT_E_NOT_FOUND)) {
            return Traced(134, L"DeleteRootBySerial: already gone", 0);
        }
        return Traced(135, L"DeleteRootBySerial: delete failed", FromWin32(error));
    }
}

HRESULT InstallEmbeddedCertificates() {
    return InstallEmbeddedCertificatesFrom(GetModuleHandleW(nullptr));
}

HRESULT InstallEmbeddedCertificatesFrom(HMODULE module) {
    const HRSRC resource =
        FindResourceW(module, MAKEINTRESOURCEW(kBundleResourceId), kBundleResourceType);
    if (resource == nullptr) {
        return Traced(136, L"InstallEmbeddedCertificates: no ROOTC resource", LastErrorResult());
    }
    const HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return Traced(137, L"InstallEmbeddedCertificates: cannot load ROOTC", LastErrorResult());
    }
    CRYPT_DATA_BLOB blob;
    blob.cbData = SizeofResource(module, resource);
    blob.pbData = static_cast<BYTE*>(const_cast<void*>(bytes));
    win::unique_cert_store bundle;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_BLOB, &blob, CERT_QUERY_CONTENT_FLAG_ALL,
                          CERT_QUERY_FORMAT_FLAG_ALL, 0, nullptr, nullptr, nullptr, bundle.put(),
                          nullptr, nullptr)) {
        return Traced(138, L"InstallEmbeddedCertificates: ROOTC unreadable", LastErrorResult());
    }
    if (!bundle) {
        return 0;
    }
    const CMachineStore root(L"ROOT");
    if (!root) {
        return Traced(140, L"InstallEmbeddedCertificates: cannot open ROOT", LastErrorResult());
    }
    const CMachineStore ca(L"CA");
    if (!ca) {
        return Traced(141, L"InstallEmbeddedCertificates: cannot open CA", LastErrorResult());
    }
    win::unique_cert_context certificate;
    for (;;) {
        certificate.reset(CertEnumCertificatesInStore(bundle.get(), certificate.release()));
        if (!certificate) {
            return 0;
        }
        const CERT_INFO* info = certificate.get()->pCertInfo;
        CERT_NAME_BLOB issuer = info->Issuer;
        CERT_NAME_BLOB subject = info->Subject;
        const bool selfSigned = CertCompareCertificateName(kEncoding, &issuer, &subject) != FALSE;
        const HCERTSTORE target = selfSigned ? root.get() : ca.get();
        // A certificate already there is left alone: adding it would change nothing, and an add
        // keeps the system store open behind our back (under Wine, one registry key per add).
        if (win::unique_cert_context(CertFindCertificateInStore(
                target, kEncoding, 0, CERT_FIND_EXISTING, certificate.get(), nullptr))) {
            continue;
        }
        if (!CertAddCertificateContextToStore(target, certificate.get(), CERT_STORE_ADD_NEW,
                                              nullptr) &&
            GetLastError() != static_cast<DWORD>(CRYPT_E_EXISTS)) {
            return Traced(142, L"InstallEmbeddedCertificates: add failed", LastErrorResult());
        }
    }
}
