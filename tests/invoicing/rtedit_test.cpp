// The view window over the document buffer: what each kind of document shows, the rows and
// their numbers, closing on any character or double-click, the column sort, and the mail
// session the window carries for every sender.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <functional>

#include "invoicing/documents/document_view_window.h"
#include "invoicing/documents/invoice_email.h"
#include "invoicing/documents/invoice_print.h"
#include "invoicing/documents/po_email.h"
#include "platform/list_view.h"
#include "shell/text.h"
#include "tests/invoicing/output_env.h"

namespace {

// A line-item document line laid out as the loaders lay it.
std::string DocLine(const std::string& code, const std::string& quantity,
                    const std::string& description, const std::string& unit,
                    const std::string& extension, const std::string& tax = "N") {
    return PadRightWith(code, ' ', 10) + " " + RightJustify(quantity, ' ', 10) + " " +
           PadRightWith(description, ' ', 33) + " " + RightJustify(unit, ' ', 10) + " " + tax +
           " " + RightJustify(extension, ' ', 12);
}

CompanyRec Headings() {
    CompanyRec c;
    c.set(Company::CodeHeading, "Item");
    c.set(Company::QuantityHeading, "Qty");
    c.set(Company::DescriptionHeading, "Description");
    c.set(Company::UnitCostHeading, "Price");
    c.set(Company::ExtensionHeading, "Amount");
    c.set(Company::POCaption, "PURCHASE ORDER ");
    c.set(Company::InvoiceShipToCaption, "Ship To:");
    c.set(Company::POShipToCaption, "Deliver To:");
    return c;
}

TEST(DocumentViewRows, EveryLineIsShownAndEmptyEntriesKeepTheNumbersOfTheOthers) {
    DocumentState doc;
    doc.DocumentRecord.Kind = "P";
    doc.DocumentLines[1] = DocLine("", "", "Thank you", "", "");
    doc.DocumentLines[2] = DocLine("W1", "2", "", "2.50", "5.00");  // no description
    doc.DocumentLines[4] = DocLine("W1", "1,000", "Widget", "1250", "1250000.00", "Y");
    const DocumentView view = BuildDocumentView(doc, Headings());
    ASSERT_EQ(view.rows.size(), 3u);
    // A comment line has no code and no figures: no zero is made up for its extension.
    EXPECT_EQ(view.rows[0], (QStringList{"01", "", "", "Thank you", "", "N", ""}));
    EXPECT_EQ(view.rows[1], (QStringList{"02", "W1", "2", "", "2.50", "N", "5.00"}))
        << "its extension is in the total, so the line is shown";
    EXPECT_EQ(view.rows[2],
              (QStringList{"04", "W1", "1,000", "Widget", "1,250", "Y", "1,250,000.00"}));
    EXPECT_FALSE(view.memo);
    EXPECT_EQ(view.columnCaptions,
              (std::array<QString, 7>{"LN", "Item", "Qty", "Description", "Price", "T", "Amount"}));
    EXPECT_EQ(view.labels.at("Label24"), "Product Code Invoice");

    // The e-mailed invoice and purchase order carry it too.
    const auto mailed = [](const std::vector<std::string>& lines) {
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("5.00") != std::string::npos && line.find("2.50") != std::string::npos;
        });
    };
    EXPECT_EQ(mailed(InvoiceEmailLines(doc, Headings())), 1);
    EXPECT_EQ(mailed(PurchaseOrderEmailLines(doc, Headings())), 1);

    // And the printed invoice.
    RecordingCanvas canvas;
    doc.OutputMode = "INV";
    ASSERT_TRUE(PrintInvoicePages(canvas, doc, Headings()));
    QStringList printed;
    for (const auto& call : canvas.Texts(1)) printed << call.text;
    EXPECT_TRUE(printed.contains("2.50")) << printed.join("|").toStdString();
    EXPECT_TRUE(printed.contains("5.00"));
}

TEST(PurchaseOrderMail, TheShipToCaptionFollowsTheSecondAddressLineAndHeadingsAreNeverCut) {
    DocumentState doc;
    doc.DocumentRecord.Kind = "P";
    doc.DocumentRecord.AddrLine1 = "Bolt Supply";
    doc.DocumentRecord.ShipLine1 = "Dock 4";
    CompanyRec company = Headings();
    company.set(Company::QuantityHeading, "Qty On Order");  // wider than its column
    company.set(Company::UnitCostHeading, "Unit Cost Each");
    const auto has = [](const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };

    // A vendor with no second address line: its name alone, whatever the ship-to lines.
    std::vector<std::string> lines = PurchaseOrderEmailLines(doc, company);
    EXPECT_TRUE(has(lines, "Bolt Supply"));
    doc.DocumentRecord.AddrLine2 = "12 Harbour Road";
    doc.DocumentRecord.ShipLine1 = "";
    lines = PurchaseOrderEmailLines(doc, company);
    EXPECT_TRUE(has(lines, PadRightWith("Bolt Supply", ' ', 38) + "Deliver To:"));

    EXPECT_TRUE(has(lines, PadRightWith("Qty On Order", ' ', 10) + " " +
                               PadRightWith("Description", ' ', 32) + " " +
                               PadRightWith("Unit Cost Each", ' ', 11) + " T " +
                               RightJustify("Extended", ' ', 12)));
}

TEST(DocumentViewRows, UnitPricesKeepTheDecimalsTypedAndOddTextStaysAsStored) {
    const auto unit = [](const std::string& price) {
        return DocumentViewRow(7, DocLine("A", "1", "Rope", price, "1.00")).at(4);
    };
    EXPECT_EQ(unit("2.125"), "2.125");
    EXPECT_EQ(unit("1250"), "1,250");
    EXPECT_EQ(unit("0.5"), "0.5");
    EXPECT_EQ(unit("12.3456"), "12.3456");
    EXPECT_EQ(unit("1.23456"), "1");  // beyond four decimals none are shown
    EXPECT_EQ(unit("1 250.5"), "1,250.5");
    EXPECT_EQ(unit(""), "");
    EXPECT_EQ(unit("n/a"), "n/a");
    EXPECT_EQ(DocumentViewRow(7, DocLine("A", "1", "Rope", "1", "oops")).at(6), "oops");
    EXPECT_EQ(DocumentViewRow(7, DocLine("A", "1", "Rope", "1", "1.5")).at(0), "07");
}

TEST(DocumentViewKinds, MemoInvoicesShowTheirMemoAndTheFirstSaleOrThePaidDate) {
    DocumentState doc;
    DocumentRecord& d = doc.DocumentRecord;
    d.Kind = "M";
    d.DocType = "I";
    d.DocNumber = " 1001 ";
    d.DatePaid = "/";
    d.PaidAmount = "        0.00";
    doc.DocumentLines[1] = "Repairs";
    doc.DocumentLines[3] = "Parts";
    doc.DocumentLines[26] = "never shown";
    doc.DocumentFirstQty = "2";
    doc.DocumentFirstCode = "W1";
    DocumentView view = BuildDocumentView(doc, Headings());
    EXPECT_TRUE(view.memo);
    ASSERT_EQ(view.memoLines.size(), 25);
    EXPECT_EQ(view.memoLines[0], "Repairs");
    EXPECT_EQ(view.memoLines[1], "");
    EXPECT_EQ(view.memoLines[2], "Parts");
    EXPECT_EQ(view.labels.at("Label24"), "Memo Invoice");
    EXPECT_EQ(view.labels.at("Label26"), "Sold: 2 - W1");
    EXPECT_EQ(view.caption, "View Invoice# 1001");
    EXPECT_EQ(view.labels.at("Label6"), "Ship To:");
    EXPECT_EQ(view.labels.at("Label25"), "Balance Due:");

    d.DatePaid = "04/01/2024";
    view = BuildDocumentView(doc, Headings());
    EXPECT_EQ(view.labels.at("Label26"), "Paid Date: 04/01/2024");
    d.DatePaid = "4/1/24";  // seven characters are no date
    EXPECT_EQ(BuildDocumentView(doc, Headings()).labels.at("Label26"), "Sold: 2 - W1");
}

TEST(DocumentViewKinds, DepositsAndGeneratedBillingsSayWhatTheyAre) {
    DocumentState doc;
    DocumentRecord& d = doc.DocumentRecord;
    d.Kind = "D";
    d.DocType = "D";
    d.PaidAmount = "       50.00";
    DocumentView view = BuildDocumentView(doc, Headings());
    EXPECT_EQ(view.memoLines, QStringList{"Deposit on Account"});
    EXPECT_EQ(view.labels.at("Label24"),
              "DEPOSIT ON ACCOUNT OF 50.00. (A zero amount indicates deposit has been offset).");
    EXPECT_EQ(view.labels.at("Label19"), "Paid Amount: 50.00");

    d.Kind = "T";
    d.DocType = "T";
    view = BuildDocumentView(doc, Headings());
    EXPECT_EQ(view.memoLines, QStringList{"Deposit on Account - Offset against invoices."});

    d.Kind = "P";
    d.DocType = "G";
    EXPECT_EQ(BuildDocumentView(doc, Headings()).labels.at("Label24"), "** GENERATED BILLING **");
}

TEST(DocumentViewKinds, AMemoPurchaseOrderShowsTheVendorDatesAndNoPaymentFigures) {
    DocumentState doc;
    DocumentRecord& d = doc.DocumentRecord;
    d.Kind = "M";
    d.DocType = "O";
    d.DocNumber = "PO-17";
    d.AccountNo = "V9";
    d.PaidAmount = "        5.00";
    d.BalanceDue = "        9.00";
    d.PrintedFlag = "Y";
    d.DateEmailed = "2024/03/15";
    doc.DocumentLines[1] = "Ten crates";
    doc.DocumentFirstQty = "10";
    doc.DocumentFirstCode = "CRATE";
    doc.DocumentRequiredYMD = "2024/04/01";
    doc.DocumentReceivedYMD = "";
    const DocumentView view = BuildDocumentView(doc, Headings());
    EXPECT_EQ(view.caption, "View Purchase Order# PO-17");
    EXPECT_EQ(view.memoLines[0], "Ten crates");
    EXPECT_EQ(view.labels.at("Label26"), "Buy: 10 - CRATE");
    EXPECT_EQ(view.labels.at("Label24"), "PURCHASE ORDER Required: 2024/04/01\nReceived: ");
    for (const char* blank : {"Label19", "Label20", "Label25"})
        EXPECT_EQ(view.labels.at(blank), " ");
    EXPECT_EQ(view.labels.at("Label23"), "PO Total:");
    EXPECT_EQ(view.labels.at("Label13"), "Vendor Number: V9");
    EXPECT_EQ(view.labels.at("Label6"), "Deliver To:");
    EXPECT_EQ(view.labels.at("HasPrinted"), "Printed: Yes");
    EXPECT_EQ(view.labels.at("EMDate"), "E-Mailed: 2024/03/15");
}

TEST(DocumentViewKinds, ShortEMailedDatesAndAnEmptyTaxHeadingShowTheDefaults) {
    DocumentState doc;
    doc.DocumentRecord.DocType = "I";
    for (const char* date : {"", "  /  ", "12345"}) {
        doc.DocumentRecord.DateEmailed = date;
        EXPECT_EQ(BuildDocumentView(doc, Headings()).labels.at("EMDate"), "") << date;
    }
    doc.DocumentRecord.DateEmailed = "3/5/24";
    EXPECT_EQ(BuildDocumentView(doc, Headings()).labels.at("EMDate"), "E-Mailed: 3/5/24");
    EXPECT_EQ(BuildDocumentView(doc, Headings()).labels.at("Label22"), "Tax:");
    CompanyRec taxed = Headings();
    taxed.set(Company::TaxHeading, " VAT ");
    EXPECT_EQ(BuildDocumentView(doc, taxed).labels.at("Label22"), "VAT");
}

// --- the window, shown by the invoice output over invoices posted on file ---

class ViewWindowTest : public OutputEnv {
protected:
    ViewWindowTest() {
        ChangeCompany([](CompanyRec& c) {
            c.set(Company::CodeHeading, "Item");
            c.set(Company::ExtensionHeading, "Amount");
        });
    }

    // Outputs the invoice to the screen; the script looks at the window, then it is closed.
    void View(const std::string& number, const std::function<void(Trtedit&)>& look) {
        host->OnModal("rtedit", [&](Form& f) {
            look(static_cast<Trtedit&>(f));
            if (f.ModalResult() == Modal::None) PressButton(f, "Button1");
        });
        Output(number, false);
    }

    static QStringList Column(const ListView& list, int column) {
        QStringList texts;
        for (int r = 0; r < list.Count(); ++r) texts << list.Item(r)->text(column);
        return texts;
    }
    static void Key(QWidget* target, Qt::Key key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &press);
    }
    static void DoubleClick(QWidget* target) {
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &click);
    }

    Trtedit window;
};

TEST_F(ViewWindowTest, AnInvoiceIsShownFromTheBufferAndItsColumnsSortAsText) {
    PostInvoice("1001",
                {Row("W1", "4", "Widget", "2.25", "9.00"),
                 Row("W1", "4", "Widget", "2.50", "10.00"), Row("", "", "Thank you", "", "0.00")},
                "19.00");
    View("1001", [](Trtedit& w) {
        EXPECT_EQ(w.windowTitle(), "View Invoice# 1001");
        EXPECT_EQ(w.Label1->text(), "Acme Tools");
        EXPECT_EQ(w.Label11->text(), "Date: 03/15/2024");
        EXPECT_EQ(w.Label14->text(), "Payment Terms: Net 30");
        EXPECT_EQ(w.Label15->text(), "Reference: PO 77");
        EXPECT_EQ(w.Label13->text(), "Account Number: C1");
        EXPECT_EQ(TrimBlanks(w.Label18->text().toStdString()), "19.00");
        EXPECT_EQ(w.HasPrinted->text(), "Printed: No");
        EXPECT_TRUE(w.ListView1->isVisible());
        EXPECT_FALSE(w.MemoInv->isVisible());
        EXPECT_EQ(w.ListView1->headerItem()->text(1), "Item");
        EXPECT_EQ(w.ListView1->headerItem()->text(6), "Amount");
        EXPECT_EQ(Column(*w.ListView1, 6), (QStringList{"9.00", "10.00", "0.00"}));
        emit w.ListView1->header()->sectionClicked(6);
        EXPECT_EQ(Column(*w.ListView1, 6), (QStringList{"0.00", "10.00", "9.00"}));
        emit w.ListView1->header()->sectionClicked(0);
        EXPECT_EQ(Column(*w.ListView1, 0), (QStringList{"01", "02", "03"}));
    });
    EXPECT_EQ(HeadersOf("1001").front().get(Invoice::InvPrinted), "");  // viewing writes nothing
}

TEST_F(ViewWindowTest, EachShowRebuildsTheWholeWindow) {
    PostInvoice("1001", {Row("W1", "1", "Widget", "2.50", "2.50")}, "2.50");
    InvoiceEntry memo = Entry({}, "7.50");
    memo.number = "1002";
    memo.memo = true;
    memo.memoLines = {"Three widgets fitted", "", "Labour included"};
    memo.stockCode = "W1";
    memo.memoQuantity = "3";
    Post(memo);

    View("1002", [](Trtedit& w) {
        EXPECT_FALSE(w.ListView1->isVisible());
        EXPECT_TRUE(w.MemoInv->isVisible());
        EXPECT_EQ(w.MemoInv->blockCount(), 25);
        const QStringList lines = w.MemoInv->toPlainText().split('\n');
        EXPECT_EQ(lines[0].trimmed(), "Three widgets fitted");
        EXPECT_EQ(lines[1].trimmed(), "");
        EXPECT_EQ(lines[2].trimmed(), "Labour included");
        EXPECT_EQ(w.Label24->text(), "Memo Invoice");
        EXPECT_EQ(w.Label26->text(), "Sold: 3 - W1");
    });
    View("1001", [](Trtedit& w) {
        EXPECT_EQ(w.windowTitle(), "View Invoice# 1001");
        EXPECT_TRUE(w.ListView1->isVisible());
        EXPECT_FALSE(w.MemoInv->isVisible());
        EXPECT_EQ(w.ListView1->Count(), 1);
        EXPECT_EQ(w.Label26->text(), " ");
        EXPECT_EQ(w.Label24->text(), "Product Code Invoice");
    });
}

TEST_F(ViewWindowTest, AnyCharacterOrDoubleClickClosesTheWindowAndCustNoteGetsItsSizeBack) {
    PostInvoice("1001", {Row("W1", "1", "Widget", "2.50", "2.50")}, "2.50");
    const std::vector<std::pair<const char*, std::function<void(Trtedit&)>>> closers{
        {"a letter in the list", [](Trtedit& w) { Key(w.ListView1, Qt::Key_X, "x"); }},
        {"Escape", [](Trtedit& w) { Key(w.ListView1, Qt::Key_Escape, "\x1b"); }},
        {"a digit on the button",
         [](Trtedit& w) { Key(w.findChild<QWidget*>("Button1"), Qt::Key_1, "1"); }},
        {"double-click on a panel", [](Trtedit& w) { DoubleClick(w.Panel2); }},
        {"double-click in the list", [](Trtedit& w) { DoubleClick(w.ListView1->viewport()); }},
        {"double-click on the form", [](Trtedit& w) { DoubleClick(&w); }},
        {"Close", [](Trtedit& w) { PressButton(w, "Button1"); }},
    };
    for (const auto& [what, close] : closers) {
        View("1001", [&, what = what, close = close](Trtedit& w) {
            w.CustNote->resize(600, 40);  // as a document printer leaves it
            Key(w.ListView1, Qt::Key_Tab, "\t");
            Key(w.ListView1, Qt::Key_Down, "");
            EXPECT_EQ(w.ModalResult(), Modal::None) << what;
            close(w);
            EXPECT_EQ(w.ModalResult(), Modal::Cancel) << what;
        });
        EXPECT_EQ(window.CustNote->size(), QSize(Trtedit::CustNoteWidth, Trtedit::CustNoteHeight))
            << what;
    }
}

TEST_F(ViewWindowTest, TheWindowCarriesTheOneMailSessionEverySenderUses) {
    EXPECT_EQ(rtedit, &window);
    EXPECT_EQ(&Mail().msSMTP1, &window.msSMTP1);
    EXPECT_EQ(&Mail().msMessage1, &window.msMessage1);
    EXPECT_EQ(window.msSMTP1.MailMessage(), &window.msMessage1);
    EXPECT_EQ(window.msSMTP1.Port(), 25);
    EXPECT_FALSE(window.CustNote->isVisible());
    {
        // A second window is no second instance and brings no second session.
        const Trtedit other;
        EXPECT_EQ(rtedit, &window);
        EXPECT_EQ(&other.msSMTP1, &window.msSMTP1);
        EXPECT_EQ(&Mail().msSMTP1, &window.msSMTP1);
    }
    EXPECT_EQ(&Mail().msSMTP1, &window.msSMTP1);
}

}  // namespace
