// The Purchase Order Manager offscreen through the scripted host, on real order files: new
// orders through the entry dialog, the list's rows, orders and vendor filter, Edit with its
// guards, Delete (a damaged order too), view, print to the printer and to a real PDF, batch
// print, and e-mail to a real SMTP server on loopback.
#include "purchasing/manager/po_manager_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <fstream>

#include "engine/browse/browser.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/manager/batch_print_dialog.h"
#include "mail/mail_state.h"
#include "platform/cp1252.h"
#include "platform/mask_edit.h"
#include "platform/printer.h"
#include "platform/status_window.h"
#include "platform/string_grid.h"
#include "purchasing/manager/po_manager.h"
#include "purchasing/po_change.h"
#include "purchasing/po_document.h"
#include "purchasing/purchasing_services.h"
#include "purchasing/receiving.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "tests/mail/smtp_server.h"
#include "tests/purchasing/po_entry_env.h"
#include "tests/purchasing/purchasing_env.h"
#include "tests/support/pdf_read.h"
#include "tests/support/qt_print.h"

namespace {

namespace C = EntryCol;

class POManagerTest : public POEntryEnv {
protected:
    POManagerTest() {
        ChangeCompany([](CompanyRec& c) { c.set(Company::EmailAddress, "office@harbour.test"); });
        shell.context().main.LastPODate = "03/15/2024";
        shell.context().main.LastPODateRequired = "04/01/2024";
        shell.context().main.LastPOReceiptDate = "03/15/2024";
        shell.context().clock.setToday({2024, 3, 20});
    }
    ~POManagerTest() override { ShowDocumentView = nullptr; }

    // Posts a one-line order of the number for the vendor, marked received or not.
    void PostOrder(const std::string& number, const std::string& vendor = "V1",
                   bool received = false, const std::string& quantity = "2") {
        POEntry e = Order({Ordered("W1", quantity, "Widget", "2.00", "4.00")}, "4.00");
        e.number = number;
        e.vendorNumber = vendor;
        e.markReceived = received;
        Post(e);
    }

    int Show(const std::function<void(TPOList1&)>& script) {
        host->OnModal("POList1", [&script](Form& f) {
            script(*POList1);
            if (f.ModalResult() == Modal::None) POList1->SpeedButton3Click();
        });
        return POList1->ShowModal();
    }

    static std::string Column(const RR& row, int from, int width) {
        return TrimBlanks(row.BRLRowEltString.substr(from, width));
    }
    static std::vector<std::string> Numbers(TPOList1& m) {
        std::vector<std::string> numbers;
        for (const RR& row : m.InvBrowser1->rows()) numbers.push_back(Column(row, 11, 9));
        return numbers;
    }
    static std::string Highlighted(TPOList1& m) {
        const int row = m.InvBrowser1->currentRow();
        return row < 0 ? std::string() : Column(m.InvBrowser1->rows()[row], 11, 9);
    }
    static void Highlight(TPOList1& m, const std::string& number) {
        PORec probe;
        ASSERT_TRUE(probe.set(PO::PONumber, number));
        PORec found;
        const int32_t ref = POData().Find(PONumberKey, BuildPOKey(probe, 1), found.bytes());
        ASSERT_NE(ref, 0) << number;
        BrowserGotoKey(*m.InvBrowser1, BuildPOKey(found, BrowserKeyNumber(*m.InvBrowser1)), ref);
        ASSERT_EQ(Highlighted(m), number);
    }
    PORec HeaderOf(const std::string& number) {
        for (const PORec& h : Headers())
            if (TrimBlanks(h.get(PO::PONumber)) == number) return h;
        ADD_FAILURE() << "no order " << number;
        return {};
    }
    std::string OnHand(const std::string& code) { return TrimBlanks(StockOf(code)); }
    void AddVendor(const std::string& number, const std::string& name,
                   const std::string& email = "") {
        VendorRec v;
        EXPECT_TRUE(v.set(Vendor::Number, number));
        v.set(Vendor::Name, name);
        v.set(Vendor::ShortName, name.substr(0, 10));
        v.set(Vendor::Email, email);
        Add(VendorData(), masters.state().VendorBuf, v);
    }
    QStringList JobTitles() const { return DocumentTitles(canvas); }
    // The batch dialog answered with the count typed (nothing typed: the count proposed).
    void Batch(TPOList1& m, const QString& typed, const std::function<void(TInvBatch&)>& check) {
        host->OnModal("InvBatch", [typed, check](Form& f) {
            auto& dlg = static_cast<TInvBatch&>(f);
            check(dlg);
            if (!typed.isEmpty()) FillControl(dlg, "BatchNum", typed);
            PressButton(dlg, "Button1");
        });
        m.BatchPrinButnClick();
    }

    PODocumentStateScope out;
    DocumentStateScope document;
    MailStateScope mail;
    RecordingCanvas canvas;
    PrinterOverride printer{canvas};
    PurchasingServices services;
    POManagerWindows managerWindows;
};

TEST_F(POManagerTest, ANewOrderIsPostedFromTheDialogAndListedInEveryOrder) {
    PostOrder("400");
    ChangeCompany([](CompanyRec& c) { EXPECT_TRUE(c.set(Company::LastPONumber, "400")); });
    Show([this](TPOList1& m) {
        EXPECT_EQ(m.windowTitle(), "Purchase Order Manager");
        EXPECT_EQ(m.CName->text(), "Harbour Lane - #7");
        EXPECT_EQ(m.StatusText(0), "Records: 1");
        EXPECT_EQ(m.StatusText(1), "Right-click mouse or select from menu bar.");
        EXPECT_EQ(m.CFilter->text(), "Filter Closed");
        EXPECT_TRUE(m.OrderItems[0]->isChecked());
        EXPECT_EQ(Highlighted(m), "400");

        host->OnModal("POEdit1", [this](Form& f) {
            auto& d = static_cast<TPOEdit1&>(f);
            EXPECT_EQ(d.INum->text(), "401") << "the number after the last posted";
            const std::array<const char*, 3> codes{"W1", "LIB", "SVC"};
            for (int r = 1; r <= 3; ++r) {
                Type(d, C::Code, r, codes[static_cast<std::size_t>(r - 1)]);
                Type(d, C::Quantity, r, QString::number(r));
                Type(d, C::Description, r, QString("Item %1").arg(r));
                Type(d, C::UnitPrice, r, "2.00");
            }
            FillControl(d, "ITerms", "");
            PressButton(d, "OKButton");
        });
        Pick("VenList", "Anvil");
        PressButton(m, "AddInvoice");
        EXPECT_EQ(m.StatusText(1), "Added PO 401 containing 3 line item(s).");
        EXPECT_EQ(m.StatusText(0), "Records: 2");
        EXPECT_EQ(Highlighted(m), "401");
        // Each order keeps the new order highlighted and is remembered.
        for (std::size_t i = 0; i < m.OrderItems.size(); ++i) {
            m.OrderItems[i]->trigger();
            EXPECT_EQ(Highlighted(m), "401") << i;
            EXPECT_EQ(out.state().POManagerKeyNumber, static_cast<uint32_t>(POOrders()[i].keyNr));
        }
        m.OrderItems[1]->trigger();  // by number
        EXPECT_EQ(Numbers(m), (std::vector<std::string>{"400", "401"}));
    });
    EXPECT_EQ(POLines().size(), 4u);
    EXPECT_EQ(Purchasing().POFile, 0) << "closed with the window";
    Show([](TPOList1& m) {
        EXPECT_EQ(BrowserKeyNumber(*m.InvBrowser1), PONumberKey);
        EXPECT_TRUE(m.OrderItems[1]->isChecked());
    });
}

TEST_F(POManagerTest, RowsShowEveryColumnAndMarkDamagedRecords) {
    EXPECT_EQ(POListHeader(),
              PadRightWith("Year/Mo/Dy PO#       Vendor#  Short Name  Grand Total Key Code "
                           "Received   Required   CO#  ",
                           ' ', DocumentListWidth));
    PORec r = ::Order("P100", "V1", "2024/03/15", "Spring", "2024/03/20");
    r.set(PO::POVendorShortName, "Anvil");
    ASSERT_TRUE(r.set(PO::POTotal, "1234567.5"));
    const std::string row = POListRow(r);
    EXPECT_EQ(row.size(), static_cast<std::size_t>(DocumentListWidth));
    EXPECT_EQ(TrimBlanks(row),
              "2024/03/15 P100      V1       Anvil      1,234,567.50 Spring   2024/03/20 "
              "2024/12/31 7");
    for (const auto field : {PO::PONumber, PO::POVendorNumber, PO::POTotal}) {
        PORec damaged = r;
        ASSERT_TRUE(damaged.set(field, " "));
        EXPECT_TRUE(IsDamagedPO(damaged));
        const std::string shown = POListRow(damaged);
        EXPECT_EQ(shown.substr(11, 9), "DELETE ME");
        EXPECT_EQ(shown.substr(21, 8), "0       ");
        EXPECT_EQ(shown.substr(30, 10), "BAD RECORD");
        EXPECT_EQ(TrimBlanks(shown.substr(41, 12)), "0.00");
    }
    EXPECT_FALSE(IsDamagedPO(r));
}

TEST_F(POManagerTest, TheVendorFilterListsOneVendorsOrdersUntilToggledOff) {
    AddVendor("V2", "Birch Co");
    PostOrder("501");
    PostOrder("502", "V2");
    PostOrder("503");
    Show([this](TPOList1& m) {
        Highlight(m, "503");
        m.SpeedButton2Click();
        EXPECT_EQ(Numbers(m), (std::vector<std::string>{"501", "503"}));
        EXPECT_EQ(m.CFilter->text(), "Filtering Vendor#: V1");
        EXPECT_EQ(m.CFilter->palette().color(QPalette::WindowText), QColor(Qt::red));
        EXPECT_EQ(m.StatusText(1), "Click filter button again to clear filter.");
        EXPECT_EQ(out.state().POVendorFilter, "V1");
        m.SpeedButton2Click();
        EXPECT_EQ(Numbers(m).size(), 3u);
        EXPECT_EQ(m.CFilter->text(), "Filter Closed");
        EXPECT_EQ(m.StatusText(1), "Filter closed.");
        m.SpeedButton2Click();
    });
    Show([](TPOList1& m) { EXPECT_EQ(Numbers(m).size(), 3u) << "off at every showing"; });
}

TEST_F(POManagerTest, EditAsksAndRefusesInItsOrderBeforeTheDialogOpens) {
    PostOrder("500", "V1", true);
    Show([this](TPOList1& m) {
        Highlight(m, "500");
        ChangeCompany([](CompanyRec& c) { c.set(Company::RequireAuditTrail, "Y"); });
        host->Answer(MsgResult::Ok,
                     "The audit trail feature is turned on. Unable to modify record.",
                     "Audit Trail");
        m.Edit1->trigger();
        ChangeCompany([](CompanyRec& c) { c.set(Company::RequireAuditTrail, "N"); });
    });
    // Printed and received orders are asked about; No leaves them alone.
    PORec printed = HeaderOf("500");
    printed.set(PO::POPrinted, "Y");
    ASSERT_TRUE(OpenPOFiles());
    const int32_t ref =
        POData().Find(PONumberKey, BuildPOKey(printed, 1), Purchasing().POBuf.bytes());
    Purchasing().POBuf = printed;
    ASSERT_TRUE(PutPOData(ref, printed));
    Show([this](TPOList1& m) {
        host->Answer(MsgResult::No,
                     "This PO has been printed. Are you sure you want to edit this record?",
                     "Printed Purchase Order");
        m.Edit2->trigger();
        host->Answer(MsgResult::Yes);
        host->Answer(MsgResult::No,
                     "This PO has been received. Are you sure you want to edit this record?",
                     "Warning. PO Received");
        PressButton(m, "EditInvoice");
    });
    // An order with a later receipt is only deleted.
    ASSERT_TRUE(OpenPOLineFiles());
    POLineRec receiver = POLines().at(0);
    receiver.set(POLine::LineKind, POLine::KindReceiver);
    Purchasing().POLineBuf = receiver;
    int32_t lineRef = 0;
    ASSERT_TRUE(AddPOLineRecord(lineRef));
    Show([this](TPOList1& m) {
        host->Answer(MsgResult::Yes);
        host->Answer(MsgResult::Yes);
        host->Answer(MsgResult::Ok,
                     "This PO has partial receivers. Unable to edit. Use Receiving Report to view "
                     "receipts OR delete this PO to remove all receivers OR do a new PO for new "
                     "items or adjustments to stock. You can also backout receivers using the "
                     "Receiving Wizard.",
                     "Partial Receivers");
        m.EditInvoiceClick();
    });
    EXPECT_EQ(OnHand("W1"), "5") << "3 + the 2 received at entry, untouched";
}

TEST_F(POManagerTest, EditLoadsTheOrderWithItsReceiptsAndWritesTheChange) {
    POEntry e = Order({Ordered("W1", "2", "Widget", "2.00", "4.00"),
                       Ordered("LIB", "1", "Library", "3.00", "3.00")},
                      "7.00");
    e.markReceived = true;
    e.notes = "Spring stock";
    e.signature1 = "J. Marsh";
    Post(e);
    ASSERT_EQ(OnHand("W1"), "5");
    Show([this](TPOList1& m) {
        host->Answer(MsgResult::Yes, {}, "Warning. PO Received");
        host->OnModal("POEdit1", [this](Form& f) {
            auto& d = static_cast<TPOEdit1&>(f);
            EXPECT_EQ(d.windowTitle(), "Edit PO");
            EXPECT_EQ(d.INum->text(), "500");
            EXPECT_EQ(d.IDate->Text(), "03/15/2024");
            EXPECT_EQ(d.MEDateReq->Text(), "04/01/2024");
            EXPECT_EQ(d.ARecDate->Text(), "03/20/2024");
            EXPECT_TRUE(d.MarkRecd->isChecked());
            EXPECT_EQ(d.ICustName->text(), "Anvil Supply");
            EXPECT_EQ(d.INVNOTES->text(), "Spring stock");
            EXPECT_EQ(d.Sig1->text(), "J. Marsh");
            EXPECT_EQ(d.ITotal->text(), "7.00");
            EXPECT_EQ(d.Label9->text(), "Lines Received: 2");
            EXPECT_EQ(Cell(d, C::Code, 2), "LIB");
            EXPECT_EQ(Cell(d, C::Description, 1), "Widget");
            EXPECT_EQ(d.RowOldQuantity[1], "2");
            EXPECT_EQ(d.RowStockCode[2], "Z");
            Type(d, C::Quantity, 1, "6");
            PressButton(d, "OKButton");
        });
        m.Edit1->trigger();
        EXPECT_EQ(m.StatusText(1), "Editing PO 500 completed.");
        EXPECT_EQ(Highlighted(m), "500");
    });
    EXPECT_EQ(OnHand("W1"), "9") << "moved by the difference only";
    EXPECT_EQ(POEdit1->POEntryMode, 0);
}

TEST_F(POManagerTest, EditAsksBeforeTakingGoodsReceivedOnTheOrderBackOutOfStock) {
    PostOrder("500", "V1", false, "10");
    ReceivingEntry receipt;
    receipt.poNumber = receipt.loadedPONumber = "500";
    receipt.receiverNumber = "R1";
    receipt.receiverDate = "03/20/2024";
    receipt.openQuantity = "10";
    receipt.rows = LoadReceivingList("500", false).rows;
    ASSERT_EQ(receipt.rows.size(), 1u);
    receipt.rows[0].inToday = "4";
    const ReceivingPlan received = PlanReceiving(receipt, {});
    ASSERT_TRUE(received.posting) << received.refusal.text.toStdString();
    WriteReceiving(*received.posting);
    ASSERT_EQ(OnHand("W1"), "7");

    Show([this](TPOList1& m) {
        host->OnModal("POEdit1", [this](Form& f) {
            auto& d = static_cast<TPOEdit1&>(f);
            EXPECT_FALSE(d.MarkRecd->isChecked());
            Type(d, C::Quantity, 1, "12");
            host->Answer(MsgResult::No,
                         "This PO has received items. Saving it with Mark Received unticked "
                         "takes them back out of stock. Continue?",
                         "Please Confirm");
            PressButton(d, "OKButton");
            EXPECT_EQ(d.ModalResult(), Modal::None) << "No goes back to the dialog";
            EXPECT_EQ(Cell(d, C::Quantity, 1), "12");
            EXPECT_EQ(OnHand("W1"), "7");
            host->Answer(MsgResult::Yes);
            PressButton(d, "OKButton");
        });
        m.Edit1->trigger();
    });
    EXPECT_EQ(OnHand("W1"), "3") << "taken back out once the user agreed";
    EXPECT_EQ(POLines().at(0).get(POLine::LineReceivedQty), "0");
}

TEST_F(POManagerTest, DeleteTakesReceiptsOutAndADamagedOrderCanAlwaysGo) {
    PostOrder("500", "V1", true);
    PostOrder("501");
    Show([this](TPOList1& m) {
        Highlight(m, "500");
        host->Answer(MsgResult::Ok, {}, "Warning");
        host->Answer(MsgResult::Yes, "Are you sure you want to delete this record?",
                     "Delete PO#: 500");
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(m.InvBrowser1, &del);
        EXPECT_EQ(Numbers(m), std::vector<std::string>{"501"});
        EXPECT_EQ(m.StatusText(0), "Records: 1");
        EXPECT_EQ(m.StatusText(1), "Deleted PO 500 containing 1 line item(s).");
    });
    EXPECT_EQ(OnHand("W1"), "3");

    // A header without a total whose line's receipt is not a number: listed as damaged; the
    // receipt cannot be taken back and is named, and the order goes all the same.
    ASSERT_TRUE(OpenPOFiles());
    ASSERT_TRUE(OpenPOLineFiles());
    PORec damaged = HeaderOf("501");
    ASSERT_TRUE(damaged.set(PO::POTotal, ""));
    const int32_t ref =
        POData().Find(PONumberKey, BuildPOKey(damaged, 1), Purchasing().POBuf.bytes());
    ASSERT_TRUE(PutPOData(ref, damaged));
    for (StoredPOLine& line : POLinesOf("501")) {
        Purchasing().POLineBuf = line.record;
        ASSERT_TRUE(line.record.set(POLine::LineReceivedQty, "x"));
        Purchasing().POLineBuf = line.record;
        ASSERT_TRUE(UpdatePOLineRecord(line.ref));
    }
    Show([this](TPOList1& m) {
        ASSERT_EQ(Numbers(m), std::vector<std::string>{"DELETE ME"});
        host->Answer(MsgResult::Yes);
        host->Answer(MsgResult::Ok,
                     "PO 501 was deleted. Please put these right by hand:\n\nThe stock of "
                     "product W1 was not corrected: The quantity of product W1 (\"x\") is not a "
                     "number.",
                     "Delete PO");
        m.InvDeleteClick();
        EXPECT_TRUE(Numbers(m).empty());
    });
    EXPECT_TRUE(POLines().empty());
    EXPECT_EQ(OnHand("W1"), "3");
}

TEST_F(POManagerTest, ViewPrintAndBatchPrintOutputTheOrders) {
    PostOrder("500");
    PostOrder("501");
    PostOrder("502");
    std::vector<std::string> viewed;
    ShowDocumentView = [&] {
        viewed.push_back(TrimBlanks(document.state().DocumentRecord.DocNumber));
    };
    Show([&](TPOList1& m) {
        Highlight(m, "501");
        m.InvPrintClick();
        emit m.InvBrowser1->rowDoubleClicked();
        EXPECT_EQ(viewed, (std::vector<std::string>{"501", "501"}));
        EXPECT_TRUE(canvas.Calls().empty());
        PressButton(m, "ToPrinterButn");
        EXPECT_EQ(JobTitles(), QStringList{"PO - 501"});
        EXPECT_EQ(m.StatusText(1), "PO 501 sent to print queue.");
        EXPECT_EQ(out.state().POOutputToPrinter, 0);
        canvas.Clear();

        Batch(m, "1", [](TInvBatch& dlg) {
            EXPECT_EQ(dlg.windowTitle(), "PO Batch Print");
            EXPECT_EQ(dlg.Label1->text(), "There are 2 PO(s) to print.");
            EXPECT_EQ(dlg.Label3->text(), "File Copies are turned off.");
            EXPECT_EQ(dlg.Button1->text(), "&Print");
        });
        EXPECT_EQ(JobTitles(), QStringList{"PO - 500"});
        EXPECT_EQ(m.StatusText(1), "Batch Print complete. 1 POs sent to spooler.");
        EXPECT_FALSE(StatForm->isVisible());
        EXPECT_EQ(StatForm->windowTitle(), "Printer Mode");
        EXPECT_EQ(out.state().POBatchRunning, 0);
        Batch(m, "9",
              [](TInvBatch& dlg) { EXPECT_EQ(dlg.Label1->text(), "There are 1 PO(s) to print."); });
        host->Answer(MsgResult::Ok, "There are no POs to print.", "Batch Print");
        m.BatchPrint1->trigger();
    });
    for (const char* number : {"500", "501", "502"})
        EXPECT_EQ(HeaderOf(number).get(PO::POPrinted), "Y") << number;
}

TEST_F(POManagerTest, PrintGoesToARealPdfThatReadsBack) {
    PostOrder("500");
    ChangeCompany([](CompanyRec& c) { c.set(Company::PrintDuplicatePO, "Y"); });
    {
        // Without a printer, cancelling the file of a batch prints and marks nothing, so the
        // order's first print-out carries no duplicate stamp.
        const PrinterOverride program(ProgramPrinter());
        SharedPrinter().setOutputFormat(QPrinter::PdfFormat);
        Show([this](TPOList1& m) {
            host->OnModal("InvBatch", [](Form& f) { PressButton(f, "Button1"); });
            host->AnswerFile({});
            m.BatchPrinButnClick();
            EXPECT_EQ(m.StatusText(1), "Batch Print cancelled. 0 POs printed.");
        });
        EXPECT_NE(HeaderOf("500").get(PO::POPrinted), "Y");
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("po.pdf");
    QtPrintCanvas pdf(SharedPrinter());
    const PrinterOverride real(pdf);
    SetPdfOutput(path);
    Show([](TPOList1& m) { m.Print2->trigger(); });
    SetPdfOutput({});
    const QString text = testsupport::PdfText(path);
    for (const char* part : {"Anvil Supply", "500", "Widget", "4.00"})
        EXPECT_TRUE(text.contains(part)) << part << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("Duplicate"));
}

TEST_F(POManagerTest, TheMainWindowsCommandOpensTheManagerAndAFailedOpenClosesItOnly) {
    PostOrder("500");
    EXPECT_TRUE(IsCommandRegistered(CommandId::PurchaseOrderManager));
    host->OnModal("POList1", [](Form& f) {
        EXPECT_EQ(static_cast<TPOList1&>(f).StatusText(0), "Records: 1");
        static_cast<TPOList1&>(f).SpeedButton3Click();
    });
    EXPECT_TRUE(RunRegisteredCommand(CommandId::PurchaseOrderManager));
    ClosePODatabases();
    {
        std::ofstream damaged(SetName("PD") + ".IX", std::ios::binary | std::ios::trunc);
        damaged << "not an index";
    }
    host->OnModal("POList1", [](Form& f) { EXPECT_EQ(f.ModalResult(), Modal::Cancel); });
    host->Answer(MsgResult::No, "Index file is defective.  Rebuild?");
    host->Answer(MsgResult::Ok, "Unable to open databases: 10010", "Purchase Order Manager");
    EXPECT_EQ(POList1->ShowModal(), Modal::Cancel);
    EXPECT_EQ(Purchasing().POFile, 0);
    EXPECT_EQ(Purchasing().POLineFile, 0);
}

// E-mail as the main window's output choice, against a real SMTP server on loopback.
class POManagerMailTest : public POManagerTest {
protected:
    POManagerMailTest() {
        mainForm.EMdef->setChecked(true);
        ChangeCompany(
            [this](CompanyRec& c) { c.set(Company::SmtpHost, ToCp1252(server.server())); });
        AddVendor("V2", "Birch Co");  // no e-mail address
        AddVendor("V3", "Cedar Ltd", "orders@cedar.test");
    }
    SmtpServer server;
    TMainForm mainForm;
};

TEST_F(POManagerMailTest, PrintAndBatchEMailSendOnlyToVendorsWithAnAddress) {
    PostOrder("500", "V3");
    PostOrder("501", "V2");
    PostOrder("502", "V3");
    Show([this](TPOList1& m) {
        Highlight(m, "501");
        host->Answer(MsgResult::Ok, "This vendor has no e-mail address. PO not sent by e-mail.",
                     "E-Mail PO");
        m.ToPrinterButnClick();
        EXPECT_EQ(m.StatusText(1), "PO 501 was not sent by e-mail.");
        Highlight(m, "500");
        host->Answer(MsgResult::Ok, "PO sent by e-mail.", "E-Mail PO");
        m.Print1->trigger();
        EXPECT_EQ(m.StatusText(1), "PO 500 sent by e-mail.");
        EXPECT_FALSE(mail.state().msSMTP1.Connected());

        Batch(m, "", [this](TInvBatch& dlg) {
            host->Answer(MsgResult::Ok,
                         "These POs were not sent: their vendors have no e-mail address: 501.",
                         "Batch E-Mail");
            host->Answer(MsgResult::Ok, "E-mail operation complete.", "Batch E-Mail");
            EXPECT_EQ(dlg.windowTitle(), "PO Batch E-Mail");
            EXPECT_EQ(dlg.Label1->text(), "There are 2 PO(s) to e-mail.");
            EXPECT_EQ(dlg.Label2->text(), "* E-Mail Mode *");
            EXPECT_EQ(dlg.Label3->text(), "(No file copies are e-mailed.)");
            EXPECT_EQ(dlg.Button1->text(), "&E-Mail");
        });
        EXPECT_EQ(m.StatusText(1),
                  "Batch Print complete. 1 POs sent by e-mail, 1 skipped (no e-mail "
                  "address).");
        EXPECT_EQ(StatForm->windowTitle(), "E-Mail Mode");
    });
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(canvas.Calls().empty());
    EXPECT_NE(HeaderOf("501").get(PO::POPrinted), "Y");
}

}  // namespace
