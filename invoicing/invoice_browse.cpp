#include "invoicing/invoice_browse.h"

#include "engine/browse/browser.h"
#include "engine/decimal.h"
#include "invoicing/invoice_files.h"
#include "shell/find_box.h"

namespace {

const char* const InvoiceFindMode = "Inv";

FindEntry DescribeInvoice(std::span<const uint8_t> record) {
    using fields::Get;
    const std::string total = Get(record, Invoice::InvTotal);
    const auto amount = Decimal::ParseBlankAsZero(total);
    FindEntry entry;
    entry.row = {Get(record, Invoice::InvDateYMD),
                 Get(record, Invoice::InvNumber),
                 Get(record, Invoice::InvCustomerNumber),
                 Get(record, Invoice::InvKeyCode),
                 amount ? amount->format(",0.00") : total,
                 Get(record, Invoice::InvCustomerShortName),
                 Get(record, Invoice::InvNotes)};
    entry.searchable = {Get(record, Invoice::InvNumber), Get(record, Invoice::InvCustomerNumber),
                        Get(record, Invoice::InvKeyCode),
                        Get(record, Invoice::InvCustomerShortName), Get(record, Invoice::InvNotes)};
    return entry;
}

}  // namespace

bool SetupInvoiceBrowser(TFvcBrowser& browser, bool& sharedMode) {
    InitBrowserModel(browser, Invoicing().InvoiceFile, InvoiceNumberKey, InvoiceRec::Size);
    if (!EngineOK) return false;
    BrowserGotoKey(browser, "", 0);
    sharedMode = EngineModeFlag();
    return true;
}

void RegisterInvoiceFindSource() {
    RegisterFindSource(InvoiceFindMode, FindSource{{{"Year/Mo/Dy", 80},
                                                    {"Invoice#", 80},
                                                    {"Customer#", 80},
                                                    {"Key Code", 80},
                                                    {"Invoice Total", 90, true},
                                                    {"Short Name", 90},
                                                    {"Notes/Comments/Reference", 240}},
                                                   [] { return Invoicing().InvoiceFile; },
                                                   InvoiceRec::Size,
                                                   DescribeInvoice});
}

void FindInvoice(TFvcBrowser& browser) {
    if (!FindBox) return;
    FindBox->setWindowTitle("Find Invoice/Payment");
    FindMode = InvoiceFindMode;
    FindBox->ShowModal();
    const std::optional<std::string> number = FindBoxSelectedNumber();
    if (!number) return;

    InvoiceRec wanted;
    if (!wanted.set(Invoice::InvNumber, number->substr(0, Invoice::InvNumber.width))) return;
    InvoiceRec found;
    const int32_t ref = InvoiceData().Find(
        InvoiceNumberKey, BuildInvoiceKey(wanted, InvoiceNumberKey), found.bytes());
    if (ref == 0) return;
    BrowserGotoKey(browser, BuildInvoiceKey(found, BrowserKeyNumber(browser)), ref);
}
