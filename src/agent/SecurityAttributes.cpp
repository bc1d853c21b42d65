#include "agent/SecurityAttributes.h"

namespace GRD {

CDACL::~CDACL() {
    CDACL::Release();
}

PSID CDACL::EveryoneSid() {
    if (!m_everyone) {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                 m_everyone.put());
    }
    return m_everyone.get();
}

bool CDACL::Create() {
    Release();
    win::unique_hlocal descriptor(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!descriptor ||
        !InitializeSecurityDescriptor(descriptor.get(), SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(descriptor.get(), TRUE, Dacl(), FALSE) ||
        !IsValidSecurityDescriptor(descriptor.get())) {
        Release();
        return false;
    }
    win::unique_hlocal attributes(LocalAlloc(LPTR, sizeof(SECURITY_ATTRIBUTES)));
    if (!attributes) {
        Release();
        return false;
    }
    auto* record = static_cast<SECURITY_ATTRIBUTES*>(attributes.get());
    record->nLength = sizeof(SECURITY_ATTRIBUTES);
    record->lpSecurityDescriptor = descriptor.get();
    record->bInheritHandle = TRUE;
    m_descriptor = std::move(descriptor);
    m_attributes = std::move(attributes);
    return true;
}

void CDACL::Release() {
    m_attributes.reset();
    m_descriptor.reset();
    m_everyone.reset();
}

bool CDACL::AddAces(DWORD, DWORD) {
    return true;
}
bool CDACL::BuildDacl() {
    return true;
}
void CDACL::FreeDacl() {}

CEveryoneDACL::~CEveryoneDACL() {
    CEveryoneDACL::FreeDacl();
}

bool CEveryoneDACL::AddAces(DWORD denyMask, DWORD allowMask) {
    PSID everyone = EveryoneSid();
    if (!m_dacl || everyone == nullptr) {
        return false;
    }
    return AddAccessDeniedAce(Dacl(), ACL_REVISION, denyMask, everyone) &&
           AddAccessAllowedAce(Dacl(), ACL_REVISION, allowMask, everyone);
}

bool CEveryoneDACL::BuildDacl() {
    FreeDacl();
    PSID everyone = EveryoneSid();
    if (everyone == nullptr) {
        return false;
    }
    // The ACL header and two entry headers, plus the SID in each entry.
    const DWORD size = 24 + 2 * GetLengthSid(everyone);
    m_dacl.reset(LocalAlloc(LPTR, size));
    if (!m_dacl || !InitializeAcl(Dacl(), size, ACL_REVISION) ||
        !AddAces(DELETE | WRITE_DAC | WRITE_OWNER, GENERIC_ALL)) {
        FreeDacl();
        return false;
    }
    return true;
}

void CEveryoneDACL::FreeDacl() {
    if (!m_dacl) {
        return;
    }
    for (DWORD index = Dacl()->AceCount; index > 0; --index) {
        DeleteAce(Dacl(), index - 1);
    }
    m_dacl.reset();
}

}  // namespace GRD
