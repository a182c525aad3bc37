#pragma once
// TInvEdit1, the Invoice Manager window (unit InvEdit).
// "Invoice Manager": the invoices and payment records of the current company in one of six
// orders, optionally only one customer's, and the commands on them: new, edit, delete, find,
// view, customer data, print or e-mail, batch print.

#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "invoicing/manager/batch_print_dialog.h"
#include "invoicing/manager/document_manager_form.h"
#include "invoicing/posting/add_invoice.h"
#include "platform/instance_scope.h"
#include "shell/commands.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolButton;
class TInvBatch;
class TQView;

class TInvEdit1 : public DocumentManagerForm, public InvoiceManagerView {
    Q_OBJECT

public:
    explicit TInvEdit1(QWidget* parent = nullptr);
    ~TInvEdit1() override;

    // Tool bar.
    QToolButton* AddInvoice;
    QToolButton* EditInvoice;
    QToolButton* InvDelete;
    QToolButton* SpeedButton1;  // find
    QToolButton* InvPrint;      // view
    QToolButton* CustDataButn;
    QToolButton* ToPrinterButn;
    QToolButton* BatchPrinButn;
    QToolButton* SpeedButton2;  // filter on/off
    QToolButton* SpeedButton4;  // help
    QToolButton* SpeedButton3;  // close
    // The receivables beside the company.
    QLabel* ARLabel;  // "A/R:"
    QLabel* ARBal;
    // "&Invoice" menu.
    QAction* Add1;
    QAction* Edit1;
    QAction* Delete1;
    QAction* Search1;
    QAction* PreViewSaveAs1;  // view
    QAction* CustomerData1;
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
    QAction* CustomerData2;
    QAction* Print2;
    QAction* Close2;

    // --- what posting, change and output use of the manager ---
    TFvcBrowser* browser() override { return InvBrowser1; }
    void SetStatusText(int panel, const QString& text) override;
    void SetCompanyCaption(const QString& text) override;
    void SetReceivablesLabel(const QString& text) override;
    // The Print command for the invoice of that number.
    void PrintInvoice(const std::string& number) override;

    // --- handlers ---
    void AddInvoiceClick();
    void EditInvoiceClick();
    void InvDeleteClick();
    void SpeedButton1Click();  // find
    void InvPrintClick();      // view
    void ToPrinterButnClick();
    void BatchPrinButnClick();
    void SpeedButton2Click();    // filter toggle
    void InvBrowser1DblClick();  // customer data
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
    void BuildMenus();
    void BuildToolBar();
    void ShowCustomerFilter(bool on);

    bool filesOpen_ = false;
    // The files each posting writes, held while the manager is shown.
    std::optional<PostingFilesHeld> postingFiles_;
};

extern TInvEdit1* InvEdit1;

// Creates the Invoice Manager with its batch and customer-data dialogs once at start-up, and
// plugs it into the main window's command and the output's status hook; the application
// (or a test) owns it.
class InvoiceManagerWindows {
public:
    InvoiceManagerWindows();
    ~InvoiceManagerWindows();
    InvoiceManagerWindows(const InvoiceManagerWindows&) = delete;
    InvoiceManagerWindows& operator=(const InvoiceManagerWindows&) = delete;

private:
    BatchDialogScope batch_;
    InstanceScope<TQView> view_;
    InstanceScope<TInvEdit1> manager_;
    CommandRegistration command_;
};
