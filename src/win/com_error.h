// The exception a failed COM call raises where a caller cannot go on; carries the HRESULT.
// Deliberately not a std::exception: the service main reports it apart from those.
#pragma once

#include <windows.h>

namespace win {

class com_error {
public:
    explicit com_error(HRESULT hr) noexcept : m_hr(hr) {}
    HRESULT hr() const noexcept { return m_hr; }

private:
    HRESULT m_hr;
};

}  // namespace win
