#include "purchasing/po_browse.h"

#include "purchasing/po_files.h"
#include "shell/document_list.h"

namespace {

const char* const POFindMode = "PO";

DocumentFindFields POFindFields(std::span<const uint8_t> record) {
    using fields::Get;
    using namespace PurchaseOrder;
    return {Get(record, PODateYMD), Get(record, PONumber), Get(record, POVendorNumber),
            Get(record, POKeyCode), Get(record, POTotal),  Get(record, POVendorShortName),
            Get(record, PONotes)};
}

}  // namespace

bool SetupPOBrowser(TFvcBrowser& browser, bool& sharedMode) {
    return SetupDocumentBrowser(browser, Purchasing().POFile, PORec::Size, sharedMode);
}

void RegisterPOFindSource() {
    RegisterFindSource(POFindMode,
                       DocumentFindSource(
                           "PO#", "Vendor#", "PO Total", [] { return Purchasing().POFile; },
                           PORec::Size, POFindFields));
}

void FindPO(TFvcBrowser& browser) {
    FindDocument(browser, "Find PO", POFindMode, POData(), PONumberKey, PurchaseOrder::PONumber);
}
