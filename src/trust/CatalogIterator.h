// The catalogs that list a file's hash, collected on construction in the system's order.
#pragma once

#include <string>
#include <vector>

#include "trust/CatalogContext.h"
#include "trust/CatalogFileHash.h"

namespace qrLib {

class CatalogIterator {
public:
    CatalogIterator(const CatalogApi& api, const CatalogContext& context,
                    const CatalogFileHash& hash);
    // Releases the catalog context the enumeration left with the iterator.
    ~CatalogIterator();
    CatalogIterator(const CatalogIterator&) = delete;
    CatalogIterator& operator=(const CatalogIterator&) = delete;

    // True when there is no (further) catalog to try.
    bool AtEnd() const { return m_atEnd; }
    std::size_t Count() const { return m_catalogs.size(); }
    std::size_t Index() const { return m_index; }
    // The catalog at the current index; empty at end.
    std::wstring Current() const;
    // Moves to the next catalog, or to the end after the last.
    void Advance();

private:
    void Enumerate();

    const CatalogApi& m_api;
    const CatalogContext& m_context;
    const CatalogFileHash& m_hash;
    HCATINFO m_current = nullptr;
    std::vector<std::wstring> m_catalogs;
    std::size_t m_index = 0;
    bool m_atEnd = false;
};

}  // namespace qrLib
