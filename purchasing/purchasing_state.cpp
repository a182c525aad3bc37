#include "purchasing/purchasing_state.h"

PurchasingState& Purchasing() {
    return InstalledOrBuiltIn<PurchasingState>();
}
