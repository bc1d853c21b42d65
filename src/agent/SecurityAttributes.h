// Security attributes for named objects that processes of other users must be able to open.
#pragma once

#include <windows.h>

#include "win/unique_any.h"

namespace GRD {

// Owns a security descriptor, the SECURITY_ATTRIBUTES record pointing at it, an optional DACL
// and the Everyone SID. Without a DACL the descriptor carries a null DACL: full access for all.
class CDACL {
public:
    CDACL() = default;
    virtual ~CDACL();
    CDACL(const CDACL&) = delete;
    CDACL& operator=(const CDACL&) = delete;

    // Builds descriptor and attributes from the current DACL (freeing earlier ones first).
    virtual bool Create();
    // Frees descriptor, attributes and SID.
    virtual void Release();
    // Adds a deny entry and then an allow entry for Everyone; the base has no DACL to add to.
    virtual bool AddAces(DWORD denyMask, DWORD allowMask);
    // Builds the DACL the descriptor will carry; the base keeps the null DACL.
    virtual bool BuildDacl();
    virtual void FreeDacl();

    // The attributes Create built (inherit handle true), or null before it succeeded.
    SECURITY_ATTRIBUTES* Attributes() const {
        return static_cast<SECURITY_ATTRIBUTES*>(m_attributes.get());
    }
    PACL Dacl() const { return static_cast<PACL>(m_dacl.get()); }

protected:
    // The Everyone SID (S-1-1-0), created on first use; null if it cannot be.
    PSID EveryoneSid();

    win::unique_hlocal m_dacl;
    win::unique_hlocal m_attributes;
    win::unique_hlocal m_descriptor;
    win::unique_sid m_everyone;
};

// Can build a DACL that denies Everyone DELETE, WRITE_DAC and WRITE_OWNER and allows the rest.
class CEveryoneDACL : public CDACL {
public:
    ~CEveryoneDACL() override;
    bool AddAces(DWORD denyMask, DWORD allowMask) override;
    bool BuildDacl() override;
    void FreeDacl() override;
};

}  // namespace GRD
