#include "trust/CatalogSearch.h"

#include <softpub.h>

#include "diagnostics/Trace.h"
#include "trust/CatalogContext.h"
#include "trust/CatalogFileHash.h"
#include "trust/CatalogIterator.h"
#include "trust/TrustTiming.h"

namespace qrLib {

FullTrustData MakeTrustData(DWORD mode) {
    FullTrustData data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = mode == 2 ? WTD_REVOKE_WHOLECHAIN : WTD_REVOKE_NONE;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    data.dwProvFlags = mode == 2 ? WTD_REVOCATION_CHECK_CHAIN : WTD_REVOCATION_CHECK_NONE;
    return data;
}

CatalogSearch SearchCatalogs(const CatalogApi& api, const std::wstring& path, GUID action,
                             DWORD mode, LONG embeddedStatus) {
    CatalogSearch search;
    search.status = embeddedStatus;
    CatalogContext context(api);
    if (!context.Acquired()) {
        return search;
    }
    search.contextAcquired = true;
    CatalogFileHash hash(api, path.c_str(), context.Handle(), true);
    if (!hash.Status()) {
        search.status = hash.LastError() == ERROR_INVALID_PARAMETER
                            ? static_cast<LONG>(TRUST_E_SUBJECT_NOT_TRUSTED)
                            : static_cast<LONG>(TRUST_E_SUBJECT_FORM_UNKNOWN);
        return search;
    }
    CatalogIterator catalogs(api, context, hash);
    if (catalogs.AtEnd()) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 770, L"No catalog lists the file",
                    static_cast<std::uint32_t>(embeddedStatus));
        return search;
    }
    search.listed = true;
    while (!catalogs.AtEnd()) {
        search.lastCatalog = catalogs.Current();
        FullCatalogInfo member{};
        member.cbStruct = sizeof member;
        member.dwCatalogVersion = 0;
        member.pcwszCatalogFilePath = search.lastCatalog.c_str();
        member.pcwszMemberTag = hash.MemberTag().c_str();
        member.pcwszMemberFilePath = path.c_str();
        member.hMemberFile = nullptr;
        member.pbCalculatedFileHash = nullptr;
        member.cbCalculatedFileHash = 0;
        member.pcCatalogContext = nullptr;
        member.hCatAdmin = context.Handle();
        FullTrustData data = MakeTrustData(mode);
        data.dwUnionChoice = WTD_CHOICE_CATALOG;
        data.pCatalog = &member;
        search.status = Timed(L"WinVerifyTrust (catalog)", search.lastCatalog, [&] {
            return api.verifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
        });
        if (search.status == 0) {
            trace::Text(trace::kFlagInfo, trace::kLevelInfo, 771, search.lastCatalog.c_str(), 0);
            break;
        }
        trace::Text(trace::kFlagError, trace::kLevelError, 772, search.lastCatalog.c_str(),
                    static_cast<std::uint32_t>(search.status));
        catalogs.Advance();
    }
    return search;
}

}  // namespace qrLib
