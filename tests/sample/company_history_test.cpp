// The sample company's history: written through the posting code, the books agree with the
// documents, every report has rows, the label files and the form letter load, and the same
// seed writes the same records.
#include "sample/company_history.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QTextDocument>
#include <algorithm>
#include <filesystem>
#include <map>

#include "engine/engine.h"
#include "invoicing/documents/invoice_print.h"
#include "invoicing/documents/po_print.h"
#include "masters/sample_masters.h"
#include "platform/printer.h"
#include "reports/labels/label_layout.h"
#include "reports/labels/label_queue.h"
#include "reports/letters/letter_file.h"
#include "reports/wizard/report_builders.h"
#include "sample/history_session.h"
#include "shell/sample_company.h"
#include "tests/invoicing/po_document.h"
#include "tests/support/books_check.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr Date Today{2026, 6, 30};

struct Written {
    CompanyRec company;
    std::map<std::string, Decimal> openingStock;
    HistoryCounts counts;
};

Written WriteSample(const DataFolder& folder, const HistoryOptions& options) {
    Written w;
    w.company = CreateSampleCompany(folder, 3, "Quay Stores", {.seed = options.seed, .counts = {}});
    EXPECT_TRUE(FillSampleMasters(folder, w.company, options.seed, 40, 12, 60));
    w.openingStock = testsupport::StockOnHand(folder, "3");
    w.counts = WriteCompanyHistory(folder, w.company, options);
    return w;
}

// Every file of the folder, by name; of a data file only its records (its header carries a
// stamp of its own), and of the last-layout file the layout's name (it holds a full path).
std::map<std::string, std::string> Contents(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        const std::string ext = entry.path().extension().string();
        if (ext == ".IX") continue;  // the index, rebuilt from the records at will
        // The engine's journal: emptied, it keeps old entries behind a blank header.
        if (name == "ENGINE.JNL") continue;
        std::string content = ReadWholeFile(entry.path()).value_or("?");
        if (ext == ".DAT" && name != "Lastlbl.DAT" && name != "LWTERMS.DAT")
            content = content.substr(std::min<std::size_t>(content.size(), 128));
        if (name == "Lastlbl.DAT")
            content = ReadLastLabelPath(DataFolder(dir)).value.value_or("").filename().string();
        files[name] = content;
    }
    return files;
}

TEST(CompanyHistoryTest, AYearOfPostingsKeepsTheBooksAndFillsEveryReport) {
    EngineStart(30);
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    const HistoryOptions options{
        .seed = 4, .invoices = 300, .purchaseOrders = 30, .queueRows = 10, .today = Today};
    const Written w = WriteSample(folder, options);

    const HistoryCounts& c = w.counts;
    EXPECT_EQ(c.invoices, 300);
    EXPECT_GT(c.memoInvoices, 0);
    EXPECT_GT(c.paidInFull, 0);
    EXPECT_GT(c.paidInPart, 0);
    EXPECT_GT(c.deposits, 0);
    EXPECT_EQ(c.purchaseOrders, 30);
    EXPECT_GT(c.receivedInFull, 0);
    EXPECT_GT(c.receivedInPart, 0);
    EXPECT_GT(c.purchaseOrders - c.receivedInFull - c.receivedInPart, 0) << "some not received";
    EXPECT_EQ(c.queueRows, 10);

    const std::vector<std::string> problems =
        testsupport::CheckBooks(folder, "3", Today, w.openingStock);
    EXPECT_TRUE(problems.empty()) << problems.front();

    // Something is overdue past the last aging period.
    bool over = false;
    for (const CustomerRec& r : testsupport::CompanyRecords<CustomerRec>(folder, "3", "C"))
        over = over || testsupport::Amount(r.get(Customer::Amounts[3])) > Decimal();
    EXPECT_TRUE(over);

    {
        HistorySession session(folder, w.company, Today);
        const ReportPeriod year{"2025/07/01", "2026/06/30"};
        for (const ReportDefinition& report : ReportDefinitions())
            EXPECT_TRUE(HasRecords(BuildReport(report, year))) << report.name;
        const BuiltReport ar = BuildReport(*FindReportDefinition("Accounts Receivable"), year);
        Decimal listed;
        for (int row = 1; row < ar.grid.rowCount(); ++row)
            listed += testsupport::Amount(TrimBlanks(ar.grid.cell(6, row)));
        EXPECT_EQ(
            listed.format("0.00"),
            testsupport::Amount(session.company().get(Company::ReceivablesTotal)).format("0.00"));
    }

    const auto layout = ReadLastLabelPath(folder);
    ASSERT_TRUE(layout.value);
    EXPECT_TRUE(ReadLabelLayoutFile(*layout.value).value);
    const ListFileRead list =
        ParseListFile(ReadWholeFile(folder.file("Mailing List.LST")).value_or(""));
    EXPECT_EQ(list.badLine, 0);
    EXPECT_EQ(list.items.size(), 10u);
    // The form letter opens as rich text with its merge keywords.
    const LetterLoad letter = LoadLetter(folder.file("Payment Reminder.RTF"), QFont("Arial", 10));
    ASSERT_TRUE(letter.document) << letter.error.toStdString();
    for (const char* keyword : {"LWCMPNAME", "LWCSTNAME", "LWCSTADD1", "LWCSTBAL", "LWCSTAOV90"})
        EXPECT_TRUE(letter.document->toPlainText().contains(keyword)) << keyword;
    // Names stand above the addresses: no address repeats its name.
    for (const CustomerRec& r : testsupport::CompanyRecords<CustomerRec>(folder, "3", "C"))
        for (const auto& line : {Customer::Address[0], Customer::Address2[0]})
            EXPECT_NE(r.get(line), r.get(Customer::Name));
    for (const VendorRec& r : testsupport::CompanyRecords<VendorRec>(folder, "3", "V"))
        for (const auto& line : {Vendor::Address[0], Vendor::Address2[0]})
            EXPECT_NE(r.get(line), r.get(Vendor::Name));

    testsupport::TempDir again;
    WriteSample(DataFolder(again.path()), options);
    EXPECT_EQ(Contents(dir.path()), Contents(again.path()));
    EngineStop();
}

// A large history pays most invoices at the sale; all of them, here: nothing is owed but the
// deposits, the books agree, and the session has left no unit of work open.
TEST(CompanyHistoryTest, InvoicesPaidAtTheSaleLeaveOnlyDepositsOpen) {
    EngineStart(30);
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    const HistoryOptions options{.seed = 5,
                                 .invoices = 400,
                                 .paidAtSalePerMille = 1000,
                                 .purchaseOrders = 0,
                                 .queueRows = 0,
                                 .today = Today};
    const Written w = WriteSample(folder, options);
    EXPECT_FALSE(InUnit());
    EXPECT_EQ(w.counts.paidInFull, 400);
    EXPECT_EQ(w.counts.paidInPart, 0);
    const std::vector<std::string> problems =
        testsupport::CheckBooks(folder, "3", Today, w.openingStock);
    EXPECT_TRUE(problems.empty()) << problems.front();
    int invoices = 0;
    for (const InvoiceRec& r : testsupport::CompanyRecords<InvoiceRec>(folder, "3", "I")) {
        if (TrimBlanks(r.get(Invoice::InvType)) == Invoice::TypeDeposit) continue;
        ++invoices;
        EXPECT_TRUE(testsupport::Amount(r.get(Invoice::InvDue)).isZero())
            << r.get(Invoice::InvNumber);
    }
    EXPECT_EQ(invoices, 400);
    EngineStop();
}

}  // namespace

// The sample company's purchase orders and invoices print every text right of their box's
// left line, none cut by it.
TEST(CompanyHistoryTest, TheSampleCompanysDocumentsPrintInsideTheirBox) {
    EngineStart(30);
    testsupport::TempDir dir;
    const CompanyRec company =
        CreateSampleCompany(DataFolder(dir.path()), 3, "Quay Stores", {.seed = 1, .counts = {}});
    EngineStop();
    DocumentState doc;
    FillPurchaseOrder(doc);
    for (const bool invoice : {false, true}) {
        SCOPED_TRACE(invoice ? "invoice" : "purchase order");
        RecordingCanvas canvas;
        doc.OutputMode = invoice ? OutputInvoiceMode : OutputPurchaseOrder;
        ASSERT_TRUE(invoice ? PrintInvoicePages(canvas, doc, company)
                            : PrintPurchaseOrderPages(canvas, doc, company));
        const auto box = std::find_if(canvas.Calls().begin(), canvas.Calls().end(), [](auto& c) {
            return c.op == RecordingCanvas::Op::Rectangle;
        });
        ASSERT_NE(box, canvas.Calls().end());
        for (const RecordingCanvas::Call& text : canvas.Texts())
            if (!TrimBlanks(text.text.toStdString()).empty())
                EXPECT_GT(text.p1.x(), box->p1.x() + box->penWidth) << text.text.toStdString();
    }
}
