#pragma once
// Company 7 on file ("Harbour Lane", next receiver number 100, today 2024-03-15) with empty
// product, order and order-line files, and helpers to put orders and products on file and
// read back what receiving wrote.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "masters/master_files.h"
#include "masters/masters_state.h"
#include "purchasing/po_line_file.h"
#include "purchasing/receiving.h"
#include "shell/company/company_defaults.h"
#include "shell/company/company_file.h"
#include "shell/text.h"
#include "tests/purchasing/purchasing_env.h"

// One ordered line as posting writes it: quantity, description, unit price, tax flag and
// extension in the line text; `received` is its first receipt.
inline POLineRec OrderedLine(const std::string& po, const std::string& code,
                             const std::string& quantity, const std::string& received = "0",
                             const std::string& receiver = " ",
                             const std::string& receiptDate = " ") {
    using namespace POLine;
    POLineRec r;
    EXPECT_TRUE(r.set(LinePONumber, po));
    r.set(LineProductCode, code);
    r.set(LineKind, KindOrdered);
    r.set(LineStatus, "O");
    EXPECT_TRUE(r.set(LineCompanyNumber, "7"));
    r.set(LinePODateYMD, "2024/03/01");
    r.set(LineText, PadRightWith(quantity, ' ', 10) + PadRightWith("Item " + code, ' ', 32) +
                        PadRightWith("2.50", ' ', 10) + "N" + PadRightWith("25.00", ' ', 10));
    r.set(LineReceived, received == "0" ? "N" : "Y");
    EXPECT_TRUE(r.set(LineReceivedQty, received));
    r.set(LineReceiverNumber, receiver);
    r.set(LineReceiptDate, receiptDate);
    return r;
}

// A later receipt of the product, as receiving adds it.
inline POLineRec ReceiverLine(const std::string& po, const std::string& code,
                              const std::string& received, const std::string& receiver) {
    POLineRec r = OrderedLine(po, code, "0", received, receiver, "2024/03/02");
    r.set(POLine::LineKind, POLine::KindReceiver);
    return r;
}

class ReceivingEnv : public PurchasingEnv {
protected:
    ReceivingEnv() {
        CompanyRec c = NewCompanyRecord();
        c.set(Company::Name, "Harbour Lane");
        EXPECT_TRUE(c.set(Company::CompanyNumber, "7"));
        EXPECT_TRUE(c.set(Company::NextReceiverNumber, "100"));
        CompanyState& companies = shell.context().companies;
        EXPECT_EQ(AddCompany(companies, shell.context().folder, c), CompanyResult::Ok);
        companies.CurrentCompany = companies.CompanyBuf;
        shell.context().clock.setToday(Date{2024, 3, 15});
        EXPECT_TRUE(CreateProductFiles());
        EXPECT_TRUE(CreatePOFiles());
        EXPECT_TRUE(CreatePOLineFiles());
    }

    void AddProduct(const std::string& code, const std::string& onHand, bool nonStock = false) {
        ProductRec r;
        EXPECT_TRUE(r.set(Product::Code, code));
        r.set(Product::Description, "Item " + code);
        EXPECT_TRUE(r.set(Product::StockOnHand, onHand));
        r.set(Product::NonStock, nonStock);
        const StepFile open(ProductData());
        AddThrough(masters.state().ProductBuf, AddProductRecord, r);
    }
    int32_t AddHeader(const std::string& po, const std::string& received = " ") {
        const StepFile open(POData());
        return AddOrder(Order(po, "V1", "2024/03/01", "None", received));
    }
    int32_t AddLine(const POLineRec& line) {
        const StepFile open(POLineData());
        return AddThrough(State().POLineBuf, AddPOLineRecord, line);
    }

    // Every line on file, in record order.
    std::vector<std::pair<int32_t, POLineRec>> Lines() {
        const StepFile open(POLineData());
        std::vector<std::pair<int32_t, POLineRec>> lines;
        for (const auto& [key, ref] : IndexEntries(State().POLineFile, POLineNumberKey))
            lines.emplace_back(ref, StoredIn<POLineRec>(State().POLineFile, ref));
        std::sort(lines.begin(), lines.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        return lines;
    }
    // A record and an index of a file that need not be open.
    template <class Rec>
    static Rec StoredAt(const DataFile& file, int32_t ref) {
        const StepFile open(file);
        return StoredIn<Rec>(file.handle(), ref);
    }
    static Entries IndexOf(const DataFile& file, int keyNr) {
        const StepFile open(file);
        return IndexEntries(file.handle(), keyNr);
    }
    POLineRec LineAt(int32_t ref) { return StoredAt<POLineRec>(POLineData(), ref); }
    PORec HeaderAt(int32_t ref) { return StoredAt<PORec>(POData(), ref); }
    std::string StockOf(const std::string& code) {
        const StepFile open(ProductData());
        ProductRec probe;
        EXPECT_TRUE(probe.set(Product::Code, code));
        ProductRec found;
        EXPECT_NE(ProductData().Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey),
                                     found.bytes()),
                  0)
            << code;
        return found.get(Product::StockOnHand);
    }
    std::string NextReceiverOnFile() {
        return FindCompany(shell.context().folder, "7")
            .value_or(CompanyRec{})
            .get(Company::NextReceiverNumber);
    }

    MastersStateScope masters;
};
