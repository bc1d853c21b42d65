#include "trust/CatalogContext.h"

#include "diagnostics/Trace.h"

namespace qrLib {

CatalogContext::CatalogContext(const CatalogApi& api) : m_api(api) {
    m_acquired = m_api.acquireContext(&m_handle);
    if (!m_acquired) {
        m_handle = nullptr;
        trace::Text(trace::kFlagError, trace::kLevelError, 760,
                    L"CatalogContext: the administrator context cannot be acquired",
                    GetLastError());
    }
}

CatalogContext::~CatalogContext() {
    if (m_handle != nullptr) {
        m_api.releaseContext(m_handle);
    }
}

}  // namespace qrLib
