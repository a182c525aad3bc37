// Rows from the master files: load-all walks with their skipping rules and the aging pulls,
// over real customer, vendor and product files.
#include "reports/labels/label_sources.h"
#include <QLabel>
#include <QPushButton>
#include <functional>

#include "engine/engine.h"
#include "masters/master_files.h"
#include "masters/master_manager.h"
#include "platform/list_view.h"
#include "platform/status_window.h"
#include "reports/reports_windows.h"
#include "tests/reports/label_window_fixture.h"

namespace {

class LabelSourcesTest : public LabelWindowTest {
protected:
    LabelSourcesTest() {
        EngineStart();
        CompanyRec& company = Shell().companies.CurrentCompany;
        EXPECT_TRUE(company.set(Company::CompanyNumber, "7"));
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(company.set(Company::AgingPeriod[k], std::to_string(30 * (k + 1))));
        company.set(Company::AgingCaption[0], "Current");
        company.set(Company::AgingCaption[1], "31-60");
        company.set(Company::AgingCaption[2], "61-90");
        EXPECT_TRUE(CreateCustomerFiles() && CreateVendorFiles() && CreateProductFiles());
    }
    ~LabelSourcesTest() override { EngineStop(); }

    // Adds the record the fill writes into the file's buffer, with the set opened for it.
    static void Add(const DataFile& file, const std::function<void()>& fill) {
        ASSERT_TRUE(file.Open());
        std::fill(file.buffer().begin(), file.buffer().end(), 0);
        fill();
        int32_t ref = 0;
        EXPECT_TRUE(file.AddRecord(ref)) << EngineErrorCode;
        file.Close();
    }

    void AddCustomer(const std::string& number, const std::string& name,
                     std::array<std::string, 4> amounts = {"0.00", "0.00", "0.00", "0.00"}) {
        Add(CustomerData(), [&] {
            CustomerRec& c = Masters().CustomerBuf;
            EXPECT_TRUE(c.set(Customer::Number, number));
            c.set(Customer::Name, name);
            c.set(Customer::MailSort, "S-" + number);
            c.set(Customer::Type, "Retail");
            for (int k = 0; k < 4; ++k) EXPECT_TRUE(c.set(Customer::Amounts[k], amounts[k]));
        });
    }

    QStringList Captions(const Tlblwiz& w) const {
        QStringList out;
        for (int i = 0; i < w.LabelList->Count(); ++i)
            out << ListView::Caption(w.LabelList->Item(i));
        return out;
    }

    PlatformWindows windows;
    MastersStateScope masters;
    MastersWindows managers;
};

}  // namespace

TEST_F(LabelSourcesTest, RowsCarryTheRecordFieldsAndTheKindLetterLast) {
    ProductRec p;
    ASSERT_TRUE(p.set(Product::Code, "ABCDEFGHIJ"));
    p.set(Product::Description, "Rope, 12 mm, per metre");
    ASSERT_TRUE(p.set(Product::SalesPrice, "1,234.50"));
    p.set(Product::Location, "Yard");
    EXPECT_EQ(ProductQueueItem(p),
              MakeLabelQueueItem(LabelKind::Product, "ABCDEFGHIJ", "Rope, 12 mm, per metre",
                                 "1,234.50", "Yard"));
    VendorRec v;
    ASSERT_TRUE(v.set(Vendor::Number, "V-1"));
    v.set(Vendor::Name, "Dock & Rope Co.");
    v.set(Vendor::MailSort, "EAST");
    v.set(Vendor::Type, "Marine");
    const LabelQueueItem item = VendorQueueItem(v);
    EXPECT_EQ(item.caption, "V-1");
    EXPECT_EQ(item.subItems,
              (std::array<std::string, 4>{"Dock & Rope Co.", "EAST", "Marine", "V"}));
}

TEST_F(LabelSourcesTest, LoadAllSkipsRecordsWithoutNameOrCode) {
    AddCustomer("C1", "Alder Ltd");
    AddCustomer("C2", "");
    AddCustomer("C3", "Birch & Sons");
    Add(VendorData(), [] { EXPECT_TRUE(Masters().VendorBuf.set(Vendor::Number, "V1")); });
    Add(ProductData(), [] { EXPECT_TRUE(Masters().ProductBuf.set(Product::Code, "P1")); });
    Add(ProductData(), [] { Masters().ProductBuf.set(Product::Description, "No code"); });

    Tlblwiz& w = Create();
    Trigger(w.LoadAllCustomers1);
    EXPECT_EQ(Captions(w), (QStringList{"C1", "C3"}));
    EXPECT_EQ(w.StatusText(), "2 records were added.");
    EXPECT_TRUE(LabelQueueChanged);
    Trigger(w.LoadAllVendors1);
    EXPECT_EQ(w.StatusText(), "0 records were added.");
    Trigger(w.LoadAllProducts1);
    Trigger(w.LoadAllCustomers1);  // loading again appends again
    EXPECT_EQ(Captions(w), (QStringList{"C1", "C3", "P1", "C1", "C3"}));
    // Each walk closes what it opened.
    EXPECT_EQ(Masters().CustomerFile, 0);
    EXPECT_EQ(Masters().ProductFile, 0);
}

TEST_F(LabelSourcesTest, AgingPullsTakeEveryNonZeroBucketNegativeIncluded) {
    AddCustomer("C1", "Owes now", {"125.00", "0.00", "0.00", "0.00"});
    AddCustomer("C2", "Credit", {"-40.00", "0.00", "0.00", "0.00"});
    AddCustomer("C3", "Paid up", {"0.00", "0.00", "0.00", "0.00"});
    AddCustomer("C4", "", {"0.00", "0.00", "1,200.00", "0.00"});

    Tlblwiz& w = Create();
    AddToLabelQueue(LabelKind::Vendor, "V9", "Kept", "", "");
    LabelQueueChanged = false;
    Trigger(w.Pull030Days1);
    EXPECT_EQ(Captions(w), (QStringList{"V9", "C1", "C2"}));
    EXPECT_EQ(w.StatusText(), "2 records were added.");
    EXPECT_TRUE(LabelQueueChanged);
    PressButton(w, "A6090");  // a customer without a name is pulled too
    EXPECT_EQ(Captions(w).last(), "C4");

    host->Answer(MsgResult::Ok, "No records were found.", "31-60");
    PressButton(w, "A3060");
    host->Answer(MsgResult::Ok, "No records were found.", "Over 90");
    PressButton(w, "AOver90");
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Information);
    EXPECT_EQ(w.LabelList->Count(), 4);
}

TEST_F(LabelSourcesTest, AgingPullNeedsTheCompanysAgingDays) {
    AddCustomer("C1", "Owes", {"0.00", "0.00", "0.00", "5.00"});
    CompanyRec& company = Shell().companies.CurrentCompany;
    ASSERT_TRUE(company.set(Company::AgingPeriod[2], "   "));
    company.set(Company::AgingCaption[0], "");

    Tlblwiz& w = Create();
    const QString refusal =
        "Category 3 has a bad value in your aging days (Company Setup). Unable to process.";
    host->Answer(MsgResult::Ok, refusal, ProgramCaption());
    PressButton(w, "AOver90");
    host->Answer(MsgResult::Ok, refusal);
    PressButton(w, "A6090");
    EXPECT_EQ(w.LabelList->Count(), 0);
    // A blank caption titles the box with nothing.
    host->Answer(MsgResult::Ok, "No records were found.", "");
    PressButton(w, "zero30");
}

TEST_F(LabelSourcesTest, ABucketThatIsNoAmountStopsThePullKeepingEarlierRows) {
    AddCustomer("C1", "First", {"10.00", "0.00", "0.00", "0.00"});
    AddCustomer("C2", "Broken", {"ten", "0.00", "0.00", "0.00"});
    AddCustomer("C3", "Later", {"30.00", "0.00", "0.00", "0.00"});
    AddCustomer("C4", "Blank", {"", "0.00", "0.00", "0.00"});

    Tlblwiz& w = Create();
    host->Answer(MsgResult::Ok);
    PressButton(w, "zero30");
    EXPECT_TRUE(host->LastMessage()->text.contains("'ten'"));
    EXPECT_EQ(Captions(w), QStringList{"C1"});
    // The file set was closed: the next pull opens it again.
    EXPECT_EQ(Masters().CustomerFile, 0);
    host->Answer(MsgResult::Ok);
    PressButton(w, "zero30");
    EXPECT_EQ(Captions(w), (QStringList{"C1", "C1"}));
}

TEST_F(LabelSourcesTest, APickAppendsThePickedRecordOnly) {
    AddCustomer("C1", "Alder Ltd");
    Add(ProductData(), [] {
        ProductRec& p = Masters().ProductBuf;
        EXPECT_TRUE(p.set(Product::Code, "ABCDEFGHIJ"));
        p.set(Product::Description, "Rope");
        EXPECT_TRUE(p.set(Product::SalesPrice, "4.50"));
    });
    Tlblwiz& w = Create();
    const QString status = w.StatusText();

    // Closed without a pick: nothing, although the buffer holds a customer from earlier.
    Masters().CustomerBuf.set(Customer::Name, "Stale");
    Masters().CustSelectResult = PickedResult;
    host->OnModal("DemoForm", [](Form& f) {
        EXPECT_EQ(DemoForm->Panel(1)->text(), PickPrompt);
        PressButton(f, "CloseBtn");
    });
    Trigger(w.Add3);
    EXPECT_EQ(w.LabelList->Count(), 0);
    EXPECT_EQ(w.StatusText(), status);
    EXPECT_FALSE(LabelQueueChanged);
    EXPECT_EQ(DemoForm->Panel(1)->text(), MenuPrompt);

    host->OnModal("DemoForm", [](Form&) { DemoForm->FvcBrowser1Pick(); });
    Trigger(w.Add3);
    host->OnModal("EditProd", [](Form&) { EditProd->FvcBrowser1Pick(); });
    PressButton(w, "SpeedButton5");
    EXPECT_EQ(Captions(w), (QStringList{"C1", "ABCDEFGHIJ"}));
    EXPECT_EQ(w.QueueItems()[1],
              MakeLabelQueueItem(LabelKind::Product, "ABCDEFGHIJ", "Rope", "4.50", ""));
    EXPECT_EQ(w.StatusText(), "2 records are selected.");
    EXPECT_TRUE(LabelQueueChanged);
    EXPECT_EQ(EditProd->Panel(1)->text(), MenuPrompt);
}

TEST_F(LabelSourcesTest, ManagersAddTheHighlightedRecordToTheQueue) {
    AddCustomer("C1", "Alder Ltd");
    Add(VendorData(), [] {
        EXPECT_TRUE(Masters().VendorBuf.set(Vendor::Number, "V1"));
        Masters().VendorBuf.set(Vendor::Name, "Dock & Rope Co.");
    });
    const ReportsWindows reports;
    ASSERT_TRUE(lblwiz);
    EXPECT_TRUE(DemoForm->LabelQueueBtn->isEnabled());
    host->OnModal("DemoForm", [](Form& f) {
        PressButton(f, "LabelQueueBtn");
        PressButton(f, "LabelQueueBtn");  // the same customer may stand twice
        PressButton(f, "CloseBtn");
    });
    DemoForm->ShowModal();
    host->OnModal("VenList", [](Form& f) {
        f.findChild<QAction*>("LabelQueueItem")->trigger();
        PressButton(f, "CloseBtn");
    });
    VenList->ShowModal();
    EXPECT_EQ(Captions(*lblwiz), (QStringList{"C1", "C1", "V1"}));
    EXPECT_TRUE(LabelQueueChanged);

    // An empty list has no record to add: a beep, nothing else.
    host->OnModal("EditProd", [](Form& f) {
        PressButton(f, "LabelQueueBtn");
        PressButton(f, "CloseBtn");
    });
    EditProd->ShowModal();
    EXPECT_EQ(host->Beeps(), 1);
    EXPECT_EQ(lblwiz->LabelList->Count(), 3);
}

TEST_F(LabelSourcesTest, AFileThatCannotBeOpenedIsReportedAndAddsNothing) {
    ASSERT_TRUE(Shell().companies.CurrentCompany.set(Company::CompanyNumber, ""));
    Tlblwiz& w = Create();
    host->Answer(MsgResult::Ok);
    Trigger(w.LoadAllProducts1);
    EXPECT_TRUE(host->LastMessage()->text.contains("product file")) << host->LastMessage()->text.toStdString();
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Error);
    EXPECT_EQ(w.LabelList->Count(), 0);
    EXPECT_EQ(w.StatusText(), "Open a label layout file (Label Menu)...");
}
