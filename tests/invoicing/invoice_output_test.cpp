// Output of an invoice by the "to printer" flag and the output choice: the view, the printed
// forms in their order with the print-queue row of batch runs, the marks written only after
// a job ended well, and the printed pages themselves (recorded, and as a real PDF).
#include <gtest/gtest.h>

#include <QFile>
#include <QRadioButton>

#include "invoicing/documents/document_page.h"
#include "invoicing/documents/invoice_print.h"
#include "platform/application.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "tests/invoicing/output_env.h"
#include "tests/support/pdf_read.h"

namespace {

using Op = RecordingCanvas::Op;

class InvoiceOutputTest : public OutputEnv {
protected:
    void PostWidgetInvoice(const std::string& number = "1001") {
        PostInvoice(
            number,
            {Row("W1", "2", "Widget", "2.50", "5.00"), Row("", "", "Thank you", "", "0.00")},
            "5.00");
    }
    std::vector<std::string> Queued() const { return queued_; }
    void CollectQueue() {
        AddCustomerToPrintQueue = [this](const CustomerLabelRow& row) {
            queued_.push_back(row.number + "|" + row.name + "|" + row.sortCode + "|" + row.type);
        };
    }
    bool Printed(const std::string& number) {
        for (const InvoiceRec& h : HeadersOf(number))
            if (h.get(Invoice::InvPrinted) != "Y") return false;
        return true;
    }

    std::vector<std::string> queued_;
};

TEST_F(InvoiceOutputTest, ViewingShowsTheWindowAndNothingElse) {
    PostWidgetInvoice();
    int shown = 0;
    ShowDocumentView = [&] {
        ++shown;
        EXPECT_EQ(Doc().DocNumber, "1001");
    };
    Output("1001", false);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(canvas.Calls().empty());
    EXPECT_FALSE(Printed("1001"));
}

TEST_F(InvoiceOutputTest, PackingSlipAndTwoFileCopiesFollowTheInvoiceInOrder) {
    PostWidgetInvoice();
    ChangeCompany([](CompanyRec& c) {
        c.set(Company::PrintPackingSlip, true);
        c.set(Company::PrintInvoiceFileCopies, true);
        EXPECT_TRUE(c.set(Company::InvoiceFileCopies, "2"));
    });
    std::map<int, QString> status;
    InvoiceManagerStatusText = [&](int panel, const QString& text) { status[panel] = text; };
    Output("1001", true);
    EXPECT_EQ(JobTitles(), (QStringList{"Invoice - 1001", "Packing Slip - 1001", "File Copy - 1001",
                                        "File Copy - 1001"}));
    EXPECT_EQ(document.state().OutputMode, "FCP");
    EXPECT_EQ(status[1], "Invoice 1001 sent to printer.");
    EXPECT_TRUE(Printed("1001"));
}

TEST_F(InvoiceOutputTest, AFileCopyCountOfNoneOrNotANumberPrintsNoCopy) {
    PostWidgetInvoice();
    for (const char* count : {"0", "x"}) {
        ChangeCompany([count](CompanyRec& c) {
            c.set(Company::PrintInvoiceFileCopies, true);
            EXPECT_TRUE(c.set(Company::InvoiceFileCopies, count));
        });
        canvas.Clear();
        Output("1001", true);
        EXPECT_EQ(JobTitles(), QStringList{"Invoice - 1001"}) << count;
    }
}

TEST_F(InvoiceOutputTest, OnlyABatchRunPutsTheCustomerIntoThePrintQueue) {
    PostWidgetInvoice();
    ChangeCompany([](CompanyRec& c) { c.set(Company::QueueBatchCustomers, "Y"); });
    CollectQueue();
    Output("1001", true);
    EXPECT_TRUE(Queued().empty());
    Output("1001", true, true);
    EXPECT_EQ(Queued(), std::vector<std::string>{"C1|Acme Tools|ACME|Retail"});
}

TEST_F(InvoiceOutputTest, WithEMailChosenNothingIsPrintedOrQueuedEvenInABatch) {
    // A customer without an address, and a company that sends no such invoices: nothing
    // goes out at all.
    AddCustomer("C2", "Bay Stores", [](CustomerRec& c) { c.set(Customer::MailSort, "BAY"); });
    InvoiceEntry e = Entry({Row("", "", "Consulting", "", "9.00")}, "9.00");
    e.customerNumber = "C2";
    Post(e);
    ChangeCompany([](CompanyRec& c) {
        c.set(Company::QueueBatchCustomers, "Y");
        c.set(Company::PrintPackingSlip, true);
    });
    CollectQueue();
    TMainForm mainForm;
    mainForm.EMdef->setChecked(true);
    Output("1001", true, true);
    EXPECT_TRUE(canvas.Calls().empty());
    EXPECT_TRUE(Queued().empty());
    EXPECT_EQ(document.state().OutputMode, "INV");
    EXPECT_FALSE(Printed("1001"));
}

TEST_F(InvoiceOutputTest, AJobThatFailsRaisesAndMarksNothing) {
    PostWidgetInvoice();
    canvas.FailNextBegin();
    EXPECT_THROW(Output("1001", true), AppError);
    EXPECT_FALSE(Printed("1001"));
}

TEST_F(InvoiceOutputTest, PrintingMarksEveryRecordOfTheNumberAndNoOther) {
    PostWidgetInvoice("1001");
    AddPaymentRecord("1001", "1.00", "04/01/2024");
    PostWidgetInvoice("1002");
    Output("1001", true);
    EXPECT_TRUE(Printed("1001"));
    EXPECT_EQ(HeadersOf("1001").size(), 2u);
    EXPECT_FALSE(Printed("1002"));
}

// --- the printed form ------------------------------------------------------------------

class InvoiceFormTest : public OutputEnv {
protected:
    // Prints the buffer's invoice in the mode on a fresh recording.
    void PrintAs(std::string_view mode) {
        canvas.Clear();
        document.state().OutputMode = mode;
        ASSERT_TRUE(PrintInvoicePages(canvas, document.state(), Shell().companies.CurrentCompany));
    }
    QStringList TextsOf(int page) const {
        QStringList texts;
        for (const auto& call : canvas.Texts(page)) texts << call.text;
        return texts;
    }
};

TEST_F(InvoiceFormTest, TheInvoiceCarriesCompanyCustomerLinesTotalsAndAging) {
    InvoiceEntry e = Entry({Row("W1", "1234.125", "Widget", "2.125", "2622.52", "Y")}, "2884.77");
    e.net = "2622.52";
    e.tax = "262.25";
    e.shipTo = {"Dock 4", "", "", ""};
    Post(e);
    Load("1001");
    PrintAs(OutputInvoiceMode);
    const QStringList texts = TextsOf(1);
    for (const char* part : {"INVOICE",
                             "1001",
                             "Harbour Lane",
                             "1 Harbour Lane",
                             "Acme Tools",
                             "12 Quay Street",
                             "Ship To:",
                             "Dock 4",
                             "Date: 03/15/2024",
                             "Invoice Number: 1001",
                             "Account Number: C1",
                             "W1",
                             "1,234.125",
                             "Widget",
                             "2.125",
                             "Y",
                             "2,622.52",
                             "Total:",
                             "Tax",
                             "262.25",
                             "Grand Total:",
                             "2,884.77",
                             "Balance Due:",
                             "0-30",
                             "Over 90",
                             "Balance"})
        EXPECT_TRUE(texts.contains(part)) << part << "\n" << texts.join("|").toStdString();
    EXPECT_FALSE(texts.contains("** Duplicate **"));
}

TEST_F(InvoiceFormTest, APackingSlipHasNoPricesOrTotalsAndAFileCopyNoDuplicateBanner) {
    PostInvoice("1001", {Row("W1", "2", "Widget", "2.50", "5.00")}, "5.00");
    ChangeCompany([](CompanyRec& c) { c.set(Company::PrintDuplicate, true); });
    Load("1001");
    Doc().PrintedFlag = "Y";

    PrintAs(OutputPackingSlip);
    QStringList texts = TextsOf(1);
    EXPECT_TRUE(texts.contains("PACKING SLIP"));
    EXPECT_TRUE(texts.contains("Widget"));
    for (const char* absent : {"2.50", "5.00", "Grand Total:", "INVOICE", "** Duplicate **"})
        EXPECT_FALSE(texts.contains(absent)) << absent;

    PrintAs(OutputFileCopy);
    texts = TextsOf(1);
    EXPECT_TRUE(texts.contains("FILE COPY"));
    EXPECT_FALSE(texts.contains("** Duplicate **"));

    PrintAs(OutputInvoiceMode);
    EXPECT_TRUE(TextsOf(1).contains("** Duplicate **"));
}

TEST_F(InvoiceFormTest, ALongCreditInvoiceBreaksBeforeTheLastLineOnlyAndNumbersItsPages) {
    std::vector<InvoiceRow> rows;
    for (int i = 1; i <= 80; ++i)
        rows.push_back(Row("", "", "Return " + std::to_string(i), "", "-1.00"));
    PostInvoice("1001", rows, "-80.00");
    Load("1001");
    PrintAs(OutputInvoiceMode);
    const int pages = canvas.Pages();
    ASSERT_GE(pages, 2);
    EXPECT_TRUE(TextsOf(1).contains("CREDIT"));
    EXPECT_TRUE(TextsOf(1).contains("Continued on page number 2 ..."));
    for (int p = 2; p <= pages; ++p) {
        EXPECT_TRUE(TextsOf(p).contains("C  R  E  D  I  T")) << p;
        EXPECT_TRUE(TextsOf(p).contains("page number " + QString::number(p))) << p;
        EXPECT_FALSE(TextsOf(p).contains("1001")) << p;
    }
    // Every line once, and the totals with the last one.
    int lines = 0;
    for (int p = 1; p <= pages; ++p)
        for (const QString& t : TextsOf(p)) lines += t.startsWith("Return ") ? 1 : 0;
    EXPECT_EQ(lines, 80);
    EXPECT_TRUE(TextsOf(pages).contains("Return 80"));
    EXPECT_TRUE(TextsOf(pages).contains("Grand Total:"));
    EXPECT_FALSE(
        TextsOf(pages).contains("Continued on page number " + QString::number(pages + 1) + " ..."));
}

TEST_F(InvoiceFormTest, LetterheadStyleLeavesTheHeadToThePaper) {
    PostInvoice("1001", {Row("", "", "Consulting", "", "9.00")}, "9.00");
    ChangeCompany([](CompanyRec& c) {
        c.set(Company::LetterheadStyle, true);
        EXPECT_TRUE(c.set(Company::TopFormMargin, "50"));
    });
    Load("1001");
    PrintAs(OutputInvoiceMode);
    const QStringList texts = TextsOf(1);
    for (const char* absent : {"INVOICE", "Harbour Lane", "1 Harbour Lane"})
        EXPECT_FALSE(texts.contains(absent)) << absent;
    // The customer block starts 2 + 9 body lines below the top margin.
    const auto* name = canvas.FindText("Acme Tools");
    ASSERT_NE(name, nullptr);
    canvas.SetFont(CompanyFont(Shell().companies.CurrentCompany, Company::BodyFont));
    EXPECT_EQ(name->p1.y(), 50 + 11 * canvas.TextHeight("MXjpy"));
}

TEST_F(InvoiceFormTest, TheCustomersNotesPrintWhenTheCustomerAsksForThem) {
    PostInvoice("1001", {Row("", "", "Consulting", "", "9.00")}, "9.00");
    Load("1001");
    Doc().Notes = "Deliver to the back door.\nRing twice.";
    Doc().PrintNotes = "N";
    PrintAs(OutputInvoiceMode);
    EXPECT_EQ(canvas.FindText("Ring twice."), nullptr);
    Doc().PrintNotes = "Y";
    PrintAs(OutputInvoiceMode);
    EXPECT_NE(canvas.FindText("Deliver to the back door."), nullptr);
    EXPECT_NE(canvas.FindText("Ring twice."), nullptr);
}

TEST_F(InvoiceFormTest, AMemoInvoicePrintsItsMemoLines) {
    InvoiceEntry e = Entry({}, "5.00");
    e.memo = true;
    e.memoLines = {"Repairs to the loading dock", "", "Labour and parts"};
    Post(e);
    Load("1001");
    PrintAs(OutputInvoiceMode);
    EXPECT_NE(canvas.FindText(PadRightWith("Repairs to the loading dock", ' ', 74).c_str()),
              nullptr);
    EXPECT_NE(canvas.FindText(PadRightWith("Labour and parts", ' ', 74).c_str()), nullptr);
    EXPECT_NE(canvas.FindText("Grand Total:"), nullptr);
}

TEST_F(InvoiceFormTest, TheProgramsPrinterWritesARealPdf) {
    PostInvoice("1001", {Row("W1", "2", "Widget", "2.50", "5.00")}, "5.00");
    Load("1001");
    QtPrintCanvas pdf(SharedPrinter());
    const PrinterOverride real(pdf);
    const QString path = QString::fromStdString(dir.file("invoice.pdf"));
    document.state().OutputMode = OutputInvoiceMode;
    SetPdfOutput(path);
    PrintInvoiceDocument();
    SetPdfOutput({});
    ASSERT_TRUE(QFile::exists(path));
    const QString text = testsupport::PdfText(path);
    for (const char* part : {"INVOICE", "Acme Tools", "Invoice Number: 1001", "Widget", "5.00",
                             "Grand Total:", "Balance Due:"})
        EXPECT_TRUE(text.contains(part)) << part << "\n" << text.toStdString();
    for (const InvoiceRec& h : HeadersOf("1001")) EXPECT_EQ(h.get(Invoice::InvPrinted), "Y");
}

}  // namespace
