#include "invoicing/invoicing_state.h"

InvoicingState& Invoicing() {
    return InstalledOrBuiltIn<InvoicingState>();
}
