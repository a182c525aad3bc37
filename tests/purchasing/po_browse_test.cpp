// The Purchase Order Manager's list binding and find command over a plain browse control,
// and what the order file lends the vendor file.
#include <QApplication>

#include "engine/browse/browser.h"
#include "masters/master_edit.h"
#include "masters/master_files.h"
#include "platform/list_view.h"
#include "purchasing/po_browse.h"
#include "purchasing/purchasing_services.h"
#include "shell/find_box.h"
#include "tests/purchasing/purchasing_env.h"

namespace {

class POBrowseTest : public PurchasingEnv {
protected:
    void SetUp() override {
        OpenNewPOFile();
        a = Add("300", "V1", "2024/03/01", "1500", "Northwind");
        b = Add("100", "V2", "2024/01/15", "99.99", "Southbay");
        c = Add("200", "V3", "2024/02/10", "12000", "Westfield");
        browser.show();
        browser.resize(400, 300);
        QApplication::processEvents();
    }
    int32_t Add(const std::string& number, const std::string& vendor, const std::string& ymd,
                const std::string& total, const std::string& shortName) {
        PORec r = Order(number, vendor, ymd);
        EXPECT_TRUE(r.set(PurchaseOrder::POTotal, total));
        r.set(PurchaseOrder::POVendorShortName, shortName);
        return AddOrder(r);
    }
    static QStringList Column(int column) {
        QStringList out;
        for (int i = 0; i < FindBox->ListView1->Count(); ++i)
            out << FindBox->ListView1->Item(i)->text(column);
        return out;
    }

    FindBoxScope findBox;
    const PurchasingServices services;
    TFvcBrowser browser;
    int32_t a = 0, b = 0, c = 0;
};

TEST_F(POBrowseTest, TheListRunsOnThePONumberFromTheFirstRow) {
    bool shared = true;
    ASSERT_TRUE(SetupPOBrowser(browser, shared));
    EXPECT_FALSE(shared);
    EXPECT_EQ(BrowserKeyNumber(browser), PONumberKey);
    EXPECT_EQ(BrowserCurrentRef(browser), b);

    ClosePOFiles();
    TFvcBrowser other;
    EXPECT_FALSE(SetupPOBrowser(other, shared));
    EXPECT_EQ(BrowserKeyNumber(other), 65535);
}

TEST_F(POBrowseTest, FindListsOrdersAndPositionsTheListOnTheOneChosen) {
    bool shared = false;
    ASSERT_TRUE(SetupPOBrowser(browser, shared));
    BrowserSetKeyNumber(browser, PODateKey);
    ASSERT_EQ(BrowserCurrentRef(browser), b);

    host->OnModal("FindBox", [](Form& form) {
        auto& box = static_cast<TFindBox&>(form);
        EXPECT_EQ(box.windowTitle(), "Find PO");
        FillControl(box, "FindText", "v");
        PressButton(box, "FindBtn");
        QStringList headings;
        for (int i = 0; i < 7; ++i) headings << box.ListView1->headerItem()->text(i);
        EXPECT_EQ(headings, (QStringList{"Year/Mo/Dy", "PO#", "Vendor#", "Key Code", "PO Total",
                                         "Short Name", "Notes/Comments/Reference"}));
        EXPECT_EQ(Column(1), (QStringList{"300", "100", "200"}));
        EXPECT_EQ(Column(4), (QStringList{"1,500.00", "99.99", "12,000.00"}));
        box.ListView1->Item(2)->setSelected(true);
        PressButton(box, "OKBtn");
    });
    FindPO(browser);
    // Still in date order, now on order 200.
    EXPECT_EQ(BrowserKeyNumber(browser), PODateKey);
    EXPECT_EQ(BrowserCurrentRef(browser), c);
}

TEST_F(POBrowseTest, FindThatChoosesNothingOrAVanishedOrderLeavesTheListAlone) {
    bool shared = false;
    ASSERT_TRUE(SetupPOBrowser(browser, shared));
    host->OnModal("FindBox", [](Form& form) {
        FillControl(form, "FindText", "westfield");
        PressButton(form, "FindBtn");
        PressButton(form, "CancelBtn");
    });
    FindPO(browser);
    EXPECT_EQ(BrowserCurrentRef(browser), b);

    host->OnModal("FindBox", [this](Form& form) {
        auto& box = static_cast<TFindBox&>(form);
        FillControl(box, "FindText", "V3");
        PressButton(box, "FindBtn");
        box.ListView1->Item(0)->setSelected(true);
        EXPECT_TRUE(DeletePORecord(c));
        PressButton(box, "OKBtn");
    });
    FindPO(browser);
    EXPECT_EQ(BrowserCurrentRef(browser), b);
}

class PurchasingServicesTest : public PurchasingEnv {
protected:
    ~PurchasingServicesTest() override { VendorData().Close(); }

    int32_t AddVendor(const std::string& number) {
        VendorRec& r = masters.state().VendorBuf;
        r.clear();
        EXPECT_TRUE(r.set(Vendor::Number, number));
        r.set(Vendor::Name, "Vendor " + number);
        int32_t ref = 0;
        EXPECT_TRUE(AddVendorRecord(ref)) << EngineErrorCode;
        return ref;
    }

    MastersStateScope masters;
};

TEST_F(PurchasingServicesTest, AVendorWithOrdersCannotBeDeleted) {
    ASSERT_TRUE(CreateVendorFiles());
    ASSERT_TRUE(OpenVendorFiles());
    const int32_t withOrder = AddVendor("V1");
    const int32_t without = AddVendor("V2");
    ASSERT_TRUE(CreatePOFiles());
    ASSERT_TRUE(OpenPOFiles());
    AddOrder(Order("100", "v1", "2024/01/01"));
    ClosePOFiles();

    {
        const PurchasingServices services;
        const SaveOutcome kept = DeleteMaster(VendorKind(), withOrder);
        EXPECT_EQ(kept.result, SaveOutcome::Result::Refused);
        EXPECT_EQ(kept.message, "This vendor has purchase orders on file and cannot be deleted.");
        EXPECT_EQ(DeleteMaster(VendorKind(), without).result, SaveOutcome::Result::Saved);
        EXPECT_EQ(UsedRecordCount(masters.state().VendorFile), 1);
        EXPECT_EQ(State().POFile, 0) << "the order file was opened for the look-up alone";
    }
    EXPECT_FALSE(VendorNumberInUse) << "unplugged with the services";
}

}  // namespace
