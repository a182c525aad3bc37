#pragma once
// TInvEdit1, the Invoice Manager window (unit InvEdit).
// "Invoice Manager": the invoices and payment records of the current company in one of six
// orders, optionally only one customer's, and the commands on them: new, edit, delete, find,
// view, customer data, print or e-mail, batch print.

#include <QString>
#include <array>
#include <memory>
#include <string>

#include "invoicing/posting/add_invoice.h"
#include "platform/form.h"
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

class TInvEdit1 : public Form, public InvoiceManagerView {
    Q_OBJECT

public:
    explicit TInvEdit1(QWidget* parent = nullptr);
    ~TInvEdit1() override;

    QMenuBar* MainMenu1;
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
    QLabel* CFilter;
    // The company and its receivables.
    QLabel* CName;
    QLabel* ARLabel;  // "A/R:"
    QLabel* ARBal;
    TFvcBrowser* InvBrowser1;
    QMenu* PopupMenu1;
    QStatusBar* StatusBar1;
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
    // "&Display" menu: the six orders, then "Print &Window".
    std::array<QAction*, 6> OrderItems;
    QAction* PrintWindow1;
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
    QString StatusText(int panel) const;

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
    void PrintWindow1Click();
    void SpeedButton4Click();  // help
    void SpeedButton3Click();  // close
    // A Display item: the list in the order of InvoiceOrders()[index].
    void SortOrderClick(int index);

protected:
    void FormShow() override;
    void keyPressEvent(QKeyEvent* event) override;
    // Closing the window (by any way) closes the files opened for it.
    void hideEvent(QHideEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildToolBar();
    QWidget* BuildCompanyPanel();
    // Reads the highlighted row's record into InvoiceBuf; its Ref, 0 when nothing was read.
    int32_t ReadHighlighted();
    void ShowFilter(bool on);
    void CheckOrderItem(int keyNr);
    void CloseFiles();

    bool sharedMode_ = false;
    bool filesOpen_ = false;
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
    InstanceScope<TInvBatch> batch_;
    InstanceScope<TQView> view_;
    InstanceScope<TInvEdit1> manager_;
    CommandRegistration command_;
};
