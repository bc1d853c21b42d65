// The catalog administrator context: acquired on construction, released on destruction.
#pragma once

#include "trust/CatalogApi.h"

namespace qrLib {

class CatalogContext {
public:
    explicit CatalogContext(const CatalogApi& api);
    ~CatalogContext();
    CatalogContext(const CatalogContext&) = delete;
    CatalogContext& operator=(const CatalogContext&) = delete;

    BOOL Acquired() const { return m_acquired; }
    HCATADMIN Handle() const { return m_handle; }

private:
    const CatalogApi& m_api;
    BOOL m_acquired = FALSE;
    HCATADMIN m_handle = nullptr;
};

}  // namespace qrLib
