// The print queue's commands that take rows from the master files: picks through the
// managers, load-all walks and the aging pulls.
#include <stdexcept>

#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/list_view.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "reports/labels/label_sources.h"
#include "reports/labels/print_queue_window.h"
#include "shell/app_context.h"

namespace {

// Shows the manager for the user to pick one record. Only the manager's pick result tells
// that a record was picked: its buffer may hold anything from earlier.
bool PickFrom(TMasterManager* manager, uint8_t MastersState::*result) {
    if (!manager) throw std::logic_error("The manager to pick from has not been created.");
    Masters().*result = 0;
    manager->SetPanelText(1, PickPrompt);
    const ScopeExit restore([manager] { manager->SetPanelText(1, MenuPrompt); });
    ShowModal(*manager);
    return Masters().*result == PickedResult;
}

}  // namespace

void Tlblwiz::AddOneClick() {
    if (PickFrom(DemoForm, &MastersState::CustSelectResult))
        AppendPicked(CustomerQueueItem(Masters().CustomerBuf));
}

void Tlblwiz::AddOneVendClick() {
    if (PickFrom(VenList, &MastersState::VendSelectResult))
        AppendPicked(VendorQueueItem(Masters().VendorBuf));
}

void Tlblwiz::SpeedButton5Click() {
    if (PickFrom(EditProd, &MastersState::ProductSelectResult))
        AppendPicked(ProductQueueItem(Masters().ProductBuf));
}

void Tlblwiz::AppendPicked(const LabelQueueItem& item) {
    LabelList->setFocus();
    LabelList->scrollToItem(AppendQueueItem(item));
    ShowRowCount(" records are selected.");
}

void Tlblwiz::LoadAllRecsClick() {
    AppendLoaded(LoadAllCustomers());
}

void Tlblwiz::LoadAllVendors1Click() {
    AppendLoaded(LoadAllVendors());
}

void Tlblwiz::LoadAllProducts1Click() {
    AppendLoaded(LoadAllProducts());
}

// Appends the rows a walk found; true when it ran to its end.
bool Tlblwiz::AppendWalk(const SourceWalk& walk) {
    if (walk.opened) {
        LabelList->setFocus();
        QTreeWidgetItem* last = nullptr;
        for (const LabelQueueItem& item : walk.items) last = AppendQueueItem(item);
        if (last) LabelList->scrollToItem(last);
    }
    if (!walk.problem.empty())
        MessageBox(QString::fromStdString(walk.problem), ProgramCaption(), MsgIcon::Error);
    return walk.opened && walk.problem.empty();
}

void Tlblwiz::AppendLoaded(const SourceWalk& walk) {
    if (AppendWalk(walk)) SetStatus(QString::number(walk.items.size()) + " records were added.");
}

void Tlblwiz::RunAgingPull(AgingPull pull) {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    if (const auto refusal = AgingPullRefusal(company, pull)) {
        MessageBox(QString::fromStdString(*refusal), ProgramCaption());
        return;
    }
    const SourceWalk walk = PullAgedCustomers(pull);
    if (!AppendWalk(walk)) return;
    if (walk.items.empty()) {
        MessageBox("No records were found.", FromCp1252(AgingPullCaption(company, pull)),
                   MsgIcon::Information);
        return;
    }
    SetStatus(QString::number(walk.items.size()) + " records were added.");
    LabelQueueChanged = true;
}

void Tlblwiz::zero30Click() {
    RunAgingPull(AgingPull::Current);
}

void Tlblwiz::A3060Click() {
    RunAgingPull(AgingPull::Period1);
}

void Tlblwiz::A6090Click() {
    RunAgingPull(AgingPull::Period2);
}

void Tlblwiz::AOver90Click() {
    RunAgingPull(AgingPull::Over);
}

void AddCustomerToLabelQueue(const CustomerRec& customer) {
    AddToLabelQueue(CustomerQueueItem(customer));
}

void AddVendorToLabelQueue(const VendorRec& vendor) {
    AddToLabelQueue(VendorQueueItem(vendor));
}

void AddProductToLabelQueue(const ProductRec& product) {
    AddToLabelQueue(ProductQueueItem(product));
}
