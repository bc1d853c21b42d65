#include "agent/ResultCodes.h"

namespace result {

Outcome ForCode(std::uint32_t code) {
    switch (code) {
        case 0:
            return {true, "Auto-upgrade installation SUCCESSFUL."};
        case 1:
            return {false, "Auto-upgrade installation FAILED."};
        case 4:
            return {true,
                    "Auto-upgrade installation SUCCESSFUL. Restart the computer is recommended."};
        case 5:
            return {true,
                    "The Zanthrex Security client has been successfully updated to a newer version "
                    "and will be disabled until you restart your computer.  Please restart your "
                    "computer at the soonest available opportunity."};
        case 6:
            return {false, "Auto-upgrade installation has error."};
        case 7:
            return {false, "Auto-upgrade installation has been cancelled."};
        default:  // 2, 3 and anything unknown, 99 included: a failure nobody is told about
            return {false, nullptr};
    }
}

}  // namespace result
