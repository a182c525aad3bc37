#include "invoicing/manager/invoice_browse.h"

#include "engine/browse/browser.h"
#include "invoicing/invoicing_state.h"
#include "invoicing/records/invoice_files.h"
#include "shell/document_list.h"

namespace {

const char* const InvoiceFindMode = "Inv";

DocumentFindFields InvoiceFindFields(std::span<const uint8_t> record) {
    using fields::Get;
    using namespace Invoice;
    return {Get(record, InvDateYMD), Get(record, InvNumber), Get(record, InvCustomerNumber),
            Get(record, InvKeyCode), Get(record, InvTotal),  Get(record, InvCustomerShortName),
            Get(record, InvNotes)};
}

}  // namespace

bool SetupInvoiceBrowser(TFvcBrowser& browser, bool& sharedMode) {
    return SetupDocumentBrowser(browser, Invoicing().InvoiceFile, InvoiceRec::Size, sharedMode);
}

void RegisterInvoiceFindSource() {
    RegisterFindSource(InvoiceFindMode, DocumentFindSource(
                                            "Invoice#", "Customer#", "Invoice Total",
                                            [] { return Invoicing().InvoiceFile; },
                                            InvoiceRec::Size, InvoiceFindFields));
}

void FindInvoice(TFvcBrowser& browser) {
    FindDocument(browser, "Find Invoice/Payment", InvoiceFindMode, InvoiceData(), InvoiceNumberKey,
                 Invoice::InvNumber);
}

int32_t ReadHighlightedInvoice(TFvcBrowser& browser) {
    return ReadHighlightedRow(browser, Invoicing().InvoiceBuf.bytes());
}
