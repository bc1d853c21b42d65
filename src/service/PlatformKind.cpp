#include "service/Platform.h"

int PlatformKindFromId(std::uint32_t platformId) {
    switch (platformId) {
        case 2:
            return 0;
        case 1:
            return 1;
        case 0:
            return 2;
        default:
            return 3;
    }
}
