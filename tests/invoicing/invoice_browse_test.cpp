// The Invoice Manager's list binding and find command, over a plain browse control.
#include <QApplication>
#include <QHeaderView>

#include "engine/browse/browser.h"
#include "invoicing/manager/invoice_browse.h"
#include "invoicing/invoicing_services.h"
#include "platform/list_view.h"
#include "shell/find_box.h"
#include "tests/invoicing/invoicing_env.h"

namespace {

class InvoiceBrowseTest : public InvoicingEnv {
protected:
    void SetUp() override {
        host->Answer(MsgResult::Ok,
                     "I am going to create a new, empty invoice file for this company.");
        ASSERT_TRUE(OpenInvoiceFiles());
        a = Add("300", "C1", "2024/03/01", "1500", "Northwind");
        b = Add("100", "C2", "2024/01/15", "99.99", "Southbay");
        c = Add("200", "C3", "2024/02/10", "12000", "Westfield");
        browser.show();
        browser.resize(400, 300);
        QApplication::processEvents();
    }
    int32_t Add(const std::string& number, const std::string& customer, const std::string& ymd,
                const std::string& total, const std::string& shortName) {
        InvoiceRec& r = State().InvoiceBuf;
        r.clear();
        EXPECT_TRUE(r.set(Invoice::InvNumber, number));
        EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, customer));
        EXPECT_TRUE(r.set(Invoice::InvTotal, total));
        r.set(Invoice::InvDateYMD, ymd);
        r.set(Invoice::InvKeyCode, "None");
        r.set(Invoice::InvType, "I");
        r.set(Invoice::InvCustomerShortName, shortName);
        int32_t ref = 0;
        EXPECT_TRUE(AddInvoiceRecord(ref)) << EngineErrorCode;
        return ref;
    }
    static QStringList Column(int column) {
        QStringList out;
        for (int i = 0; i < FindBox->ListView1->Count(); ++i)
            out << FindBox->ListView1->Item(i)->text(column);
        return out;
    }
    // Shows the find dialog through FindInvoice, searches for the text and picks row `pick`
    // (none: Cancel).
    void Find(const QString& text, std::optional<int> pick) {
        host->OnModal("FindBox", [text, pick](Form& form) {
            auto& box = static_cast<TFindBox&>(form);
            EXPECT_EQ(box.windowTitle(), "Find Invoice/Payment");
            FillControl(box, "FindText", text);
            PressButton(box, "FindBtn");
            if (pick) box.ListView1->Item(*pick)->setSelected(true);
            PressButton(box, pick ? "OKBtn" : "CancelBtn");
        });
        FindInvoice(browser);
    }

    FindBoxScope findBox;
    const InvoicingServices services;
    TFvcBrowser browser;
    int32_t a = 0, b = 0, c = 0;
};

TEST_F(InvoiceBrowseTest, TheListRunsOnTheInvoiceNumberFromTheFirstRow) {
    bool shared = true;
    ASSERT_TRUE(SetupInvoiceBrowser(browser, shared));
    EXPECT_FALSE(shared);
    EXPECT_EQ(BrowserKeyNumber(browser), InvoiceNumberKey);
    EXPECT_EQ(BrowserCurrentRef(browser), b);
    // The list reads rows on its own; InvoiceBuf changes only when asked to.
    const InvoiceRec before = State().InvoiceBuf;
    bool read = false;
    BrowserReadCurrent(browser, read, State().InvoiceBuf.bytes());
    EXPECT_TRUE(read);
    EXPECT_EQ(State().InvoiceBuf.get(Invoice::InvNumber), "100");
    EXPECT_NE(State().InvoiceBuf, before);

    CloseInvoiceFiles();
    TFvcBrowser other;
    EXPECT_FALSE(SetupInvoiceBrowser(other, shared));
    EXPECT_EQ(BrowserKeyNumber(other), 65535);
}

TEST_F(InvoiceBrowseTest, FindListsInvoicesAndPositionsTheListOnTheOneChosen) {
    bool shared = false;
    ASSERT_TRUE(SetupInvoiceBrowser(browser, shared));
    BrowserSetKeyNumber(browser, InvoiceDateKey);
    ASSERT_EQ(BrowserCurrentRef(browser), b);

    host->OnModal("FindBox", [](Form& form) {
        auto& box = static_cast<TFindBox&>(form);
        FillControl(box, "FindText", "c");
        PressButton(box, "FindBtn");
        EXPECT_EQ(box.ListView1->headerItem()->text(1), "Invoice#");
        EXPECT_EQ(box.ListView1->headerItem()->text(4), "Invoice Total");
        EXPECT_EQ(box.ListView1->headerItem()->text(6), "Notes/Comments/Reference");
        EXPECT_EQ(Column(4), (QStringList{"1,500.00", "99.99", "12,000.00"}));
        EXPECT_EQ(Column(5), (QStringList{"Northwind", "Southbay", "Westfield"}));
        box.ListView1->Item(2)->setSelected(true);
        PressButton(box, "OKBtn");
    });
    FindInvoice(browser);
    // Still in date order, now on invoice 200.
    EXPECT_EQ(BrowserKeyNumber(browser), InvoiceDateKey);
    EXPECT_EQ(BrowserCurrentRef(browser), c);

    Find("northwind", 0);
    EXPECT_EQ(BrowserCurrentRef(browser), a);
}

TEST_F(InvoiceBrowseTest, FindThatChoosesNothingOrAVanishedInvoiceLeavesTheListAlone) {
    bool shared = false;
    ASSERT_TRUE(SetupInvoiceBrowser(browser, shared));
    Find("westfield", std::nullopt);
    EXPECT_EQ(BrowserCurrentRef(browser), b);

    // The invoice chosen is deleted while the dialog is up: no other invoice is taken for it.
    host->OnModal("FindBox", [this](Form& form) {
        auto& box = static_cast<TFindBox&>(form);
        FillControl(box, "FindText", "C3");
        PressButton(box, "FindBtn");
        box.ListView1->Item(0)->setSelected(true);
        EXPECT_TRUE(DeleteInvoiceRecord(c));
        PressButton(box, "OKBtn");
    });
    FindInvoice(browser);
    EXPECT_EQ(BrowserCurrentRef(browser), b);
}

}  // namespace
