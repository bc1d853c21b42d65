#include "ImportPatch.h"

namespace {

template <typename T>
T* AtRva(ULONGLONG rva) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr)) + rva);
}

// The table lies in a section that may be read-only once the loader has filled it.
void Store(void** slot, void* value) {
    DWORD previous = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, previous, &previous);
}

}  // namespace

CImportPatch::CImportPatch(const char* dll, const char* function, void* replacement) {
    const auto* nt = AtRva<IMAGE_NT_HEADERS>(AtRva<IMAGE_DOS_HEADER>(0)->e_lfanew);
    const DWORD imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* module = AtRva<IMAGE_IMPORT_DESCRIPTOR>(imports); imports != 0 && module->Name != 0;
         ++module) {
        // Without the name table the entries cannot be told apart.
        if (lstrcmpiA(AtRva<char>(module->Name), dll) != 0 || module->OriginalFirstThunk == 0) {
            continue;
        }
        auto* slot = AtRva<IMAGE_THUNK_DATA>(module->FirstThunk);
        for (auto* name = AtRva<IMAGE_THUNK_DATA>(module->OriginalFirstThunk);
             name->u1.AddressOfData != 0; ++name, ++slot) {
            if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) &&
                lstrcmpA(AtRva<IMAGE_IMPORT_BY_NAME>(name->u1.AddressOfData)->Name, function) ==
                    0) {
                m_slots.push_back(reinterpret_cast<void**>(&slot->u1.Function));
            }
        }
    }
    m_original = m_slots.empty() ? nullptr : *m_slots.front();
    for (void** entry : m_slots) {
        Store(entry, replacement);
    }
}

CImportPatch::~CImportPatch() {
    for (void** entry : m_slots) {
        Store(entry, m_original);
    }
}
