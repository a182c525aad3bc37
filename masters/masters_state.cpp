#include "masters/masters_state.h"

std::function<bool(std::string_view)> CustomerNumberInUse;
std::function<bool(std::string_view)> VendorNumberInUse;

namespace {
MastersState* current = nullptr;
}

MastersState& Masters() {
    static MastersState application;
    return current ? *current : application;
}

MastersStateScope::MastersStateScope()
    : state_(std::make_unique<MastersState>()), previous_(current) {
    current = state_.get();
}

MastersStateScope::~MastersStateScope() {
    current = previous_;
}
