#include "masters/masters_state.h"

std::function<bool(std::string_view)> CustomerNumberInUse;
std::function<bool(std::string_view)> VendorNumberInUse;

MastersState& Masters() {
    return InstalledOrBuiltIn<MastersState>();
}
