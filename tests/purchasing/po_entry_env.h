#pragma once
// Company 7 with vendor V1 and products W1 (stocked), SVC (non-stock) and LIB (non-depleting),
// open order files, the entry dialog and a manager that records what it is told; orders
// typed as the entry dialog hands them over.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "purchasing/add_po.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "tests/invoicing/entry_env.h"

namespace PO = PurchaseOrder;

struct RecordingPOView : POManagerView {
    TFvcBrowser* list = nullptr;
    std::map<int, QString> status;
    QString caption;
    int printed = 0;

    TFvcBrowser* browser() override { return list; }
    void SetStatusText(int panel, const QString& text) override { status[panel] = text; }
    void SetCompanyCaption(const QString& text) override { caption = text; }
    void PrintPO() override { ++printed; }
};

inline EntryRow Ordered(const std::string& code, const std::string& quantity,
                        const std::string& desc, const std::string& price,
                        const std::string& extension) {
    return {code, quantity, desc, price, "N", extension, "0"};
}

class POEntryEnv : public EntryEnv {
protected:
    POEntryEnv() {
        ChangeCompany([](CompanyRec& c) {
            EXPECT_TRUE(c.set(Company::NextPONumber, "500"));
            c.set(Company::POSignature[0], "Buyer: J. Marsh");
            c.set(Company::POShipTo[0], "Harbour Lane 4");
        });
        EXPECT_TRUE(CreateVendorFiles());
        EXPECT_TRUE(CreatePOFiles());
        EXPECT_TRUE(CreatePOLineFiles());
        EXPECT_TRUE(CreatePOMemoFiles());
        EXPECT_TRUE(OpenPOFiles());
        EXPECT_TRUE(OpenPOLineFiles());
        EXPECT_TRUE(OpenPOMemoFiles());
        VendorRec v;
        EXPECT_TRUE(v.set(Vendor::Number, "V1"));
        v.set(Vendor::Name, "Anvil Supply");
        v.set(Vendor::ShortName, "Anvil");
        v.set(Vendor::MailSort, "ANVIL");
        v.set(Vendor::Type, "Metal");
        v.set(Vendor::TaxExempt, "N");
        Add(VendorData(), masters.state().VendorBuf, v);
        masters.state().VendorBuf.clear();
        AddProduct({.code = "W1", .description = "Widget", .onHand = "3", .cost = "2.00"});
        AddProduct({.code = "SVC", .description = "Service", .onHand = "5", .nonStock = true});
        AddProduct({.code = "LIB", .description = "Library", .onHand = "2", .nonDepleting = true});
    }
    ~POEntryEnv() override {
        ClosePODatabases();
        AddVendorToPrintQueue = nullptr;
    }

    // Order 500 of vendor V1 dated 03/15/2024 with the rows given.
    static POEntry Order(std::vector<EntryRow> rows, const std::string& total) {
        POEntry e;
        e.number = "500";
        e.date = "03/15/2024";
        e.dateRequired = "04/01/2024";
        e.receivedDate = "03/20/2024";
        e.vendorNumber = "V1";
        e.vendorShortName = "Anvil";
        e.keyCode = "None";
        e.net = total;
        e.tax = "0.00";
        e.total = total;
        e.rows = std::move(rows);
        e.rows.resize(EntryGridRows, EntryRow{"", "1", "", "0.00", "N", "0.00", "0"});
        return e;
    }
    static POEntry MemoOrder(const std::string& product, const std::string& net) {
        POEntry e = Order({Ordered("W1", "9", "left in the hidden grid", "1.00", "9.00")}, net);
        e.memo = true;
        e.stockCode = product;
        e.memoQuantity = "4";
        e.memoDescription = "Assorted fittings";
        e.memoLines = {"Please deliver", "before noon"};
        return e;
    }

    POPosting Planned(const POEntry& e) {
        POPostingPlan plan = PlanPOPosting(e);
        EXPECT_TRUE(plan.posting) << plan.refusal.toStdString();
        return plan.posting.value_or(POPosting{});
    }
    void Post(const POEntry& e) { WritePOPosting(Planned(e), view); }
    std::string ErrorOfWriting(const POPosting& posting) {
        try {
            WritePOPosting(posting, view);
        } catch (const AppError& e) {
            return e.Text().toStdString();
        }
        return {};
    }
    QString Refusal(const POEntry& e) { return PlanPOPosting(e).refusal; }

    std::vector<PORec> Headers() { return All<PORec>(POData()); }
    std::vector<POLineRec> POLines() { return All<POLineRec>(POLineData()); }
    std::vector<POMemoRec> POMemos() { return All<POMemoRec>(POMemoData()); }
    std::vector<std::size_t> Counts() {
        return {Headers().size(), POLines().size(), POMemos().size()};
    }

    PurchasingStateScope purchasing;
    POEditScope poEdit;
    RecordingPOView view;
};
