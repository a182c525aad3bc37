#include "reports/reports_windows.h"

#include <QAction>
#include <QPushButton>
#include <functional>
#include <vector>

#include "engine/browse/browser.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/message_host.h"
#include "reports/labels/print_queue_window.h"
#include "reports/viewer/report_viewer.h"

namespace {

// The manager's "&Add to Label Queue" (button and menu item) adds the highlighted record.
template <class Rec>
void PlugInQueueCommand(TMasterManager* manager, void (*add)(const Rec&)) {
    if (!manager) return;
    const auto addCurrent = [manager, add] {
        Rec record;
        bool read = false;
        BrowserReadCurrent(*manager->FvcBrowser1, read, record.bytes());
        if (!read) {
            Beep();
            return;
        }
        add(record);
    };
    manager->LabelQueueBtn->setEnabled(true);
    QObject::connect(manager->LabelQueueBtn, &QPushButton::clicked, manager, Guarded(addCurrent));
    if (auto* item = manager->findChild<QAction*>("LabelQueueItem")) {
        item->setEnabled(true);
        QObject::connect(item, &QAction::triggered, manager, Guarded(addCurrent));
    }
}

}  // namespace

ReportsWindows::ReportsWindows()
    : labelWizard_(std::make_unique<Tlblwiz>()), reportViewer_(std::make_unique<Trtreport>()) {
    PlugInQueueCommand<CustomerRec>(DemoForm, AddCustomerToLabelQueue);
    PlugInQueueCommand<VendorRec>(VenList, AddVendorToLabelQueue);
    PlugInQueueCommand<ProductRec>(EditProd, AddProductToLabelQueue);
}

ReportsWindows::~ReportsWindows() = default;
