#include "purchasing/purchasing_state.h"

namespace {
PurchasingState* current = nullptr;
}

PurchasingState& Purchasing() {
    static PurchasingState application;
    return current ? *current : application;
}

PurchasingStateScope::PurchasingStateScope()
    : state_(std::make_unique<PurchasingState>()), previous_(current) {
    current = state_.get();
}

PurchasingStateScope::~PurchasingStateScope() {
    current = previous_;
}
