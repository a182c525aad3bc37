#pragma once
// TPOList1, "Purchase Order Manager": the purchase orders of the current company in one of six
// orders, optionally only one vendor's, and the commands on them: new, edit, delete, find,
// view, print or e-mail, batch print or e-mail.

#include <QString>
#include <string>

#include "invoicing/manager/batch_print_dialog.h"
#include "invoicing/manager/document_manager_form.h"
#include "platform/instance_scope.h"
#include "purchasing/add_po.h"
#include "shell/commands.h"

class QToolButton;

class TPOList1 : public DocumentManagerForm, public POManagerView {
    Q_OBJECT

public:
    explicit TPOList1(QWidget* parent = nullptr);
    ~TPOList1() override;

    // Tool bar.
    QToolButton* SpeedButton1;  // find
    QToolButton* AddInvoice;    // new
    QToolButton* EditInvoice;
    QToolButton* InvDelete;
    QToolButton* InvPrint;      // view
    QToolButton* SpeedButton2;  // filter on/off
    QToolButton* ToPrinterButn;
    QToolButton* BatchPrinButn;
    QToolButton* SpeedButton3;  // close
    QToolButton* SpeedButton4;  // help
    // "&PO" menu.
    QAction* Add1;
    QAction* Edit1;
    QAction* Delete1;
    QAction* Search1;
    QAction* PreViewSaveAs1;  // view
    QAction* Print1;
    QAction* BatchPrint1;
    QAction* PrinterSetup1;
    QAction* Close1;
    // "&Help" menu.
    QAction* CreatingInvoices1;
    // The list's pop-up menu.
    QAction* Add2;
    QAction* Edit2;
    QAction* Delete2;
    QAction* Search2;
    QAction* View2;
    QAction* CustomerData2;  // no action
    QAction* Print2;
    QAction* Close2;

    // --- what posting, change and output use of the manager ---
    TFvcBrowser* browser() override { return InvBrowser1; }
    void SetStatusText(int panel, const QString& text) override;
    void SetCompanyCaption(const QString& text) override;
    void PrintPO() override;

    // --- handlers ---
    void AddInvoiceClick();
    void EditInvoiceClick();
    void InvDeleteClick();
    void SpeedButton1Click();  // find
    void InvPrintClick();      // view
    void ToPrinterButnClick();
    void BatchPrinButnClick();
    void SpeedButton2Click();  // vendor filter
    void PrinterSetup1Click();
    void SpeedButton4Click();  // help
    void SpeedButton3Click();  // close

protected:
    void FormShow() override;
    FileSetHandle ListFile() const override;
    std::span<uint8_t> ListBuffer() override;
    std::string ListKey(int keyNr) override;
    uint32_t& ListKeyNumber() override;
    void DeleteCommand() override { InvDeleteClick(); }
    void CloseFiles() override;

private:
    void BuildToolBar();
    void BuildMenus();
    bool filesOpen_ = false;
};

extern TPOList1* POList1;

// Creates the Purchase Order Manager once at start-up and plugs it into the main window's
// command; the application (or a test) owns it. The batch dialog is the one the Invoice
// Manager's windows created, or its own when there is none.
class POManagerWindows {
public:
    POManagerWindows();
    ~POManagerWindows();
    POManagerWindows(const POManagerWindows&) = delete;
    POManagerWindows& operator=(const POManagerWindows&) = delete;

private:
    BatchDialogScope batch_;
    InstanceScope<TPOList1> manager_;
    CommandRegistration command_;
};
