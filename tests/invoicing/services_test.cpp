// What the invoice files lend the master files: a customer that invoices refer to is kept.
#include "invoicing/invoicing_services.h"
#include "masters/master_edit.h"
#include "masters/master_files.h"
#include "tests/invoicing/invoicing_env.h"

namespace {

class InvoicingServicesTest : public InvoicingEnv {
protected:
    ~InvoicingServicesTest() override { CustomerData().Close(); }

    int32_t AddCustomer(const std::string& number) {
        CustomerRec& r = masters.state().CustomerBuf;
        r.clear();
        EXPECT_TRUE(r.set(Customer::Number, number));
        r.set(Customer::Name, "Customer " + number);
        int32_t ref = 0;
        EXPECT_TRUE(AddCustomerRecord(ref)) << EngineErrorCode;
        return ref;
    }

    MastersStateScope masters;
};

TEST_F(InvoicingServicesTest, ACustomerWithInvoicesCannotBeDeleted) {
    ASSERT_TRUE(CreateCustomerFiles());
    ASSERT_TRUE(OpenCustomerFiles());
    const int32_t withInvoice = AddCustomer("C1");
    const int32_t without = AddCustomer("C2");
    ASSERT_TRUE(CreateInvoiceFile());
    ASSERT_TRUE(OpenInvoiceFiles());
    InvoiceRec& inv = State().InvoiceBuf;
    ASSERT_TRUE(inv.set(Invoice::InvNumber, "100"));
    ASSERT_TRUE(inv.set(Invoice::InvCustomerNumber, "c1"));
    int32_t ref = 0;
    ASSERT_TRUE(AddInvoiceRecord(ref));
    CloseInvoiceFiles();

    {
        const InvoicingServices services;
        const SaveOutcome kept = DeleteMaster(CustomerKind(), withInvoice);
        EXPECT_EQ(kept.result, SaveOutcome::Result::Refused);
        EXPECT_EQ(kept.message, "This customer has invoices on file and cannot be deleted.");
        EXPECT_EQ(DeleteMaster(CustomerKind(), without).result, SaveOutcome::Result::Saved);
        EXPECT_EQ(UsedRecordCount(masters.state().CustomerFile), 1);
        EXPECT_EQ(State().InvoiceFile, 0) << "the invoice file was opened for the look-up alone";
    }
    EXPECT_FALSE(CustomerNumberInUse) << "unplugged with the services";
}

}  // namespace
