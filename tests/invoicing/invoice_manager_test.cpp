// The Invoice Manager offscreen through the scripted host, on real invoice files: the list's
// rows, orders and filter, the output commands (view, print, batch print) with their flags,
// the customer data window and the batch dialog.
#include "invoicing/manager/invoice_manager_window.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>

#include "engine/browse/browser.h"
#include "invoicing/documents/document_view_window.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/manager/batch_print_dialog.h"
#include "invoicing/manager/customer_data_view.h"
#include "invoicing/manager/invoice_manager.h"
#include "platform/cp1252.h"
#include "platform/mask_edit.h"
#include "platform/printer.h"
#include "platform/status_window.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "shell/window_flags.h"
#include "tests/invoicing/output_env.h"
#include "tests/mail/smtp_server.h"
#include "tests/support/pdf_read.h"

namespace {

using Op = RecordingCanvas::Op;

class InvoiceManagerTest : public OutputEnv {
protected:
    InvoiceManagerTest() {
        AddCustomer("C2", "Bolt Supply");
        ChangeCompany(
            [](CompanyRec& c) { EXPECT_TRUE(c.set(Company::ReceivablesTotal, "1234.5")); });
    }
    ~InvoiceManagerTest() override { SharedFlags.InvoiceFilterOnShow = false; }

    // Posts a one-line invoice of the number for the customer on the date (yyyy/mm/dd).
    void Post(const std::string& number, const std::string& customer, const std::string& date,
              const std::string& total = "5.00") {
        InvoiceEntry e = Entry({Row("W1", "2", "Widget", "2.50", total)}, total);
        e.number = number;
        e.customerNumber = customer;
        e.date = date.substr(5, 2) + "/" + date.substr(8, 2) + "/" + date.substr(0, 4);
        PostingEnv::Post(e);
    }

    // A record put straight into the file.
    void AddRecord(const std::function<void(InvoiceRec&)>& fill) {
        InvoiceRec r;
        EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, "C1"));
        EXPECT_TRUE(r.set(Invoice::InvTotal, "0.00"));
        EXPECT_TRUE(r.set(Invoice::InvPaid, "0.00"));
        EXPECT_TRUE(r.set(Invoice::InvDue, "0.00"));
        fill(r);
        PostingEnv::Add(InvoiceData(), State().InvoiceBuf, r);
    }

    // Shows the manager and runs the script in it; its modal result.
    int Show(const std::function<void(TInvEdit1&)>& script) {
        host->OnModal("InvEdit1", [&script](Form& f) {
            script(*InvEdit1);
            if (f.ModalResult() == Modal::None) InvEdit1->SpeedButton3Click();
        });
        return InvEdit1->ShowModal();
    }

    // The invoice numbers of the rows on the page, in list order.
    static std::vector<std::string> Numbers(TInvEdit1& m) {
        std::vector<std::string> numbers;
        for (const RR& row : m.InvBrowser1->rows())
            numbers.push_back(TrimBlanks(row.BRLRowEltString.substr(13, 9)));
        return numbers;
    }
    static std::string Highlighted(TInvEdit1& m) {
        const int row = m.InvBrowser1->currentRow();
        return row < 0 ? std::string()
                       : TrimBlanks(m.InvBrowser1->rows()[row].BRLRowEltString.substr(13, 9));
    }
    static void Highlight(TInvEdit1& m, const std::string& number) {
        InvoiceRec probe;
        ASSERT_TRUE(probe.set(Invoice::InvNumber, number));
        const int keyNr = BrowserKeyNumber(*m.InvBrowser1);
        // Key 1 is the number itself; other orders are reached through the record.
        int32_t ref = 0;
        InvoiceRec found;
        ref = InvoiceData().Find(InvoiceNumberKey, BuildInvoiceKey(probe, 1), found.bytes());
        ASSERT_NE(ref, 0) << number;
        BrowserGotoKey(*m.InvBrowser1, BuildInvoiceKey(found, keyNr), ref);
        ASSERT_EQ(Highlighted(m), number);
    }

    InvoicingWindows invoicingWindows;
    InvoiceManagerWindows managerWindows;
};

TEST_F(InvoiceManagerTest, AnEmptyFileListsNothingAndHasNothingToBatchPrint) {
    Show([this](TInvEdit1& m) {
        EXPECT_EQ(m.windowTitle(), "Invoice Manager");
        EXPECT_TRUE(m.InvBrowser1->rows().empty());
        EXPECT_EQ(m.StatusText(0), "Records: 0");
        EXPECT_EQ(m.StatusText(1), "Right-click mouse or select from menu bar.");
        EXPECT_EQ(m.CName->text(), "Harbour Lane - #7");
        EXPECT_EQ(m.ARBal->text(), "1,234.50");
        EXPECT_EQ(m.CFilter->text(), "Filter Closed");
        host->Answer(MsgResult::Ok, "There are no invoices to print.", "Batch Print");
        m.BatchPrinButnClick();
        // Nothing to act on: the commands on the highlighted invoice do nothing.
        m.InvPrintClick();
        m.ToPrinterButnClick();
        m.InvBrowser1DblClick();
        m.SpeedButton2Click();
        EXPECT_EQ(m.CFilter->text(), "Filter Closed");
    });
    EXPECT_TRUE(canvas.Calls().empty());
}

TEST_F(InvoiceManagerTest, WhileShownItHoldsTheFilesEveryPostingWrites) {
    const auto open = [](const DataFile& file) {
        return file.handle() != 0 && IsFileSetOpen(file.handle());
    };
    ASSERT_FALSE(open(CustomerData()) || open(ProductData()));
    Show([&](TInvEdit1&) { EXPECT_TRUE(open(CustomerData()) && open(ProductData())); });
    EXPECT_FALSE(open(CustomerData()) || open(ProductData()));
}

TEST_F(InvoiceManagerTest, OpensByDateOnTheLastInvoiceAndKeepsTheOrderChosen) {
    Post("1003", "C1", "2024/03/03");
    Post("1001", "C2", "2024/03/09");
    Post("1002", "C1", "2024/03/01");
    Show([](TInvEdit1& m) {
        EXPECT_EQ(Numbers(m), (std::vector<std::string>{"1002", "1003", "1001"}));
        EXPECT_EQ(Highlighted(m), "1002");  // the company's last invoice
        EXPECT_EQ(m.StatusText(0), "Records: 3");
        EXPECT_TRUE(m.OrderItems[0]->isChecked());
        EXPECT_EQ(m.OrderItems[0]->text(), "By Invoice &Date");

        Highlight(m, "1003");
        m.OrderItems[2]->trigger();  // "By Invoice &Number"
        EXPECT_EQ(Numbers(m), (std::vector<std::string>{"1001", "1002", "1003"}));
        EXPECT_EQ(Highlighted(m), "1003");  // the list stays on the invoice
        EXPECT_TRUE(m.OrderItems[2]->isChecked());
        EXPECT_FALSE(m.OrderItems[0]->isChecked());
        m.OrderItems[3]->trigger();  // "By &Customer Number"
        EXPECT_EQ(Numbers(m)[2], "1001");
    });
    EXPECT_EQ(output.state().InvoiceKeyNumber, 2u);
    // The order chosen survives closing the window; the files are closed meanwhile.
    EXPECT_EQ(State().InvoiceFile, 0);
    Show([](TInvEdit1& m) {
        EXPECT_EQ(BrowserKeyNumber(*m.InvBrowser1), 2);
        EXPECT_TRUE(m.OrderItems[3]->isChecked());
        EXPECT_EQ(Numbers(m)[2], "1001");
    });
}

TEST_F(InvoiceManagerTest, TheFilterListsOneCustomersInvoicesUntilToggledOff) {
    Post("1001", "C1", "2024/03/01");
    Post("1002", "C2", "2024/03/02");
    Post("1003", "C1", "2024/03/03");
    AddRecord([](InvoiceRec& r) {
        EXPECT_TRUE(r.set(Invoice::InvNumber, "1004"));
        EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, "C1X"));  // not C1
        r.set(Invoice::InvDateYMD, "2024/03/04");
    });
    Show([this](TInvEdit1& m) {
        Highlight(m, "1003");
        m.SpeedButton2Click();
        EXPECT_EQ(Numbers(m), (std::vector<std::string>{"1001", "1003"}));
        EXPECT_EQ(Highlighted(m), "1003");
        EXPECT_EQ(m.CFilter->text(), "Filtering Customer#: C1");
        EXPECT_EQ(m.StatusText(1), "Click filter button again to clear filter.");
        EXPECT_EQ(output.state().InvoiceFilterCustomer, "C1");
        m.SpeedButton2Click();
        EXPECT_EQ(Numbers(m).size(), 4u);
        EXPECT_EQ(m.CFilter->text(), "Filter Closed");
        EXPECT_EQ(m.StatusText(1), "Filter closed.");
        m.SpeedButton2Click();  // on again, then closed with the window
    });
    // Each showing starts unfiltered, unless the start-up asked for one customer.
    Show([](TInvEdit1& m) { EXPECT_EQ(Numbers(m).size(), 4u); });
    output.state().InvoiceFilterCustomer = "C2";
    SharedFlags.InvoiceFilterOnShow = true;
    Show([](TInvEdit1& m) {
        EXPECT_EQ(Numbers(m), (std::vector<std::string>{"1002"}));
        EXPECT_EQ(m.CFilter->text(), "Filtering Customer#: C2");
    });
    EXPECT_FALSE(SharedFlags.InvoiceFilterOnShow);
}

TEST_F(InvoiceManagerTest, ViewAndPrintOutputTheHighlightedInvoice) {
    Post("1001", "C1", "2024/03/01");
    Post("1002", "C1", "2024/03/02");
    std::vector<std::string> viewed;
    ShowDocumentView = [&] { viewed.push_back(Doc().DocNumber); };
    Show([&](TInvEdit1& m) {
        Highlight(m, "1001");
        m.InvPrintClick();
        EXPECT_EQ(viewed, std::vector<std::string>{"1001"});
        EXPECT_TRUE(canvas.Calls().empty());
        m.ToPrinterButnClick();
        EXPECT_EQ(JobTitles(), QStringList{"Invoice - 1001"});
        EXPECT_EQ(m.StatusText(1), "Invoice 1001 sent to print queue.");
        EXPECT_EQ(output.state().InvoiceOutputToPrinter, 0);
    });
    EXPECT_EQ(HeadersOf("1001")[0].get(Invoice::InvPrinted), "Y");
    EXPECT_NE(HeadersOf("1002")[0].get(Invoice::InvPrinted), "Y");
}

TEST_F(InvoiceManagerTest, TheMainWindowsCommandOpensTheManagerWhoseViewShowsTheInvoice) {
    Post("1001", "C1", "2024/03/01");
    const Trtedit viewWindow;
    host->OnModal("InvEdit1", [this](Form&) {
        host->OnModal("rtedit", [](Form& f) {
            EXPECT_EQ(f.windowTitle(), "View Invoice# 1001");
            f.SetModalResult(Modal::Ok);
        });
        PressButton(*InvEdit1, "InvPrint");
        InvEdit1->SpeedButton3Click();
    });
    EXPECT_TRUE(RunRegisteredCommand(CommandId::InvoiceManager));
    EXPECT_NE(HeadersOf("1001")[0].get(Invoice::InvPrinted), "Y");
}

TEST_F(InvoiceManagerTest, FilesThatCannotBeOpenedAreToldAndCloseTheManagerOnly) {
    Post("1001", "C1", "2024/03/01");
    CloseInvoiceDatabases();
    {
        std::ofstream damaged(SetName("M") + ".IX", std::ios::binary | std::ios::trunc);
        damaged << "not an index";
    }
    host->OnModal("InvEdit1", [](Form& f) { EXPECT_EQ(f.ModalResult(), Modal::Cancel); });
    host->Answer(MsgResult::No, "Index file is defective.  Rebuild?");
    host->Answer(MsgResult::Ok, "Unable to open databases: 10010", "Invoice Manager");
    EXPECT_EQ(InvEdit1->ShowModal(), Modal::Cancel);
    // The header and line files opened before the memo file failed are closed again.
    EXPECT_EQ(State().InvoiceFile, 0);
    EXPECT_EQ(State().InvoiceLineFile, 0);
    EXPECT_EQ(HeadersOf("1001").size(), 1u);
}

TEST_F(InvoiceManagerTest, APrintThatFailsIsShownAndLeavesNoFlagSet) {
    Post("1001", "C1", "2024/03/01");
    Show([this](TInvEdit1& m) {
        m.SetStatusText(1, "before");
        canvas.FailNextBegin();
        host->Answer(MsgResult::Ok);  // the printer's error
        PressButton(m, "ToPrinterButn");
        EXPECT_EQ(m.StatusText(1), "before");
        EXPECT_EQ(output.state().InvoiceOutputToPrinter, 0);
        EXPECT_EQ(output.state().InvoiceBatchRunning, 0);
    });
    EXPECT_NE(HeadersOf("1001")[0].get(Invoice::InvPrinted), "Y");
}

TEST_F(InvoiceManagerTest, BatchPrintOutputsAsManyUnprintedInvoicesAsAskedInRecordOrder) {
    Post("1003", "C1", "2024/03/03");
    Post("1001", "C1", "2024/03/01");
    Post("1002", "C1", "2024/03/02");
    ChangeCompany([](CompanyRec& c) { c.set(Company::PrintPackingSlip, true); });
    const auto batch = [this](TInvEdit1& m, const QString& typed) {
        host->OnModal("InvBatch", [typed](Form& f) {
            auto& dlg = static_cast<TInvBatch&>(f);
            EXPECT_EQ(dlg.windowTitle(), "Batch Print Invoices");
            EXPECT_EQ(dlg.Label2->text(), "Packing Slips will be printed.");
            EXPECT_EQ(dlg.Label3->text(), "File Copies are turned off.");
            EXPECT_EQ(dlg.Button1->text(), "&Print");
            FillControl(dlg, "BatchNum", typed);
            PressButton(dlg, "Button1");
        });
        m.BatchPrinButnClick();
    };
    Show([&](TInvEdit1& m) {
        batch(m, "2");
        EXPECT_EQ(JobTitles(), (QStringList{"Invoice - 1003", "Packing Slip - 1003",
                                            "Invoice - 1001", "Packing Slip - 1001"}));
        EXPECT_EQ(m.StatusText(1), "Batch Print complete. 2 invoices sent to spooler.");
        EXPECT_FALSE(StatForm->isVisible());
        EXPECT_EQ(output.state().InvoiceBatchRunning, 0);
        EXPECT_EQ(output.state().InvoiceOutputToPrinter, 0);
        canvas.Clear();
        // Only 1002 is left; asking for 9 outputs what there is.
        host->OnModal("InvBatch", [](Form& f) {
            EXPECT_EQ(static_cast<TInvBatch&>(f).Label1->text(),
                      "There are 1 invoice(s) to print.");
            EXPECT_EQ(static_cast<TInvBatch&>(f).BatchNum->Text().trimmed(), "1");
            FillControl(f, "BatchNum", "9");
            PressButton(f, "Button1");
        });
        m.BatchPrinButnClick();
        EXPECT_EQ(JobTitles(), (QStringList{"Invoice - 1002", "Packing Slip - 1002"}));
        EXPECT_EQ(m.StatusText(1), "Batch Print complete. 1 invoices sent to spooler.");
        // Cancelled: nothing goes out.
        Post("1004", "C1", "2024/03/04");
        canvas.Clear();
        host->OnModal("InvBatch", [](Form& f) { PressButton(f, "Button2"); });
        m.BatchPrinButnClick();
        EXPECT_TRUE(canvas.Calls().empty());
    });
}

// Without a printer the batch is one PDF file, asked for once before the progress window
// shows; each invoice and its packing slip start on a page of their own. Cancelling the
// question prints nothing, marks nothing and says so.
TEST_F(InvoiceManagerTest, BatchPrintWithoutAPrinterIsOnePdfAndCancelMarksNothing) {
    Post("1001", "C1", "2024/03/01");
    Post("1002", "C2", "2024/03/02");
    Post("1003", "C1", "2024/03/03");
    ChangeCompany([](CompanyRec& c) { c.set(Company::PrintPackingSlip, true); });
    const PrinterOverride program(ProgramPrinter());
    SharedPrinter().setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = QString::fromStdString(dir.file("batch.pdf"));
    const auto batch = [this](TInvEdit1& m, const QString& file) {
        host->OnModal("InvBatch", [](Form& f) { PressButton(f, "Button1"); });
        host->AnswerFile(file);
        m.BatchPrinButnClick();
    };
    Show([&](TInvEdit1& m) {
        batch(m, {});
        EXPECT_EQ(m.StatusText(1), "Batch Print cancelled. 0 invoices printed.");
        for (const char* number : {"1001", "1002", "1003"})
            EXPECT_NE(HeadersOf(number)[0].get(Invoice::InvPrinted), "Y") << number;
        EXPECT_EQ(InvoicesToBatchPrint().size(), 3u);

        batch(m, pdf);
        EXPECT_EQ(m.StatusText(1), "Batch Print complete. 3 invoices sent to spooler.");
        EXPECT_FALSE(StatForm->isVisible());
        EXPECT_TRUE(InvoicesToBatchPrint().empty());
    });
    std::vector<QString> proposed;
    for (const auto& shown : host->Record())
        if (shown.kind == ScriptedHost::Kind::File) proposed.push_back(shown.proposed);
    ASSERT_EQ(proposed.size(), 2u);
    EXPECT_TRUE(proposed[0].endsWith("/Invoices.pdf")) << proposed[0].toStdString();
    EXPECT_TRUE(QFileInfo(QFileInfo(proposed[0]).absolutePath()).isDir());
    ASSERT_EQ(testsupport::PdfPages(pdf), 6);
    // Below the company's name and address: the form's caption and the invoice's number.
    QStringList heads;
    for (int page = 1; page <= 6; ++page)
        heads << testsupport::PdfLines(pdf, page).mid(2, 2).join(' ');
    EXPECT_EQ(heads, (QStringList{"INVOICE 1001", "PACKING SLIP 1001", "INVOICE 1002",
                                  "PACKING SLIP 1002", "INVOICE 1003", "PACKING SLIP 1003"}));
}

TEST_F(InvoiceManagerTest, ABlankBatchCountIsRefusedInTheDialog) {
    Post("1001", "C1", "2024/03/01");
    Show([this](TInvEdit1& m) {
        host->OnModal("InvBatch", [this](Form& f) {
            FillControl(f, "BatchNum", "");
            host->Answer(MsgResult::Ok, "Please enter how many to process.");
            PressButton(f, "Button1");
            EXPECT_EQ(f.ModalResult(), Modal::None);
            PressButton(f, "Button2");
        });
        m.BatchPrinButnClick();
    });
    EXPECT_TRUE(canvas.Calls().empty());
}

TEST_F(InvoiceManagerTest, BatchPrintSkipsPaymentsDepositsAndPrintedInvoicesAndListsANumberOnce) {
    const auto add = [this](const char* number, const char* type, const char* printed) {
        AddRecord([&](InvoiceRec& r) {
            EXPECT_TRUE(r.set(Invoice::InvNumber, number));
            r.set(Invoice::InvType, type);
            r.set(Invoice::InvPrinted, printed);
        });
    };
    add("A1", "I", "");
    add("X1", "X", "");
    add("D1", "D", "");
    add("T1", "T", "");
    add("P1", "I", "Y");
    add("G1", "G", "N");
    add("Z1", "Z", "");
    add("a1", "I", "");  // the same invoice as A1: numbers are compared upper-cased
    add("M1", "M", "");
    add("R1", "R", "");
    EXPECT_EQ(InvoicesToBatchPrint(), (std::vector<std::string>{"A1", "G1", "Z1", "M1"}));

    const CompanyRec company;
    const BatchDialogText mail = BatchDialogTexts(4, true, company);
    EXPECT_EQ(mail.label1, "There are 4 invoice(s) to e-mail.");
    EXPECT_EQ(mail.label2, "* E-Mail Mode *");
    EXPECT_EQ(mail.label3, "(No packing slips or copies.)");
    EXPECT_EQ(mail.button, "&E-Mail");
}

TEST_F(InvoiceManagerTest, RowsShowEveryColumnAndMarkDamagedRecords) {
    EXPECT_EQ(InvoiceListHeader(),
              PadRightWith("Year/Mo/Dy T Invoice#  Cust#    Short Name  Grand Total   Amount Due"
                           "  Paid Amount Key Code Date Paid  CO#  ",
                           ' ', DocumentListWidth));
    InvoiceRec r;
    r.set(Invoice::InvDateYMD, "2024/03/15");
    r.set(Invoice::InvType, "Z");
    ASSERT_TRUE(r.set(Invoice::InvNumber, "1001"));
    ASSERT_TRUE(r.set(Invoice::InvCustomerNumber, "C1"));
    r.set(Invoice::InvCustomerShortName, "Acme");
    ASSERT_TRUE(r.set(Invoice::InvTotal, "1234567.5"));
    ASSERT_TRUE(r.set(Invoice::InvDue, "-20"));
    ASSERT_TRUE(r.set(Invoice::InvPaid, "1234587.5"));
    r.set(Invoice::InvKeyCode, "None");
    r.set(Invoice::InvDatePaid, "2024/03/20");
    ASSERT_TRUE(r.set(Invoice::InvCompanyNumber, "7"));
    const std::string row = InvoiceListRow(r);
    EXPECT_EQ(row.size(), static_cast<std::size_t>(DocumentListWidth));
    EXPECT_EQ(TrimBlanks(row),
              "2024/03/15 Z 1001      C1       Acme       1,234,567.50       -20.00 1,234,587.50 "
              "None     2024/03/20 7");

    for (const auto field : {Invoice::InvTotal, Invoice::InvDue, Invoice::InvPaid}) {
        InvoiceRec damaged = r;
        ASSERT_TRUE(damaged.set(field, field.offset == Invoice::InvDue.offset ? "   " : "12x"));
        EXPECT_TRUE(IsDamagedInvoice(damaged));
        const std::string shown = InvoiceListRow(damaged);
        EXPECT_EQ(shown.substr(13, 9), "DELETE ME");
        EXPECT_EQ(shown.substr(32, 10), "BAD RECORD");
        EXPECT_EQ(shown.substr(43, 38), "        0.00         0.00         0.00");
        EXPECT_EQ(damaged.get(Invoice::InvNumber), "1001");  // the record itself is kept
    }
    EXPECT_FALSE(IsDamagedInvoice(r));
    EXPECT_EQ(UnreadableListRow("1001     "), "****  1001     ");
}

TEST_F(InvoiceManagerTest, ADamagedRecordIsListedForDeletion) {
    AddRecord([](InvoiceRec& r) {
        EXPECT_TRUE(r.set(Invoice::InvNumber, "1001"));
        EXPECT_TRUE(r.set(Invoice::InvDue, ""));
        r.set(Invoice::InvDateYMD, "2024/03/01");
    });
    Show([](TInvEdit1& m) {
        ASSERT_EQ(m.InvBrowser1->rows().size(), 1u);
        EXPECT_EQ(Numbers(m), std::vector<std::string>{"DELETE ME"});
    });
    EXPECT_EQ(Headers()[0].get(Invoice::InvDue), "");
}

TEST_F(InvoiceManagerTest, TheDeleteKeyDeletesTheHighlightedInvoice) {
    Post("1001", "C1", "2024/03/01");
    Post("1002", "C1", "2024/03/02");
    Show([this](TInvEdit1& m) {
        Highlight(m, "1001");
        host->Answer(MsgResult::Yes);  // the confirmation
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(m.InvBrowser1, &del);
        EXPECT_EQ(Numbers(m), std::vector<std::string>{"1002"});
        EXPECT_EQ(m.StatusText(0), "Records: 1");
    });
    EXPECT_TRUE(HeadersOf("1001").empty());
}

TEST_F(InvoiceManagerTest, CustomerDataShowsTheInvoiceAndItsCustomersAccount) {
    Post("1001", "C1", "2024/03/01", "100.00");
    AddPaymentRecord("1001", "40.00", "03/10/2024");
    ChangeCompany([](CompanyRec& c) {
        c.set(Company::AgingCaption[0], " Current ");
        c.set(Company::AgingCaption[1], "Thirty");
        c.set(Company::AgingCaption[2], "Sixty");
        EXPECT_TRUE(c.set(Company::AgingPeriod[2], "120"));
    });
    Show([this](TInvEdit1& m) {
        Highlight(m, "1001");
        host->OnModal("QView", [](Form& f) {
            auto& q = static_cast<TQView&>(f);
            EXPECT_EQ(q.windowTitle(), "Customer Data");
            EXPECT_EQ(q.DataType->text(), "I - Regular Invoice");
            EXPECT_EQ(q.IvNum->text(), "1001   (Product Invoice)");
            EXPECT_EQ(q.IvDate->text(), "03/01/2024");
            EXPECT_EQ(q.InvTot->text(), "100.00");
            EXPECT_EQ(q.CustName->text(), "Acme Tools");
            EXPECT_EQ(q.CustNo->text(), "C1");
            EXPECT_EQ(q.CustBal->text(), "1,357.50");
            EXPECT_EQ(q.LstInv->text(), "1001");
            EXPECT_EQ(q.a0to30->text(), "1,334.50");
            EXPECT_EQ(q.AgingCaptions[0]->text(), "Current");
            EXPECT_EQ(q.AgingCaptions[3]->text(), "Over 120:");
            EXPECT_TRUE(q.PIFlag->isHidden());
            EXPECT_TRUE(q.Label18->isHidden());
            PressButton(q, "BitBtn1");
        });
        PressButton(m, "CustDataButn");
    });
    EXPECT_EQ(masters.state().CustomerBuf.get(Customer::Number), "C1");
}

TEST_F(InvoiceManagerTest, CustomerDataTextsOfEachKindOfRecord) {
    CompanyRec company;
    company.set(Company::DateOrderSetting, "D");
    InvoiceRec r;
    ASSERT_TRUE(r.set(Invoice::InvNumber, "1001"));
    ASSERT_TRUE(r.set(Invoice::InvCustomerNumber, "C9"));
    r.set(Invoice::InvKind, "M");
    r.set(Invoice::InvDate, "01/03/2024");
    ASSERT_TRUE(r.set(Invoice::InvTotal, "1000.00"));
    ASSERT_TRUE(r.set(Invoice::InvPaid, "0.00"));
    ASSERT_TRUE(r.set(Invoice::InvDue, "250.5"));
    r.set(Invoice::InvPrinted, "Y");

    r.set(Invoice::InvType, "Z");
    CustomerDataTexts t = CustomerDataOf(r, std::nullopt, company);
    EXPECT_EQ(t.DataType, "Z - Invoice has Partial Payment(s) of Type X");
    EXPECT_EQ(t.IvNum, "1001   (Memo Invoice)");
    EXPECT_EQ(t.PdAmount, "749.50");  // what is no longer due
    EXPECT_EQ(t.IBalDue, "250.50");
    EXPECT_TRUE(t.printed);
    // No customer has the number: nothing of another customer is shown.
    EXPECT_EQ(t.CustNo, "C9");
    EXPECT_EQ(t.CustName, "No customer has this number.");
    EXPECT_EQ(t.CustBal, "");

    r.set(Invoice::InvType, "R");
    r.set(Invoice::InvRepeatNextDue, "04/15/2024");
    r.set(Invoice::InvRepeatCreated, "12");
    t = CustomerDataOf(r, std::nullopt, company);
    EXPECT_TRUE(t.repeat);
    EXPECT_EQ(t.IvDate, "01/03/2024\n - Next Due: 15/04/2024");
    EXPECT_EQ(t.DataType, "R - Repeat Billing Master Record (Created: 12)");

    for (const auto& [type, text, kind] :
         {std::tuple{"X", "X - Partial Payment Record against Type Z", "(Payment Record)"},
          std::tuple{"D", "D - Deposit on Account", "(Payment Record)"},
          std::tuple{"T", "T - Deposit Taken (offsets type D)", "(Applied Deposit)"},
          std::tuple{"G", "G - Repeat Billing Generated Invoice", "(Memo Invoice)"}}) {
        r.set(Invoice::InvType, type);
        t = CustomerDataOf(r, std::nullopt, company);
        EXPECT_EQ(t.DataType, text);
        EXPECT_EQ(t.IvNum, QString("1001   ") + kind);
        EXPECT_FALSE(t.repeat);
    }
}

TEST_F(InvoiceManagerTest, PrintWindowPrintsTheWindowsImageOnOnePage) {
    Show([this](TInvEdit1& m) {
        m.PrintWindow1->trigger();
        EXPECT_EQ(JobTitles(), QStringList{"Invoice Manager"});
        const auto image = std::find_if(canvas.Calls().begin(), canvas.Calls().end(),
                                        [](const auto& c) { return c.op == Op::Image; });
        ASSERT_NE(image, canvas.Calls().end());
        EXPECT_LE(image->p2.x(), canvas.PageWidth());
        EXPECT_LE(image->p2.y(), canvas.PageHeight());
        m.SpeedButton4Click();
        EXPECT_EQ(host->HelpKeywords(), QStringList{"InvoiceManager"});
    });
}

// E-mail as the main window's output choice, against a real SMTP server on loopback.
class InvoiceManagerMailTest : public InvoiceManagerTest {
protected:
    InvoiceManagerMailTest() {
        mainForm.EMdef->setChecked(true);
        ChangeCompany(
            [this](CompanyRec& c) { c.set(Company::SmtpHost, ToCp1252(server.server())); });
    }
    SmtpServer server;
    TMainForm mainForm;
};

TEST_F(InvoiceManagerMailTest, PrintEMailsTheInvoiceOrSaysWhyNot) {
    Post("1001", "C1", "2024/03/01");
    Post("1002", "C2", "2024/03/02");  // C2 has no e-mail address
    Show([this](TInvEdit1& m) {
        Highlight(m, "1001");
        host->Answer(MsgResult::Ok, "Invoice sent by e-mail.", "E-Mail Invoice");
        m.ToPrinterButnClick();
        EXPECT_EQ(m.StatusText(1), "Invoice 1001 sent by e-mail.");
        EXPECT_FALSE(mail.state().msSMTP1.Connected());
        Highlight(m, "1002");
        host->Answer(MsgResult::Ok,
                     "This customer has no e-mail address. Invoice not sent by e-mail.",
                     "E-Mail Invoice");
        m.ToPrinterButnClick();
        EXPECT_EQ(m.StatusText(1), "Invoice 1002 was not sent by e-mail.");

        // Gone between the highlight and the output: no success is reported.
        host->Answer(MsgResult::Ok, "Invoice 1009 is not on file.", "Invoice Output");
        PrintInvoiceCommand(m, "1009");
        EXPECT_EQ(m.StatusText(1), "Invoice 1009 was not output.");
    });
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]["subject"].toString(), "Invoice - 1001");
    EXPECT_TRUE(canvas.Calls().empty());
}

TEST_F(InvoiceManagerMailTest, BatchEMailSendsTheUnprintedInvoices) {
    Post("1001", "C1", "2024/03/01");
    Post("1002", "C1", "2024/03/02");
    Post("1003", "C2", "2024/03/02");  // C2 has no e-mail address
    Show([this](TInvEdit1& m) {
        host->OnModal("InvBatch", [](Form& f) {
            auto& dlg = static_cast<TInvBatch&>(f);
            EXPECT_EQ(dlg.Label1->text(), "There are 3 invoice(s) to e-mail.");
            EXPECT_EQ(dlg.Button1->text(), "&E-Mail");
            PressButton(dlg, "Button1");
        });
        host->Answer(MsgResult::Ok, "E-mail operation complete.", "Batch E-Mail");
        m.BatchPrinButnClick();
        EXPECT_EQ(m.StatusText(1),
                  "Batch Print complete. 2 invoices sent to e-mail, 1 skipped (no e-mail "
                  "address).");
        EXPECT_EQ(StatForm->windowTitle(), "E-Mail Mode");
    });
    EXPECT_EQ(server.messages().size(), 2u);
    EXPECT_EQ(HeadersOf("1002")[0].get(Invoice::InvPrinted), "Y");
}

}  // namespace
