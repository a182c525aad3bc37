// The memo and line files beside the invoice header, and opening the three together.
#include <QLabel>
#include <filesystem>

#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "platform/status_window.h"
#include "tests/invoicing/invoicing_env.h"

namespace {

InvoiceMemoRec Memo(const std::string& number, const std::string& firstLine) {
    InvoiceMemoRec r;
    EXPECT_TRUE(r.set(InvoiceMemo::MemoInvNumber, number));
    const std::vector<std::string> lines{firstLine, "second line"};
    SetInvoiceMemoLines(r, lines);
    return r;
}

InvoiceLineRec Line(const std::string& number, const std::string& ymd, const std::string& text) {
    InvoiceLineRec r;
    EXPECT_TRUE(r.set(InvoiceLine::LineInvNumber, number));
    r.set(InvoiceLine::LineSortDate, ymd);
    r.set(InvoiceLine::LineText, text);
    r.set(InvoiceLine::LineKind, "P");
    r.set(InvoiceLine::LineStatus, "I");
    return r;
}

class MemoFileTest : public InvoicingEnv {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenInvoiceMemoFiles()) << EngineErrorCode;
        EXPECT_TRUE(host->Messages().isEmpty()) << "a missing memo file is created silently";
    }
    int32_t Add(const InvoiceMemoRec& r) {
        return AddThrough(State().InvoiceMemoBuf, AddInvoiceMemoRecord, r);
    }
    InvoiceMemoRec Stored(int32_t ref) {
        return StoredIn<InvoiceMemoRec>(State().InvoiceMemoFile, ref);
    }
    Entries Index() { return InvoicingEnv::Index(State().InvoiceMemoFile, 1); }
};

TEST_F(MemoFileTest, ASecondMemoForANumberIsRefusedAndLeavesNothing) {
    const int32_t ref = Add(Memo("m1", "first"));
    State().InvoiceMemoBuf = Memo(" M1 ", "again");
    int32_t second = 0;
    EXPECT_FALSE(AddInvoiceMemoRecord(second));
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(UsedRecordCount(State().InvoiceMemoFile), 1);
    EXPECT_EQ(Index(), (Entries{{"M1       ", ref}}));
    // The slot the refused record took is free again and is reused.
    EXPECT_EQ(Add(Memo("m2", "other")), ref + 1);
    EXPECT_EQ(UsedRecordCount(State().InvoiceMemoFile), 2);
}

TEST_F(MemoFileTest, UpdateWritesTheBufferAndMovesTheKey) {
    const int32_t ref = Add(Memo("m1", "first"));
    State().InvoiceMemoBuf = Memo("m9", "changed");
    ASSERT_TRUE(UpdateInvoiceMemoRecord(ref)) << EngineErrorCode;
    EXPECT_EQ(InvoiceMemoLines(Stored(ref))[0], "changed");
    EXPECT_EQ(Index(), (Entries{{"M9       ", ref}}));

    // Onto a number another memo has: refused, nothing written.
    const int32_t other = Add(Memo("m2", "other"));
    State().InvoiceMemoBuf = Memo("m2", "clash");
    EXPECT_FALSE(UpdateInvoiceMemoRecord(ref));
    EXPECT_EQ(InvoiceMemoLines(Stored(ref))[0], "changed");
    EXPECT_EQ(Index(), (Entries{{"M2       ", other}, {"M9       ", ref}}));
}

TEST_F(MemoFileTest, UpdateOfAMemoThatIsGoneReportsFailure) {
    const int32_t ref = Add(Memo("m1", "first"));
    ASSERT_TRUE(DeleteInvoiceMemoRecord(ref));
    State().InvoiceMemoBuf = Memo("m1", "late edit");
    EXPECT_FALSE(UpdateInvoiceMemoRecord(ref));
    EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);
    EXPECT_EQ(UsedRecordCount(State().InvoiceMemoFile), 0);
    EXPECT_TRUE(Index().empty());
    EXPECT_FALSE(UpdateInvoiceMemoRecord(99));
}

TEST_F(MemoFileTest, DeleteTakesTheKeyFromTheStoredMemo) {
    const int32_t a = Add(Memo("m1", "first"));
    const int32_t b = Add(Memo("m2", "second"));
    State().InvoiceMemoBuf = Memo("m2", "whatever the buffer holds");
    ASSERT_TRUE(DeleteInvoiceMemoRecord(a));
    EXPECT_EQ(Index(), (Entries{{"M2       ", b}}));

    int32_t ref = 0;
    ASSERT_TRUE(SearchInvoiceMemoKey(BuildInvoiceMemoKey(Memo("m2", ""), 1), ref));
    EXPECT_EQ(ref, b);
}

TEST_F(MemoFileTest, RebuildRunsUnderItsOwnCaption) {
    const int32_t ref = Add(Memo("m1", "first"));
    CloseInvoiceMemoFiles();
    ASSERT_TRUE(RebuildInvoiceMemoFiles()) << EngineErrorCode;
    EXPECT_EQ(StatForm->windowTitle(), "Memo Records");
    ASSERT_TRUE(OpenInvoiceMemoFiles());
    EXPECT_EQ(Index(), (Entries{{"M1       ", ref}}));
    EXPECT_EQ(InvoiceMemoLines(Stored(ref))[1], "second line");
}

class LineFileTest : public InvoicingEnv {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenInvoiceLineFiles()) << EngineErrorCode;
        EXPECT_TRUE(host->Messages().isEmpty()) << "a missing line file is created silently";
    }
    int32_t Add(const InvoiceLineRec& r) {
        return AddThrough(State().InvoiceLineBuf, AddInvoiceLineRecord, r);
    }
    Entries Index(int keyNr) { return InvoicingEnv::Index(State().InvoiceLineFile, keyNr); }
    // The lines of an invoice as posting and output walk them: key 2 from the number's key
    // while the key found is that number.
    std::vector<int32_t> LinesOf(const std::string& number) {
        const std::string key = BuildInvoiceLineKey(Line(number, "", ""), 2);
        std::vector<int32_t> refs;
        int32_t ref = 0;
        std::string found;
        if (!InvoiceLineData().Search(key, ref, 2, &found)) return refs;
        while (EngineOK && found == key) {
            refs.push_back(ref);
            NextKey(State().InvoiceLineFile, 2, ref, found);
        }
        return refs;
    }
};

TEST_F(LineFileTest, AnInvoicesLinesAreFoundByItsNumberWhateverTheCaseTyped) {
    const int32_t a = Add(Line("b12", "2024/03/05", "1 Widget"));
    const int32_t b = Add(Line("B13", "2024/03/05", "2 Gadget"));
    const int32_t c = Add(Line("B12", "2024/03/05", "3 Sprocket"));
    EXPECT_EQ(LinesOf("B12"), (std::vector<int32_t>{a, c}));
    EXPECT_EQ(LinesOf("b13"), (std::vector<int32_t>{b}));
    EXPECT_TRUE(LinesOf("B1").empty());
    EXPECT_EQ(Index(1).size(), 3u);
}

TEST_F(LineFileTest, UpdateRewritesTheLineAndReplacesItsKeys) {
    const int32_t a = Add(Line("B12", "2024/03/05", "1 Widget"));
    const int32_t b = Add(Line("B12", "2024/03/05", "2 Gadget"));
    const InvoiceLineRec moved = Line("B20", "2024/04/01", "5 Widget");
    ASSERT_TRUE(UpdateInvoiceLineRecord(moved, a)) << EngineErrorCode;
    EXPECT_EQ(State().InvoiceLineBuf, moved);
    EXPECT_EQ(StoredIn<InvoiceLineRec>(State().InvoiceLineFile, a), moved);
    EXPECT_EQ(Index(2), (Entries{{"B12      ", b}, {"B20      ", a}}));
    EXPECT_EQ(Index(1), (Entries{{"2024/03/05", b}, {"2024/04/01", a}}));

    ASSERT_TRUE(DeleteInvoiceLineRecord(a));
    EXPECT_EQ(Index(2), (Entries{{"B12      ", b}}));
    EXPECT_FALSE(UpdateInvoiceLineRecord(moved, a));
    EXPECT_EQ(UsedRecordCount(State().InvoiceLineFile), 1);
}

TEST_F(InvoicingEnv, OpeningTheThreeFilesAsksOnlyForTheHeader) {
    host->Answer(MsgResult::Ok, "I am going to create a new, empty invoice file for this company.",
                 "New Company");
    ASSERT_TRUE(OpenInvoiceDatabases()) << EngineErrorCode;
    EXPECT_NE(State().InvoiceFile, 0);
    EXPECT_NE(State().InvoiceLineFile, 0);
    EXPECT_NE(State().InvoiceMemoFile, 0);
    EXPECT_EQ(host->Messages().size(), 1);
    for (const char* name : {"7I.DAT", "7D.DAT", "7M.DAT"})
        EXPECT_TRUE(std::filesystem::exists(dir.path() / name)) << name;
}

TEST_F(InvoicingEnv, OpeningTheThreeFilesStopsAtTheFirstThatFails) {
    // The header's index is missing and the user declines the rebuild.
    ASSERT_TRUE(CreateFiles(SetName("I"), InvoiceData().desc().file));
    std::filesystem::remove(dir.path() / "7I.IX");
    host->Answer(MsgResult::No, "Index file is defective.  Rebuild?");
    EXPECT_FALSE(OpenInvoiceDatabases());
    EXPECT_EQ(State().InvoiceFile, 0);
    EXPECT_EQ(State().InvoiceLineFile, 0);
    EXPECT_EQ(State().InvoiceMemoFile, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "7D.DAT"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "7M.DAT"));
}

TEST_F(InvoicingEnv, EachFileKeepsItsOwnLockFlag) {
    const auto lockFailed = [] {
        EngineOK = false;
        EngineErrorCode = EngineCode::FileInUse;
    };
    lockFailed();
    host->Answer(MsgResult::Yes, "Cannot get a lock.  Abort?");
    EXPECT_TRUE(InvoiceFileLocked());
    EXPECT_TRUE(InvoiceLockAbort());
    lockFailed();
    host->Answer(MsgResult::No, "Cannot get a lock.  Abort?");
    EXPECT_FALSE(InvoiceMemoLockAbort());
    EXPECT_EQ(State().InvoiceLockFlag, 1);
    EXPECT_EQ(State().InvoiceMemoLockFlag, 1);
    EXPECT_EQ(State().InvoiceLineLockFlag, 0);

    // Not a lock: no question, and the flag goes down.
    EngineErrorCode = EngineCode::KeyNotFound;
    EXPECT_FALSE(InvoiceMemoFileLocked());
    EXPECT_FALSE(InvoiceLockAbort());
    EXPECT_EQ(State().InvoiceLockFlag, 0);
}

}  // namespace
