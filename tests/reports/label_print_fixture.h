#pragma once
// The print queue window over real customer, vendor and product files of a company, with a
// label layout saved and remembered so that the window starts with it, and a recording
// printer.

#include <optional>

#include "engine/engine.h"
#include "masters/master_files.h"
#include "platform/printer.h"
#include "tests/reports/label_window_fixture.h"
#include "tests/support/stored_files.h"

// 2 across, 3 down, 825 x 300 from (50, 125); no return address.
inline LabelLayoutRec SheetLayout() {
    LabelLayoutRec layout;
    layout.set(LabelLayout::Description, "Two by three");
    layout.set(LabelLayout::TopMargin, "125");
    layout.set(LabelLayout::LeftMargin, "50 ");
    layout.set(LabelLayout::ColumnsAcross, "2");
    layout.set(LabelLayout::RowsDown, "3 ");
    layout.set(LabelLayout::LabelWidth, "825 ");
    layout.set(LabelLayout::LabelHeight, "300 ");
    layout.set(LabelLayout::FontName, "Liberation Sans");
    layout.set(LabelLayout::FontSize, 10);
    layout.set(LabelLayout::BitmapPath, " ");
    return layout;
}

class LabelPrintTest : public LabelWindowTest {
protected:
    LabelPrintTest() {
        EngineStart();
        CompanyRec& company = Shell().companies.CurrentCompany;
        EXPECT_TRUE(company.set(Company::CompanyNumber, "3"));
        company.set(Company::Name, "Harbour Supplies");
        company.set(Company::Address[0], "1 Quay Road");
        company.set(Company::Address[1], "Portsmouth");
        EXPECT_TRUE(CreateCustomerFiles() && CreateVendorFiles() && CreateProductFiles());
        printer_.emplace(canvas);
    }
    ~LabelPrintTest() override { EngineStop(); }

    // The window as start-up creates it after the layout was last saved to a file.
    Tlblwiz& CreateWithLayout(const LabelLayoutRec& layout = SheetLayout()) {
        EXPECT_TRUE(WriteLabelLayoutFile(Path("sheet.LBL"), layout));
        EXPECT_TRUE(WriteLastLabelPath(DataFolder(dir.path()), Path("sheet.LBL")));
        return Create();
    }

    // Adds the record through the unit's buffer, with the file set open for it.
    template <class Rec>
    static void Store(const DataFile& file, Rec& buffer, bool (*add)(int32_t&), const Rec& record) {
        ASSERT_TRUE(file.Open());
        AddThrough(buffer, add, record);
        file.Close();
    }

    // A customer or vendor with its billing lines (and shipping lines when given).
    template <class Fields, class Rec>
    static Rec Party(const std::string& number, const std::string& name,
                     std::array<std::string, 4> billing, std::array<std::string, 4> shipping = {}) {
        Rec party;
        EXPECT_TRUE(party.set(Fields::Number, number));
        party.set(Fields::Name, name);
        for (int k = 0; k < 4; ++k) {
            party.set(Fields::Address[k], billing[k]);
            party.set(Fields::Address2[k], shipping[k]);
        }
        return party;
    }

    void StoreCustomer(const std::string& number, const std::string& name,
                       std::array<std::string, 4> billing,
                       std::array<std::string, 4> shipping = {}) {
        Store(CustomerData(), Masters().CustomerBuf, AddCustomerRecord,
              Party<Customer, CustomerRec>(number, name, billing, shipping));
    }
    void StoreVendor(const std::string& number, const std::string& name,
                     std::array<std::string, 4> billing) {
        Store(VendorData(), Masters().VendorBuf, AddVendorRecord,
              Party<Vendor, VendorRec>(number, name, billing));
    }
    void StoreProduct(const std::string& code, const std::string& description,
                      const std::string& price, const std::string& location) {
        ProductRec product;
        EXPECT_TRUE(product.set(Product::Code, code));
        product.set(Product::Description, description);
        EXPECT_TRUE(product.set(Product::SalesPrice, price));
        product.set(Product::Location, location);
        Store(ProductData(), Masters().ProductBuf, AddProductRecord, product);
    }

    // Sends jobs to the program's own printer instead of the recording one.
    void UseRealPrinter() { printer_.reset(); }

    MastersStateScope masters;
    RecordingCanvas canvas;

private:
    std::optional<PrinterOverride> printer_;
};
