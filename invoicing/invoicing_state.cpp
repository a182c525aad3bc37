#include "invoicing/invoicing_state.h"

namespace {
InvoicingState* current = nullptr;
}

InvoicingState& Invoicing() {
    static InvoicingState application;
    return current ? *current : application;
}

InvoicingStateScope::InvoicingStateScope()
    : state_(std::make_unique<InvoicingState>()), previous_(current) {
    current = state_.get();
}

InvoicingStateScope::~InvoicingStateScope() {
    current = previous_;
}
