// Swaps one entry of this executable's import address table for the object's lifetime. The
// product's libraries are linked into the test executable, so their calls into system DLLs go
// through that table: a test can put its own function in front of any of them.
#pragma once

#include <windows.h>

#include <vector>

class CImportPatch {
public:
    // `dll` is compared without regard to case, `function` is an import by name. Every entry of
    // that import is swapped (a DLL may be described more than once).
    CImportPatch(const char* dll, const char* function, void* replacement);
    ~CImportPatch();
    CImportPatch(const CImportPatch&) = delete;
    CImportPatch& operator=(const CImportPatch&) = delete;

    // The function the entry held before; null when the executable does not import it.
    void* Original() const { return m_original; }

private:
    std::vector<void**> m_slots;
    void* m_original = nullptr;
};
