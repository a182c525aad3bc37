// The invoice header file on real file sets: add with its key order and undo, update with
// its checks and change-back, delete from the stored record, open, rebuild.
#include <QLabel>
#include <filesystem>

#include "engine/record_fields.h"
#include "platform/status_window.h"
#include "tests/invoicing/invoicing_env.h"

namespace {

const char* const NewCompanyText =
    "I am going to create a new, empty invoice file for this company.";

InvoiceRec Inv(const std::string& number, const std::string& customer, const std::string& ymd,
               const std::string& keyCode = "None", const std::string& type = "I",
               const std::string& datePaid = "") {
    InvoiceRec r;
    EXPECT_TRUE(r.set(Invoice::InvNumber, number));
    EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, customer));
    EXPECT_TRUE(r.set(Invoice::InvCompanyNumber, "7"));
    r.set(Invoice::InvDateYMD, ymd);
    r.set(Invoice::InvKeyCode, keyCode);
    r.set(Invoice::InvType, type);
    r.set(Invoice::InvDatePaid, datePaid);
    EXPECT_TRUE(r.set(Invoice::InvTotal, "10.00"));
    return r;
}

class InvoiceFileTest : public InvoicingEnv {
protected:
    // An empty, open invoice file as the "New Company" box leaves it.
    void OpenNew() {
        host->Answer(MsgResult::Ok, NewCompanyText, "New Company");
        ASSERT_TRUE(OpenInvoiceFiles()) << EngineErrorCode;
    }
    // An invoice file made with other index descriptors (an older or damaged set), opened.
    void OpenWith(std::vector<KeyDesc> keys) {
        ASSERT_TRUE(CreateFiles(SetName("I"), FileDesc{InvoiceRec::Size, std::move(keys), {}}));
        ASSERT_TRUE(OpenInvoiceFiles()) << EngineErrorCode;
    }
    int32_t Add(const InvoiceRec& r) { return AddThrough(State().InvoiceBuf, AddInvoiceRecord, r); }
    InvoiceRec Stored(int32_t ref) { return StoredIn<InvoiceRec>(State().InvoiceFile, ref); }
    Entries Index(int keyNr) { return InvoicingEnv::Index(State().InvoiceFile, keyNr); }
    // Every index holds exactly the keys of the records given, by Ref; the open-item index
    // those of the records with an amount due.
    void ExpectKeysOf(const std::vector<std::pair<InvoiceRec, int32_t>>& records) {
        for (int nr = 1; nr <= InvoiceOpenItemKey; ++nr) {
            Entries expected;
            for (const auto& [r, ref] : records)
                if (const std::string key = BuildInvoiceKey(r, nr); !key.empty())
                    expected.emplace_back(key, ref);
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(Index(nr), expected) << "key " << nr;
        }
    }
};

TEST_F(InvoiceFileTest, OpeningANewCompanyAsksOnceAndLeavesAnEmptyOpenFile) {
    OpenNew();
    EXPECT_NE(State().InvoiceFile, 0);
    EXPECT_EQ(UsedRecordCount(State().InvoiceFile), 0);
    EXPECT_EQ(KeyCount(State().InvoiceFile), 7);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "7I.DAT"));
    CloseInvoiceFiles();
    // Now it exists: no question.
    ASSERT_TRUE(OpenInvoiceFiles());
    EXPECT_EQ(host->Messages().size(), 1);
}

TEST_F(InvoiceFileTest, AddStoresTheRecordAndItsSixKeys) {
    OpenNew();
    const InvoiceRec r = Inv("a100", "c1", "2024/03/05", "Deposit", "D", "2024/03/06");
    const int32_t ref = Add(r);
    EXPECT_EQ(Stored(ref), r);
    ExpectKeysOf({{r, ref}});
    EXPECT_EQ(Index(5), (Entries{{"DA100     ", ref}}));
}

TEST_F(InvoiceFileTest, DuplicateNumbersAreAllStoredInRecordOrder) {
    OpenNew();
    const int32_t a = Add(Inv("100", "C1", "2024/01/01"));
    const int32_t b = Add(Inv("100", "C1", "2024/01/09", "Partial", "X"));
    const int32_t c = Add(Inv("099", "C2", "2024/01/02"));
    EXPECT_EQ(Index(1), (Entries{{"099      ", c}, {"100      ", a}, {"100      ", b}}));

    // A freed slot is reused: the newer record comes first, by its record number.
    ASSERT_TRUE(DeleteInvoiceRecord(a));
    const int32_t d = Add(Inv("100", "C3", "2024/02/01"));
    EXPECT_EQ(d, a);
    EXPECT_EQ(Index(1), (Entries{{"099      ", c}, {"100      ", d}, {"100      ", b}}));

    int32_t ref = 0;
    ASSERT_TRUE(SearchInvoiceKey("100", ref));
    EXPECT_EQ(ref, d);
}

TEST_F(InvoiceFileTest, KeyFourIsEightCharactersAndBlankDatesPaidSortTogether) {
    OpenNew();
    const int32_t a = Add(Inv("1", "C1", "2024/01/01", "None", "I", "2024/02/01"));
    const int32_t b = Add(Inv("2", "C1", "2024/01/01", "abc", "I", ""));
    const int32_t c = Add(Inv("3", "C1", "2024/01/01", "None", "I", "2023/12/31"));
    const int32_t d = Add(Inv("4", "C1", "2024/01/01", "None", "I", " "));
    for (const auto& [key, ref] : Index(4)) EXPECT_EQ(key.size(), 8u) << key;
    EXPECT_EQ(Index(4).front(), (std::pair<std::string, int32_t>{"ABC     ", b}));

    const std::string blank(10, ' ');
    EXPECT_EQ(Index(6), (Entries{{blank, b}, {blank, d}, {"2023/12/31", c}, {"2024/02/01", a}}));
}

TEST_F(InvoiceFileTest, AFailedKeyAddLeavesNeitherRecordNorKeys) {
    // Key 5, the last one added, refuses a second "I" + number in this file.
    OpenWith({{9, true}, {8, true}, {10, true}, {10, true}, {10, false}, {10, true}, {8, true, true}});
    const InvoiceRec first = Inv("100", "C1", "2024/01/01");
    const int32_t a = Add(first);

    State().InvoiceBuf = Inv("100", "C2", "2024/05/05", "Other", "I", "2024/05/06");
    int32_t ref = 0;
    EXPECT_FALSE(AddInvoiceRecord(ref));
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(ref, 0);
    EXPECT_EQ(UsedRecordCount(State().InvoiceFile), 1);
    ExpectKeysOf({{first, a}});
}

TEST_F(InvoiceFileTest, UpdateWithAnUnchangedBufferWritesNothing) {
    OpenNew();
    const int32_t ref = Add(Inv("100", "C1", "2024/01/01"));
    const InvoiceRec read = State().InvoiceBuf;
    // Written meanwhile by someone else: an unchanged buffer must not put the old copy back.
    InvoiceRec theirs = read;
    theirs.set(Invoice::InvNotes, "theirs");
    PutRecord(State().InvoiceFile, ref, theirs.bytes());
    EXPECT_TRUE(UpdateInvoiceRecord(ref, read));
    EXPECT_EQ(Stored(ref), theirs);
}

TEST_F(InvoiceFileTest, UpdateReplacesEveryChangedKey) {
    OpenNew();
    const InvoiceRec other = Inv("200", "C9", "2024/01/01");
    const int32_t o = Add(other);
    const int32_t ref = Add(Inv("100", "C1", "2024/01/01"));
    const InvoiceRec read = State().InvoiceBuf;
    const InvoiceRec edited = Inv("101", "C2", "2024/02/02", "Net30", "Z", "2024/03/03");
    State().InvoiceBuf = edited;
    ASSERT_TRUE(UpdateInvoiceRecord(ref, read)) << EngineErrorCode;
    EXPECT_EQ(Stored(ref), edited);
    ExpectKeysOf({{other, o}, {edited, ref}});
}

TEST_F(InvoiceFileTest, UpdateRefusesARecordChangedInTheMeantimeAndKeepsTheEdits) {
    OpenNew();
    const int32_t ref = Add(Inv("100", "C1", "2024/01/01"));
    const InvoiceRec read = State().InvoiceBuf;
    InvoiceRec theirs = read;
    ASSERT_TRUE(theirs.set(Invoice::InvPaid, "5.00"));
    PutRecord(State().InvoiceFile, ref, theirs.bytes());

    const InvoiceRec mine = Inv("101", "C2", "2024/02/02");
    State().InvoiceBuf = mine;
    host->Answer(MsgResult::Ok, "The record has changed in the meantime.");
    EXPECT_FALSE(UpdateInvoiceRecord(ref, read));
    EXPECT_EQ(Stored(ref), theirs);
    ExpectKeysOf({{theirs, ref}});
    EXPECT_EQ(State().InvoiceBuf, mine) << "the stored record is read into a work record";
}

TEST_F(InvoiceFileTest, UpdateRefusedAtKeyTwoPutsBackEveryKeyReplaced) {
    // Key 2, replaced last, refuses a customer number another record has in this file.
    OpenWith({{9, true}, {8, false}, {10, true}, {10, true}, {10, true}, {10, true}, {8, true, true}});
    const InvoiceRec a = Inv("100", "C1", "2024/01/01");
    const InvoiceRec b = Inv("200", "C2", "2024/01/02");
    const int32_t ra = Add(a);
    const int32_t rb = Add(b);
    State().InvoiceBuf = Inv("201", "C1", "2024/09/09", "Moved", "Z", "2024/09/10");
    EXPECT_FALSE(UpdateInvoiceRecord(rb, b));
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(Stored(rb), b);
    ExpectKeysOf({{a, ra}, {b, rb}});
}

TEST_F(InvoiceFileTest, DeleteTakesTheKeysFromTheStoredRecord) {
    OpenNew();
    const InvoiceRec a = Inv("100", "C1", "2024/01/01");
    const InvoiceRec b = Inv("200", "C2", "2024/01/02", "None", "I", "2024/01/03");
    const int32_t ra = Add(a);
    const int32_t rb = Add(b);
    State().InvoiceBuf = b;  // not the record deleted
    ASSERT_TRUE(DeleteInvoiceRecord(ra));
    EXPECT_EQ(UsedRecordCount(State().InvoiceFile), 1);
    ExpectKeysOf({{b, rb}});

    // The slot is free: deleting it again is refused and touches nothing.
    EXPECT_FALSE(DeleteInvoiceRecord(ra));
    EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);
    ExpectKeysOf({{b, rb}});
}

TEST_F(InvoiceFileTest, DeleteKeepsARecordWhoseKeyCannotBeRemoved) {
    // A set with five indexes: key 6 cannot be removed, so the record must not be freed.
    OpenWith({{9, true}, {8, true}, {10, true}, {10, true}, {10, true}});
    const InvoiceRec r = Inv("100", "C1", "2024/01/01");
    int32_t ref = 0;
    InvoiceRec copy = r;
    AddRecord(State().InvoiceFile, ref, copy.bytes());
    for (int nr = 1; nr <= 5; ++nr) AddKey(State().InvoiceFile, nr, ref, BuildInvoiceKey(r, nr));
    ASSERT_TRUE(EngineOK);

    EXPECT_FALSE(DeleteInvoiceRecord(ref));
    EXPECT_NE(EngineErrorCode, EngineCode::KeyToDeleteMissing);
    EXPECT_EQ(Stored(ref), r);
    for (int nr = 1; nr <= 5; ++nr)
        EXPECT_EQ(Index(nr), (Entries{{BuildInvoiceKey(r, nr), ref}})) << "key " << nr;
}

TEST_F(InvoiceFileTest, RebuildRestoresTheKeysOfEveryRecord) {
    OpenNew();
    std::vector<std::pair<InvoiceRec, int32_t>> records;
    for (int i = 0; i < 120; ++i) {
        const std::string n = std::to_string(1000 + i);
        InvoiceRec r =
            Inv(n, "C" + std::to_string(i % 7), "2024/01/" + std::to_string(10 + i % 20),
                i % 3 ? "None" : "Interest", i % 5 ? "I" : "X", i % 2 ? "" : "2024/02/01");
        if (i % 4 == 0) {
            EXPECT_TRUE(r.set(Invoice::InvDue, "10.00"));
        }
        records.emplace_back(r, Add(r));
    }
    CloseInvoiceFiles();
    std::filesystem::remove(dir.path() / "7I.IX");

    host->Answer(MsgResult::Yes, "Index file is defective.  Rebuild?");
    ASSERT_TRUE(OpenInvoiceFiles()) << EngineErrorCode;
    EXPECT_EQ(StatForm->windowTitle(), "Invoices");
    EXPECT_EQ(StatForm->Label2->text(), "Records read: 100");
    EXPECT_FALSE(StatForm->isVisible());
    ExpectKeysOf(records);
}

TEST_F(InvoiceFileTest, ACustomerHasInvoicesWhenKeyTwoHoldsItsNumber) {
    EXPECT_FALSE(CustomerHasInvoices("C1")) << "no invoice file yet";
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "7I.DAT"));

    OpenNew();
    Add(Inv("100", "C1", "2024/01/01"));
    Add(Inv("101", "C10", "2024/01/01"));
    EXPECT_TRUE(CustomerHasInvoices(" c1 "));
    EXPECT_FALSE(CustomerHasInvoices("C"));  // a search lands on "C1": not the same number
    EXPECT_FALSE(CustomerHasInvoices("C2"));
    EXPECT_NE(State().InvoiceFile, 0) << "an open file stays open";

    // Closed: opened for the look-up alone.
    CloseInvoiceFiles();
    EXPECT_TRUE(CustomerHasInvoices("C10"));
    EXPECT_EQ(State().InvoiceFile, 0);

    // Unreadable: the invoices cannot be shown to be absent.
    std::filesystem::remove(dir.path() / "7I.IX");
    EXPECT_TRUE(CustomerHasInvoices("C2"));
    EXPECT_EQ(State().InvoiceFile, 0);
}

}  // namespace
