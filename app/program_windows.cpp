// Every window of the program and the plugs between the units.
#include "app/program_windows.h"

#include "invoicing/documents/document_view_window.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/invoicing_services.h"
#include "invoicing/manager/invoice_manager_window.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/receivables/interest_wizard.h"
#include "invoicing/receivables/payment_wizard.h"
#include "invoicing/receivables/statement_window.h"
#include "masters/master_manager.h"
#include "platform/status_window.h"
#include "purchasing/add_po.h"
#include "purchasing/manager/po_manager_window.h"
#include "purchasing/po_entry_dialog.h"
#include "purchasing/purchasing_services.h"
#include "purchasing/receiving_wizard.h"
#include "reports/labels/print_queue_window.h"
#include "reports/notice/email_notice.h"
#include "reports/reports_windows.h"
#include "reports/wizard/report_wizard_window.h"
#include "shell/commands.h"
#include "shell/date_dialog.h"
#include "shell/find_box.h"
#include "shell/main_window.h"

namespace {

// Invoice and purchase-order posting put customers and vendors into the print queue through
// the queue's own adder; unplugged before the queue goes.
struct QueuePlugs {
    QueuePlugs() {
        AddCustomerToPrintQueue = [](const CustomerLabelRow& row) {
            AddToLabelQueue(MakeLabelQueueItem(LabelKind::Customer, row.number, row.name,
                                               row.sortCode, row.type));
        };
        AddVendorToPrintQueue = [](const VendorLabelRow& row) {
            AddToLabelQueue(MakeLabelQueueItem(LabelKind::Vendor, row.number, row.name,
                                               row.sortCode, row.type));
        };
    }
    ~QueuePlugs() {
        AddCustomerToPrintQueue = nullptr;
        AddVendorToPrintQueue = nullptr;
    }
    QueuePlugs(const QueuePlugs&) = delete;
    QueuePlugs& operator=(const QueuePlugs&) = delete;
};

}  // namespace

// In the order of creation; they go in the reverse order.
struct ProgramWindows::Parts {
    PlatformWindows platformWindows;
    TMainForm mainForm;
    CalFormScope calForm;
    FindBoxScope findBox;
    MastersWindows mastersWindows;
    ReportsWindows reportsWindows;
    EMMemoScope emMemo;
    ReportWizardWindows reportWizardWindows;
    InvoicingServices invoicingServices;
    PurchasingServices purchasingServices;
    InvoicingWindows invoicingWindows;
    PaymentWindows paymentWindows;
    Trtedit documentView;
    TInterestWiz interestWizard;
    StatementWindows statementWindows;
    POEditScope poEdit;
    RecvWizScope receivingWizard;
    InvoiceManagerWindows invoiceManagerWindows;
    POManagerWindows poManagerWindows;
    QueuePlugs queuePlugs;
    CommandRegistration dateSelection{CommandId::DateSelection, [] {
                                          std::string date;
                                          PickDate(MainForm ? MainForm->centralWidget() : nullptr,
                                                   date);
                                      }};
};

ProgramWindows::ProgramWindows() : parts_(std::make_unique<Parts>()) {}

ProgramWindows::~ProgramWindows() = default;

TMainForm& ProgramWindows::mainForm() {
    return parts_->mainForm;
}
