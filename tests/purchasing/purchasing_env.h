#pragma once
// Company 7 in a fresh data folder (see CompanyEnv) with fresh purchasing state, and records
// to put into the purchase-order files.

#include <string>

#include "purchasing/po_files.h"
#include "purchasing/purchasing_state.h"
#include "tests/masters/company_env.h"
#include "tests/support/stored_files.h"

inline constexpr const char* NewPOFileText =
    "I am going to create a new, empty Purchase Order file for this company.";

// A header as posting writes it: status "O", not received.
inline PORec Order(const std::string& number, const std::string& vendor, const std::string& ymd,
                   const std::string& keyCode = "None", const std::string& received = " ",
                   const std::string& required = "2024/12/31") {
    using namespace PurchaseOrder;
    PORec r;
    EXPECT_TRUE(r.set(PONumber, number));
    EXPECT_TRUE(r.set(POVendorNumber, vendor));
    EXPECT_TRUE(r.set(POCompanyNumber, "7"));
    r.set(POStatus, StatusOpen);
    r.set(PODateYMD, ymd);
    r.set(POKeyCode, keyCode);
    r.set(POReceivedDate, received);
    r.set(PODateRequired, required);
    r.set(POType, TypeLineItems);
    r.set(POMarkedReceived, "N");
    EXPECT_TRUE(r.set(POTotal, "10.00"));
    return r;
}

class PurchasingEnv : public CompanyEnv {
protected:
    ~PurchasingEnv() override { ClosePODatabases(); }

    PurchasingState& State() { return purchasing.state(); }

    // An empty, open order file as the "New Company" box leaves it.
    void OpenNewPOFile() {
        host->Answer(MsgResult::Ok, NewPOFileText, "New Company");
        ASSERT_TRUE(OpenPOFiles()) << EngineErrorCode;
    }
    int32_t AddOrder(const PORec& r) { return AddThrough(State().POBuf, AddPORecord, r); }

    PurchasingStateScope purchasing;
};
