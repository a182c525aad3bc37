// The printed purchase order on the recording canvas: captions and banners by mode, page
// breaks, letterhead, the totals rows, memo orders, the foot's messages, and one real PDF.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_page.h"
#include "invoicing/documents/po_print.h"
#include "platform/printer.h"
#include "shell/text.h"
#include "tests/invoicing/po_document.h"
#include "tests/support/pdf_read.h"

namespace {

class POFormTest : public ::testing::Test {
protected:
    POFormTest() {
        using namespace Company;
        company.set(Name, "Harbour Supplies");
        company.set(Address[0], "1 Harbour Lane");
        company.set(POCaption, "PURCHASE ORDER");
        company.set(POFileCopyCaption, "PO FILE COPY");
        company.set(POShipToCaption, "Deliver To:");
        company.set(POMemoHeader, "Please supply:");
        company.set(TaxHeading, "Tax");
        company.set(ProductCodesOnPOs, true);
        for (int k = 0; k < 4; ++k) company.set(POMessage[k], "Message " + std::to_string(k + 1));
        FillPurchaseOrder(doc);
        DocumentRecord& d = doc.DocumentRecord;
        d.NetAmount = "2,622.52";
        d.TotalAmount = "2,622.52";
        doc.DocumentLines[1] = PODocumentLine("B1", "1,234.125", "Bolts", "2.125", "2,622.52", "Y");
        doc.DocumentSignature1 = "Signed: ________";
    }

    void Print(std::string_view mode = OutputPurchaseOrder) {
        canvas.Clear();
        doc.OutputMode = mode;
        ASSERT_TRUE(PrintPurchaseOrderPages(canvas, doc, company));
    }
    QStringList TextsOf(int page) const {
        QStringList texts;
        for (const auto& call : canvas.Texts(page)) texts << call.text;
        return texts;
    }
    int LineHeight(const Company::Font& font) {
        canvas.SetFont(CompanyFont(company, font));
        return canvas.TextHeight("MXjpy");
    }
    // The job titles begun, in order.
    QStringList Titles() const {
        QStringList titles;
        for (const auto& call : canvas.Calls())
            if (call.op == RecordingCanvas::Op::Begin) titles << call.text;
        return titles;
    }

    CompanyRec company;
    DocumentState doc;
    RecordingCanvas canvas;
};

TEST_F(POFormTest, TheOrderCarriesCompanyVendorLinesTotalsAndSignatures) {
    Print();
    const QStringList texts = TextsOf(1);
    for (const char* part : {"PURCHASE ORDER",
                             "P100",
                             "Harbour Supplies",
                             "1 Harbour Lane",
                             "Bolt Works",
                             "7 Forge Road",
                             "Deliver To:",
                             "Dock 4",
                             "Date: 03/15/2024",
                             "PO Number: P100",
                             "Vendor Number: V1",
                             "Payment Terms: Net 30",
                             "Reference: Spring stock",
                             "B1",
                             "1,234.125",
                             "Bolts",
                             "2.125",
                             "Y",
                             "T",
                             "2,622.52",
                             "Total:",
                             "Grand Total:",
                             "Date Required: 04/01/2024",
                             "Signed: ________",
                             "Buyer"})
        EXPECT_TRUE(texts.contains(part)) << part << "\n" << texts.join("|").toStdString();
    // "/" is no received date; the messages need the sales-message switch.
    EXPECT_FALSE(texts.join("|").contains("Date Received:"));
    EXPECT_FALSE(texts.contains("Message 1"));
    EXPECT_EQ(Titles(), QStringList{"PO - P100"});
}

TEST_F(POFormTest, WithoutProductCodesTheCodeColumnIsLeftOut) {
    company.set(Company::ProductCodesOnPOs, false);
    company.set(Company::CodeHeading, "Code");
    Print();
    const QStringList texts = TextsOf(1);
    EXPECT_FALSE(texts.contains("B1"));
    EXPECT_FALSE(texts.contains("Code"));
    EXPECT_TRUE(texts.contains("Bolts"));
    EXPECT_TRUE(texts.contains("2,622.52"));
}

TEST_F(POFormTest, CreditDuplicateAndFileCopyCaptions) {
    company.set(Company::PrintDuplicatePO, "Y");
    doc.DocumentRecord.PrintedFlag = "Y";
    Print();
    EXPECT_TRUE(TextsOf(1).contains("** Duplicate PO **"));
    EXPECT_TRUE(TextsOf(1).contains("PURCHASE ORDER"));

    // A file copy keeps the order's job title and never carries the banner.
    Print(OutputFileCopy);
    EXPECT_TRUE(TextsOf(1).contains("PO FILE COPY"));
    EXPECT_FALSE(TextsOf(1).contains("PURCHASE ORDER"));
    EXPECT_FALSE(TextsOf(1).contains("** Duplicate PO **"));
    EXPECT_EQ(Titles(), QStringList{"PO - P100"});

    doc.DocumentRecord.TotalAmount = "-5.00";
    Print();
    EXPECT_TRUE(TextsOf(1).contains("PO CREDIT"));
    EXPECT_FALSE(TextsOf(1).contains("PURCHASE ORDER"));
}

TEST_F(POFormTest, ALongCreditOrderBreaksBeforeTheLastLineOnlyAndNumbersItsPages) {
    for (int i = 1; i <= 80; ++i)
        doc.DocumentLines[i] = PODocumentLine("", "1", "Return " + std::to_string(i), "", "-1.00");
    doc.DocumentRecord.TotalAmount = "-80.00";
    Print();
    const int pages = canvas.Pages();
    ASSERT_GE(pages, 2);
    EXPECT_TRUE(TextsOf(1).contains("PO CREDIT"));
    EXPECT_TRUE(TextsOf(1).contains("Continued on page number 2 ..."));
    for (int p = 2; p <= pages; ++p) {
        EXPECT_TRUE(TextsOf(p).contains("C  R  E  D  I  T")) << p;
        EXPECT_TRUE(TextsOf(p).contains("page number " + QString::number(p))) << p;
        EXPECT_FALSE(TextsOf(p).contains("P100")) << p;
    }
    int lines = 0;
    for (int p = 1; p <= pages; ++p)
        for (const QString& t : TextsOf(p)) lines += t.startsWith("Return ") ? 1 : 0;
    EXPECT_EQ(lines, 80);
    EXPECT_TRUE(TextsOf(pages).contains("Return 80"));
    EXPECT_TRUE(TextsOf(pages).contains("Grand Total:"));
    EXPECT_FALSE(TextsOf(pages).join("|").contains("Continued on page number"));
}

TEST_F(POFormTest, ALineWithoutDescriptionBeforeOthersLosesNone) {
    doc.DocumentLines[1] = PODocumentLine("", "", "", "", "");
    doc.DocumentLines[2] = PODocumentLine("N1", "2", "Nuts", "1.00", "2.00");
    doc.DocumentLines[3] = PODocumentLine("W1", "3", "Washers", "1.00", "3.00");
    Print();
    EXPECT_TRUE(TextsOf(1).contains("Nuts"));
    EXPECT_TRUE(TextsOf(1).contains("Washers"));
}

TEST_F(POFormTest, LetterheadStyleLeavesTheHeadToThePaper) {
    company.set(Company::LetterheadStyle, true);
    EXPECT_TRUE(company.set(Company::TopFormMargin, "50"));
    company.set(Company::PrintDuplicatePO, "Y");
    doc.DocumentRecord.PrintedFlag = "Y";
    Print();
    for (const char* absent :
         {"PURCHASE ORDER", "Harbour Supplies", "1 Harbour Lane", "** Duplicate PO **"})
        EXPECT_FALSE(TextsOf(1).contains(absent)) << absent;
    const auto* vendor = canvas.FindText("Bolt Works");
    ASSERT_NE(vendor, nullptr);
    EXPECT_EQ(vendor->p1.y(), 50 + 11 * LineHeight(Company::BodyFont));
}

TEST_F(POFormTest, WithoutTaxHeadingOrTaxTheDateRequiredSharesTheTotalRow) {
    company.set(Company::TaxHeading, "");
    Print();
    const auto* total = canvas.FindText("Total:");
    const auto* required = canvas.FindText("Date Required: 04/01/2024");
    ASSERT_NE(total, nullptr);
    ASSERT_NE(required, nullptr);
    EXPECT_EQ(required->p1.y(), total->p1.y());
    EXPECT_EQ(canvas.FindText("0.00"), nullptr);

    // With a tax amount the tax row stands between them.
    doc.DocumentRecord.TaxAmount = "12.50";
    Print();
    EXPECT_NE(canvas.FindText("12.50"), nullptr);
    EXPECT_GT(canvas.FindText("Date Required: 04/01/2024")->p1.y(),
              canvas.FindText("Total:")->p1.y());
}

TEST_F(POFormTest, AMemoOrderPrintsItsLinesAndPutsTheTotalsLow) {
    doc.DocumentRecord.Kind = "M";
    for (int i = 1; i <= DocumentMemoLines; ++i) doc.DocumentLines[i] = "";
    doc.DocumentLines[1] = "Repairs to the loading dock";
    doc.DocumentLines[3] = "Labour and parts";
    doc.DocumentLines[25] = "Last line";
    Print();
    EXPECT_NE(canvas.FindText("Please supply:"), nullptr);
    const auto* first = canvas.FindText("Repairs to the loading dock");
    const auto* last = canvas.FindText("Last line");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(last, nullptr);
    // Lines 20 to 24 are blank and take no room: the 25th stands 19 rows below the first.
    canvas.SetFont(CompanyFont(company, Company::ManagersFont));
    FontSpec memo = CompanyFont(company, Company::ManagersFont);
    memo.size += 2;
    canvas.SetFont(memo);
    const int L = canvas.TextHeight("MXjpy");
    EXPECT_EQ(last->p1.y() - first->p1.y(), 19 * L);
    const auto* total = canvas.FindText("Total:");
    ASSERT_NE(total, nullptr);
    EXPECT_GE(total->p1.y(), canvas.PageHeight() - 100 - 14 * L);
    EXPECT_EQ(canvas.Pages(), 1);
}

TEST_F(POFormTest, TheVendorsNotesTakeThePlaceOfTheMessages) {
    company.set(Company::PrintSalesMessages, true);
    Print();
    for (const char* m : {"Message 1", "Message 2", "Message 3", "Message 4"})
        EXPECT_NE(canvas.FindText(m), nullptr) << m;

    doc.DocumentRecord.PrintNotes = "Y";
    doc.DocumentRecord.Notes = "Deliver to the back door.\nRing twice.";
    Print();
    EXPECT_EQ(canvas.FindText("Message 1"), nullptr);
    const auto* first = canvas.FindText("Deliver to the back door.");
    const auto* second = canvas.FindText("Ring twice.");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const int L = LineHeight(Company::SalesMessageFont);
    EXPECT_EQ(first->p1.y(), canvas.PageHeight() - 100 - 7 * L);
    EXPECT_EQ(second->p1.y(), canvas.PageHeight() - 100 - 6 * L);
    // Messages 3 and 4 print empty.
    int empties = 0;
    for (const auto& call : canvas.Texts(1))
        if (call.text.isEmpty() && call.p1.y() >= canvas.PageHeight() - 100 - 5 * L &&
            call.p1.y() <= canvas.PageHeight() - 100 - 4 * L)
            ++empties;
    EXPECT_EQ(empties, 2);
}

TEST_F(POFormTest, TheProgramsPrinterWritesARealPdf) {
    QTemporaryDir dir;
    const QString path = dir.filePath("po.pdf");
    QtPrintCanvas pdf(SharedPrinter());
    SetPdfOutput(path);
    const bool ended = PrintPurchaseOrderPages(pdf, doc, company);
    SetPdfOutput({});
    ASSERT_TRUE(ended);
    const QString text = testsupport::PdfText(path);
    for (const char* part : {"PURCHASE ORDER", "Bolt Works", "PO Number: P100", "Bolts", "2,622.52",
                             "Grand Total:", "Date Required: 04/01/2024", "Buyer"})
        EXPECT_TRUE(text.contains(part)) << part << "\n" << text.toStdString();
}

}  // namespace
