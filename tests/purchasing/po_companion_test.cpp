// The line and memo files beside the order header, and opening the three together.
#include <QLabel>
#include <filesystem>

#include "platform/scripted_host.h"
#include "platform/status_window.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "tests/purchasing/purchasing_env.h"

namespace {

POLineRec Line(const std::string& number, const std::string& code, const char* kind,
               const std::string& receiptDate = " ", const std::string& receiver = " ") {
    using namespace POLine;
    POLineRec r;
    EXPECT_TRUE(r.set(LinePONumber, number));
    r.set(LineProductCode, code);
    r.set(LineKind, kind);
    r.set(LineStatus, "O");
    r.set(LinePODateYMD, "2024/03/05");
    r.set(LineReceived, receiptDate == " " ? "N" : "Y");
    r.set(LineReceiptDate, receiptDate);
    r.set(LineReceiverNumber, receiver);
    EXPECT_TRUE(r.set(LineReceivedQty, "0"));
    r.set(LineText, std::string(kind) == KindReceiver ? "0" : "5         Widget");
    return r;
}

class POLineFileTest : public PurchasingEnv {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenPOLineFiles()) << EngineErrorCode;
        EXPECT_TRUE(host->Messages().isEmpty()) << "a missing line file is created silently";
    }
    int32_t Add(const POLineRec& r) { return AddThrough(State().POLineBuf, AddPOLineRecord, r); }
    POLineRec Stored(int32_t ref) { return StoredIn<POLineRec>(State().POLineFile, ref); }
    Entries Index(int keyNr) { return IndexEntries(State().POLineFile, keyNr); }
    // The lines of an order as posting and receiving walk them: key 2 from the number's key
    // while the key found is that number.
    std::vector<int32_t> LinesOf(const std::string& number) {
        const std::string wanted = BuildPOLineKey(Line(number, "", POLine::KindOrdered), 2);
        std::string found = wanted;
        std::vector<int32_t> refs;
        int32_t ref = 0;
        if (!SearchPOLineKey(found, ref, POLineNumberKey)) return refs;
        while (EngineOK && found == wanted) {
            refs.push_back(ref);
            NextKey(State().POLineFile, POLineNumberKey, ref, found);
        }
        return refs;
    }
};

TEST_F(POLineFileTest, AnOrdersLinesAreFoundByItsNumber) {
    const int32_t a = Add(Line("p12", "A", POLine::KindOrdered));
    const int32_t b = Add(Line("P13", "B", POLine::KindOrdered));
    const int32_t c = Add(Line("P12", "A", POLine::KindReceiver, "2024/04/01", "R1"));
    EXPECT_EQ(LinesOf("P12"), (std::vector<int32_t>{a, c}));
    EXPECT_EQ(LinesOf("p13"), (std::vector<int32_t>{b}));
    EXPECT_TRUE(LinesOf("P1").empty());
    for (int nr = 1; nr <= 5; ++nr) EXPECT_EQ(Index(nr).size(), 3u) << "key " << nr;
    // Lines without a receipt sort first on the receipt date.
    const std::string blank(10, ' ');
    EXPECT_EQ(Index(POLineReceiptDateKey), (Entries{{blank, a}, {blank, b}, {"2024/04/01", c}}));
}

TEST_F(POLineFileTest, TheOrderedLineOfAProductIsNeverAReceiverLineOrAnotherOrders) {
    using namespace POLine;
    // Receiver lines of AB-1 on order 500, and order "500A" with product "B-1", whose joined
    // key is the same text as that of AB-1's ordered line on 500.
    Add(Line("500", "AB-1", KindReceiver, "2024/04/01", "R1"));
    const int32_t lookalike = Add(Line("500A", "B-1", KindOrdered));
    Add(Line("500", "AB-1", KindReceiver, "2024/04/02", "R2"));
    ASSERT_EQ(BuildPOLineKey(Line("500A", "B-1", KindOrdered), POLineProductKey),
              BuildPOLineKey(Line("500", "AB-1", KindOrdered), POLineProductKey));

    POLineRec found;
    EXPECT_EQ(FindOrderedPOLine("500", "AB-1", found), 0) << "only receiver lines so far";
    EXPECT_EQ(found, POLineRec()) << "a miss hands on nothing";

    const int32_t ordered = Add(Line("500", "AB-1", KindOrdered));
    EXPECT_EQ(FindOrderedPOLine(" 500 ", "ab-1", found), ordered);
    EXPECT_EQ(found.get(LineKind), "P");
    EXPECT_EQ(FindOrderedPOLine("500a", "b-1", found), lookalike);
    EXPECT_EQ(FindOrderedPOLine("500", "AB-2", found), 0);
    EXPECT_EQ(FindOrderedPOLine("1234567890", "AB-1", found), 0);
    EXPECT_EQ(FindOrderedPOLine("500", "ABCDEFGHIJK", found), 0);
}

TEST_F(POLineFileTest, UpdateRewritesTheLineWithoutComparingAndReplacesItsKeys) {
    const int32_t a = Add(Line("P12", "A", POLine::KindOrdered));
    const int32_t b = Add(Line("P12", "B", POLine::KindOrdered));
    // The first receipt is written into the ordered line.
    const POLineRec received = Line("P12", "A", POLine::KindOrdered, "2024/04/01", "R1");
    State().POLineBuf = received;
    ASSERT_TRUE(UpdatePOLineRecord(a)) << EngineErrorCode;
    EXPECT_EQ(Stored(a), received);
    EXPECT_EQ(Index(POLineReceiverKey), (Entries{{std::string(9, ' '), b}, {"R1       ", a}}));
    EXPECT_TRUE(host->Messages().isEmpty());

    // A line that is gone: nothing is written and the caller hears of it.
    ASSERT_TRUE(DeletePOLineRecord(a));
    EXPECT_FALSE(UpdatePOLineRecord(a));
    EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);
    EXPECT_EQ(UsedRecordCount(State().POLineFile), 1);
    EXPECT_EQ(Index(POLineReceiverKey), (Entries{{std::string(9, ' '), b}}));
}

TEST_F(POLineFileTest, RebuildRunsUnderItsOwnCaption) {
    const int32_t ref = Add(Line("P12", "A", POLine::KindOrdered));
    ClosePOLineFiles();
    ASSERT_TRUE(RebuildPOLineFiles()) << EngineErrorCode;
    EXPECT_EQ(StatForm->windowTitle(), "PO Detail");
    ASSERT_TRUE(OpenPOLineFiles());
    EXPECT_EQ(Index(POLineProductKey), (Entries{{"P12AP               ", ref}}));
}

POMemoRec Memo(const std::string& number, const std::string& firstLine) {
    POMemoRec r;
    EXPECT_TRUE(r.set(POMemo::MemoPONumber, number));
    SetPOMemoLines(r, std::vector<std::string>{firstLine, "second line"});
    return r;
}

class POMemoFileTest : public PurchasingEnv {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenPOMemoFiles()) << EngineErrorCode;
        EXPECT_TRUE(host->Messages().isEmpty()) << "a missing memo file is created silently";
        EXPECT_TRUE(std::filesystem::exists(dir.path() / "7PM.DAT"));
    }
    int32_t Add(const POMemoRec& r) { return AddThrough(State().POMemoBuf, AddPOMemoRecord, r); }
    POMemoRec Stored(int32_t ref) { return StoredIn<POMemoRec>(State().POMemoFile, ref); }
    Entries Index() { return IndexEntries(State().POMemoFile, POMemoNumberKey); }
};

TEST_F(POMemoFileTest, ASecondMemoForANumberIsRefusedAndLeavesNothing) {
    const int32_t ref = Add(Memo("m1", "first"));
    State().POMemoBuf = Memo(" M1 ", "again");
    int32_t second = 0;
    EXPECT_FALSE(AddPOMemoRecord(second));
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(UsedRecordCount(State().POMemoFile), 1);
    EXPECT_EQ(Index(), (Entries{{"M1       ", ref}}));
    EXPECT_EQ(POMemoLines(Stored(ref))[0], "first");
    EXPECT_EQ(Add(Memo("m2", "other")), ref + 1) << "the refused record's slot is free again";
}

TEST_F(POMemoFileTest, UpdateMovesTheKeyAndReportsWhatItCouldNotWrite) {
    const int32_t ref = Add(Memo("m1", "first"));
    State().POMemoBuf = Memo("m9", "changed");
    ASSERT_TRUE(UpdatePOMemoRecord(ref)) << EngineErrorCode;
    EXPECT_EQ(POMemoLines(Stored(ref))[0], "changed");
    EXPECT_EQ(Index(), (Entries{{"M9       ", ref}}));

    // Onto a number another memo has: refused, nothing written.
    const int32_t other = Add(Memo("m2", "other"));
    State().POMemoBuf = Memo("m2", "clash");
    EXPECT_FALSE(UpdatePOMemoRecord(ref));
    EXPECT_EQ(POMemoLines(Stored(ref))[0], "changed");
    EXPECT_EQ(Index(), (Entries{{"M2       ", other}, {"M9       ", ref}}));

    // A memo that is gone.
    ASSERT_TRUE(DeletePOMemoRecord(ref));
    State().POMemoBuf = Memo("m9", "late edit");
    EXPECT_FALSE(UpdatePOMemoRecord(ref));
    EXPECT_FALSE(UpdatePOMemoRecord(99));
    EXPECT_EQ(Index(), (Entries{{"M2       ", other}}));
}

TEST_F(POMemoFileTest, TheMemoOfAPurgedOrderIsFoundAndRemovedByItsNumber) {
    const int32_t a = Add(Memo("m1", "first"));
    const int32_t b = Add(Memo("m2", "second"));
    std::string key = BuildPOMemoKey(Memo("M2", ""), POMemoNumberKey);
    int32_t ref = 0;
    ASSERT_TRUE(SearchPOMemoKey(key, ref));
    EXPECT_EQ(ref, b);
    State().POMemoBuf = Memo("m1", "whatever the buffer holds");
    ASSERT_TRUE(DeletePOMemoRecord(ref));
    EXPECT_EQ(Index(), (Entries{{"M1       ", a}}));

    ClosePOMemoFiles();
    ASSERT_TRUE(RebuildPOMemoFiles()) << EngineErrorCode;
    EXPECT_EQ(StatForm->windowTitle(), "PO Memo Records");
}

TEST_F(PurchasingEnv, OpeningTheThreeFilesAsksOnlyForTheHeader) {
    host->Answer(MsgResult::Ok, NewPOFileText, "New Company");
    ASSERT_TRUE(OpenPODatabases()) << EngineErrorCode;
    EXPECT_NE(State().POFile, 0);
    EXPECT_NE(State().POLineFile, 0);
    EXPECT_NE(State().POMemoFile, 0);
    EXPECT_EQ(host->Messages().size(), 1);
    for (const char* name : {"7O.DAT", "7PD.DAT", "7PM.DAT"})
        EXPECT_TRUE(std::filesystem::exists(dir.path() / name)) << name;
    ClosePODatabases();
    EXPECT_EQ(State().POFile, 0);
    EXPECT_EQ(State().POLineFile, 0);
    EXPECT_EQ(State().POMemoFile, 0);
}

TEST_F(PurchasingEnv, OpeningTheThreeFilesStopsAtTheFirstThatFails) {
    ASSERT_TRUE(CreatePOFiles());
    std::filesystem::remove(dir.path() / "7O.IX");
    host->Answer(MsgResult::No, "Index file is defective.  Rebuild?");
    EXPECT_FALSE(OpenPODatabases());
    EXPECT_EQ(State().POFile, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "7PD.DAT"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "7PM.DAT"));
}

TEST_F(PurchasingEnv, WithoutTheEngineTheDialogExplainsFirst) {
    EngineStop();
    // Closed any way but OK: nothing opens, nothing is said.
    host->OnModal("NetTypeDlg", [](Form& f) { f.close(); });
    EXPECT_FALSE(OpenPODatabases());
    EXPECT_EQ(State().POFile, 0);
    EXPECT_TRUE(host->Messages().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "7O.DAT"));

    // OK: the opening goes on.
    host->OnModal("NetTypeDlg", [](Form& f) { PressButton(f, "OKBtn"); });
    host->Answer(MsgResult::Ok, NewPOFileText, "New Company");
    EXPECT_TRUE(OpenPODatabases());
    EXPECT_NE(State().POMemoFile, 0);
}

TEST_F(PurchasingEnv, EachFileKeepsItsOwnLockFlag) {
    const auto lockFailed = [] {
        EngineOK = false;
        EngineErrorCode = EngineCode::FileInUse;
    };
    lockFailed();
    host->Answer(MsgResult::Yes, "Cannot get a lock.  Abort?");
    EXPECT_TRUE(IsPOLockError());
    EXPECT_TRUE(AskPOLockAbort());
    lockFailed();
    host->Answer(MsgResult::No, "Cannot get a lock.  Abort?");
    EXPECT_FALSE(AskPOLineLockAbort());
    EXPECT_EQ(State().POLockErrorFlag, 1);
    EXPECT_EQ(State().POLineLockErrorFlag, 1);
    EXPECT_EQ(State().POMemoLockErrorFlag, 0);

    // Not a lock: no question, and the flag goes down.
    EngineErrorCode = EngineCode::KeyNotFound;
    EXPECT_FALSE(IsPOMemoLockError());
    EXPECT_FALSE(AskPOLockAbort());
    EXPECT_EQ(State().POLockErrorFlag, 0);
}

}  // namespace
