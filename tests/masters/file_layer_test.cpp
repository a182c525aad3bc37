// The prompting data-file routines over real file sets: add with undo, update with its
// checks and key change-back, delete from the stored record, open with 9903 and 10010,
// rebuild progress and abort, lock retry, exact lookup.
#include "shell/file_layer.h"

#include <QLabel>
#include <QTimer>
#include <filesystem>

#include "engine/record_fields.h"
#include "shell/text.h"
#include "tests/masters/company_env.h"
#include "tests/support/stored_files.h"

namespace {

class ItemRec : public fields::Record<ItemRec, 48> {};
namespace Item {
inline constexpr fields::Text<ItemRec> Name{4, 20};  // key 1, duplicates
inline constexpr fields::Text<ItemRec> Code{25, 8};  // key 2, unique
inline constexpr fields::Text<ItemRec> Note{34, 10};
}  // namespace Item

std::string BuildItemKey(std::span<const uint8_t> rec, int keyNr) {
    if (keyNr == 1) return KeyText(fields::Get(rec, Item::Name), 20);
    if (keyNr == 2) return KeyText(fields::Get(rec, Item::Code), 8);
    if (keyNr == 3) return KeyText(fields::Get(rec, Item::Note), 10);
    return {};
}

ItemRec Make(const std::string& name, const std::string& code, const std::string& note = {}) {
    ItemRec r;
    r.set(Item::Name, name);
    r.set(Item::Code, code);
    r.set(Item::Note, note);
    return r;
}

class FileLayerTest : public CompanyEnv {
protected:
    DataFileDesc Desc(bool compare = true, int keys = 2) {
        DataFileDesc d;
        d.letters = "T";
        d.file.recordLength = ItemRec::Size;
        d.file.keys = {{20, true}, {8, false}};
        if (keys == 3) d.file.keys.push_back({10, true});
        d.file.buildKey = BuildItemKey;
        d.rebuildCaption = "Test Items";
        d.missing = MissingFileSet::AskNewCompany;
        d.newCompanyText = "I am going to create a new, empty test file for this company.";
        d.compareOnUpdate = compare;
        d.handle = [this]() -> FileSetHandle& { return handle; };
        d.buffer = [this] { return buf.bytes(); };
        d.lockFlag = [this]() -> uint8_t& { return lockFlag; };
        return d;
    }

    // An open, empty file set.
    void CreateOpen(const DataFile& f) {
        ASSERT_TRUE(f.Create());
        ASSERT_TRUE(f.Open());
    }
    int32_t Add(const DataFile& f, const ItemRec& r) {
        buf = r;
        int32_t ref = 0;
        EXPECT_TRUE(f.AddRecord(ref)) << EngineErrorCode;
        return ref;
    }
    ItemRec Stored(int32_t ref) {
        ItemRec r;
        ReadRecord(handle, ref, r.bytes());
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        return r;
    }
    // The (key, ref) pairs of index keyNr, in order.
    std::vector<std::pair<std::string, int32_t>> Index(int keyNr) {
        return IndexEntries(handle, keyNr);
    }
    std::filesystem::path SetFile(const char* ext) const {
        return dir.path() / ("7T" + std::string(ext));
    }

    FileSetHandle handle = 0;
    ItemRec buf;
    uint8_t lockFlag = 0;
};

using Entries = std::vector<std::pair<std::string, int32_t>>;

TEST_F(FileLayerTest, AddStoresRecordAndKeysAndUndoesARefusedKey) {
    const DataFile f(Desc());
    CreateOpen(f);
    const int32_t ref = Add(f, Make("Acme", "a1"));
    EXPECT_EQ(Stored(ref), Make("Acme", "a1"));
    EXPECT_EQ(Index(2), (Entries{{"A1      ", ref}}));

    // Key 1 goes in, key 2 is refused: neither the record nor its name key may stay.
    buf = Make("Other", "A1");
    int32_t ref2 = 0;
    EXPECT_FALSE(f.AddRecord(ref2));
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(ref2, 0);
    EXPECT_EQ(UsedRecordCount(handle), 1);
    EXPECT_EQ(Index(1).size(), 1u);
    EXPECT_EQ(Index(2).size(), 1u);
}

TEST_F(FileLayerTest, AddFollowsTheKeyOrderGiven) {
    DataFileDesc d = Desc();
    d.addOrder = {2, 1};
    const DataFile f(d);
    CreateOpen(f);
    Add(f, Make("Acme", "A1"));
    // Key 2 is tried first now, so a duplicate code is refused before key 1 is touched.
    buf = Make("Other", "A1");
    int32_t ref = 0;
    EXPECT_FALSE(f.AddRecord(ref));
    EXPECT_EQ(Index(1).size(), 1u);
    EXPECT_EQ(UsedRecordCount(handle), 1);

    d.addOrder = {1, 1};
    EXPECT_THROW(DataFile{d}, std::logic_error);
}

TEST_F(FileLayerTest, UpdateReplacesTheKeysThatChanged) {
    const DataFile f(Desc());
    CreateOpen(f);
    const int32_t ref = Add(f, Make("Acme", "A1"));
    const ItemRec before = buf;
    buf = Make("Zenith", "Z9", "moved");
    ASSERT_TRUE(f.UpdateRecord(ref, before.bytes()));
    EXPECT_EQ(Stored(ref), Make("Zenith", "Z9", "moved"));
    EXPECT_EQ(Index(1), (Entries{{KeyText("Zenith", 20), ref}}));
    EXPECT_EQ(Index(2), (Entries{{"Z9      ", ref}}));
}

TEST_F(FileLayerTest, UpdateWithAnUnchangedBufferWritesNothing) {
    const DataFile f(Desc());
    CreateOpen(f);
    const int32_t ref = Add(f, Make("Acme", "A1"));
    const ItemRec before = buf;
    // Someone else rewrote the record; an unchanged buffer must not put the old one back.
    ItemRec other = Make("Acme", "A1", "theirs");
    PutRecord(handle, ref, other.bytes());
    EXPECT_TRUE(f.UpdateRecord(ref, before.bytes()));
    EXPECT_EQ(Stored(ref).get(Item::Note), "theirs");
}

TEST_F(FileLayerTest, UpdateRefusesARecordChangedInTheMeantime) {
    const DataFile f(Desc());
    CreateOpen(f);
    const int32_t ref = Add(f, Make("Acme", "A1"));
    const ItemRec before = buf;
    ItemRec other = Make("Acme", "A1", "theirs");
    PutRecord(handle, ref, other.bytes());

    buf = Make("Mine", "M1");
    host->Answer(MsgResult::Ok, "The record has changed in the meantime.", "Please Confirm");
    EXPECT_FALSE(f.UpdateRecord(ref, before.bytes()));
    EXPECT_EQ(Stored(ref), other);
    EXPECT_EQ(Index(1), (Entries{{KeyText("Acme", 20), ref}}));
    EXPECT_EQ(Index(2), (Entries{{"A1      ", ref}}));
    EXPECT_EQ(buf, Make("Mine", "M1")) << "the user's edits stay in the buffer";
}

TEST_F(FileLayerTest, UpdateRefusedByAUniqueKeyPutsBackEveryKeyReplaced) {
    const DataFile f(Desc());
    CreateOpen(f);
    const int32_t a = Add(f, Make("Acme", "A1"));
    const int32_t b = Add(f, Make("Bolt", "B1"));
    buf = Make("Bolt", "B1");
    const ItemRec before = buf;
    // Name key (1) is replaced first, then the code is refused: the name must go back.
    buf = Make("Crane", "A1");
    EXPECT_FALSE(f.UpdateRecord(b, before.bytes()));
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(Stored(b), before);
    EXPECT_EQ(Index(1), (Entries{{KeyText("Acme", 20), a}, {KeyText("Bolt", 20), b}}));
    EXPECT_EQ(Index(2), (Entries{{"A1      ", a}, {"B1      ", b}}));
}

TEST_F(FileLayerTest, UpdateOfAFreedSlotFailsAndWritesNothing) {
    for (const bool compare : {true, false}) {
        SCOPED_TRACE(compare);
        const DataFile f(Desc(compare));
        if (!std::filesystem::exists(SetFile(".DAT"))) CreateOpen(f);
        const int32_t ref = Add(f, Make("Acme", "A1"));
        const ItemRec before = buf;
        ASSERT_TRUE(f.DeleteRecord(ref));
        buf = Make("Ghost", "G1");
        EXPECT_FALSE(f.UpdateRecord(ref, before.bytes()));
        EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);
        EXPECT_EQ(UsedRecordCount(handle), 0);
        EXPECT_TRUE(Index(1).empty());
    }
}

TEST_F(FileLayerTest, UpdateWithoutComparisonWritesOverAChangedRecord) {
    const DataFile f(Desc(false));
    CreateOpen(f);
    const int32_t ref = Add(f, Make("Acme", "A1"));
    ItemRec other = Make("Acme", "A1", "theirs");
    PutRecord(handle, ref, other.bytes());
    buf = Make("Mine", "M1");
    EXPECT_TRUE(f.UpdateRecord(ref));
    EXPECT_EQ(Stored(ref), Make("Mine", "M1"));
    EXPECT_EQ(Index(2), (Entries{{"M1      ", ref}}));
}

TEST_F(FileLayerTest, DeleteTakesTheKeysFromTheStoredRecord) {
    const DataFile f(Desc());
    CreateOpen(f);
    const int32_t a = Add(f, Make("Acme", "A1"));
    const int32_t b = Add(f, Make("Bolt", "B1"));
    buf = Make("Bolt", "B1");  // whatever the buffer holds
    ASSERT_TRUE(f.DeleteRecord(a));
    EXPECT_EQ(UsedRecordCount(handle), 1);
    EXPECT_EQ(Index(1), (Entries{{KeyText("Bolt", 20), b}}));
    EXPECT_EQ(Index(2), (Entries{{"B1      ", b}}));

    // The slot is free now: a second delete is refused and leaves the other record alone.
    EXPECT_FALSE(f.DeleteRecord(a));
    EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);
    EXPECT_EQ(Index(2), (Entries{{"B1      ", b}}));
}

TEST_F(FileLayerTest, DeleteNeverFreesARecordWhoseKeyCannotBeRemoved) {
    CreateOpen(DataFile(Desc()));
    const int32_t ref = Add(DataFile(Desc()), Make("Acme", "A1"));
    // A description with a third key over an index of two: key 3 cannot be removed.
    const DataFile three(Desc(true, 3));
    EXPECT_FALSE(three.DeleteRecord(ref));
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
    EXPECT_EQ(UsedRecordCount(handle), 1);
    EXPECT_EQ(Index(1), (Entries{{KeyText("Acme", 20), ref}}));
    EXPECT_EQ(Index(2), (Entries{{"A1      ", ref}}));
}

TEST_F(FileLayerTest, PromptlessDeleteAlsoKeepsARecordWhoseKeyCannotBeRemoved) {
    CreateOpen(DataFile(Desc()));
    const int32_t ref = Add(DataFile(Desc()), Make("Acme", "A1"));
    const DataFile three(Desc(true, 3));
    EXPECT_FALSE(DeleteRecordWithKeys(handle, three.desc().file, ref));
    EXPECT_EQ(UsedRecordCount(handle), 1);
    EXPECT_EQ(Index(1), (Entries{{KeyText("Acme", 20), ref}})) << "the keys removed go back";
    EXPECT_EQ(Index(2), (Entries{{"A1      ", ref}}));
}

TEST_F(FileLayerTest, ChangeKeyAddsTheNewKeyBeforeTheOldGoes) {
    const DataFile f(Desc());
    CreateOpen(f);
    const int32_t a = Add(f, Make("Acme", "A1"));
    const int32_t b = Add(f, Make("Bolt", "B1"));
    EXPECT_TRUE(f.ChangeKey("A1      ", "A1      ", a, 2));
    // The new key refused: the old one stays.
    EXPECT_FALSE(f.ChangeKey("A1      ", "B1      ", a, 2));
    EXPECT_EQ(Index(2), (Entries{{"A1      ", a}, {"B1      ", b}}));
    // An old key already missing does not undo a replacement.
    EXPECT_TRUE(f.ChangeKey("Q1      ", "C1      ", b, 2));
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(Index(2), (Entries{{"A1      ", a}, {"B1      ", b}, {"C1      ", b}}));
}

TEST_F(FileLayerTest, OpenCreatesAMissingSetAfterTheNewCompanyBox) {
    const DataFile f(Desc());
    host->Answer(MsgResult::Ok, "I am going to create a new, empty test file for this company.",
                 "New Company");
    ASSERT_TRUE(f.Open());
    EXPECT_NE(handle, 0);
    EXPECT_EQ(UsedRecordCount(handle), 0);
    EXPECT_TRUE(std::filesystem::exists(SetFile(".DAT")));
    // Open already: nothing asked, the same handle.
    const FileSetHandle first = handle;
    EXPECT_TRUE(f.Open());
    EXPECT_EQ(handle, first);
}

TEST_F(FileLayerTest, OpenCreatesAMissingSetSilentlyWhenToldSo) {
    DataFileDesc d = Desc();
    d.missing = MissingFileSet::CreateSilently;
    const DataFile f(d);
    // No company current: no file named by the letters alone.
    ASSERT_TRUE(shell.context().companies.CurrentCompany.set(Company::CompanyNumber, ""));
    EXPECT_FALSE(f.Open());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "T.DAT"));
    ASSERT_TRUE(shell.context().companies.CurrentCompany.set(Company::CompanyNumber, "7"));
    ASSERT_TRUE(f.Open());
    EXPECT_TRUE(host->Messages().isEmpty());
    EXPECT_EQ(UsedRecordCount(handle), 0);
}

TEST_F(FileLayerTest, OpenOnADefectiveIndexRebuildsOnlyWhenTheUserAgrees) {
    {
        const DataFile f(Desc());
        CreateOpen(f);
        Add(f, Make("Acme", "A1"));
        Add(f, Make("Bolt", "B1"));
        f.Close();
    }
    std::filesystem::remove(SetFile(".IX"));
    const DataFile f(Desc());
    host->Answer(MsgResult::No, "Index file is defective.  Rebuild?", "Please Confirm");
    EXPECT_FALSE(f.Open());
    EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective);
    EXPECT_EQ(handle, 0);

    host->Answer(MsgResult::Yes, "Index file is defective.  Rebuild?", "Please Confirm");
    ASSERT_TRUE(f.Open());
    EXPECT_EQ(UsedRecordCount(handle), 2);
    EXPECT_EQ(Index(2).size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(SetFile(".SAV")));
}

TEST_F(FileLayerTest, RebuildReportsEveryFiftyRecordsUnderTheFilesCaption) {
    const DataFile f(Desc());
    CreateOpen(f);
    for (int i = 0; i < 120; ++i) Add(f, Make("Item " + std::to_string(i), std::to_string(i)));
    f.Close();
    ASSERT_TRUE(f.Rebuild());
    EXPECT_EQ(StatForm->windowTitle(), "Test Items");
    EXPECT_EQ(StatForm->Label1->text(), "Key number: 2");
    EXPECT_EQ(StatForm->Label2->text(), "Records read: 100");
    EXPECT_FALSE(StatForm->isVisible());
    ASSERT_TRUE(f.Open());
    EXPECT_EQ(Index(2).size(), 120u);
}

TEST_F(FileLayerTest, RebuildStopsWhenTheStatusWindowIsAborted) {
    const DataFile f(Desc());
    CreateOpen(f);
    for (int i = 0; i < 60; ++i) Add(f, Make("Item " + std::to_string(i), std::to_string(i)));
    f.Close();
    QTimer::singleShot(0, [] { StatForm->SetModalResult(Modal::Abort); });
    EXPECT_FALSE(f.Rebuild());
    EXPECT_EQ(EngineErrorCode, EngineCode::RebuildAborted);
    EXPECT_FALSE(StatForm->isVisible());
    // The aborted run touched nothing; the next one starts afresh.
    ASSERT_TRUE(f.Rebuild());
    ASSERT_TRUE(f.Open());
    EXPECT_EQ(UsedRecordCount(handle), 60);
}

// Key 3: the note of an item that has one, a partial index of our own.
DataFileDesc WithNoteIndex(DataFileDesc d) {
    d.file.keys = {{20, true}, {8, false}, {10, true, true}};
    d.file.buildKey = [](std::span<const uint8_t> rec, int keyNr) -> std::string {
        if (keyNr != 3) return BuildItemKey(rec, keyNr);
        const std::string note = TrimBlanks(fields::Get(rec, Item::Note));
        return note.empty() ? std::string() : KeyText(note, 10);
    };
    return d;
}

TEST_F(FileLayerTest, APartialKeyFollowsEveryWriteOfItsRecord) {
    const DataFile f(WithNoteIndex(Desc()));
    CreateOpen(f);
    const int32_t a = Add(f, Make("Acme", "A1"));
    const int32_t b = Add(f, Make("Bolt", "B1", "due"));
    EXPECT_EQ(Index(3), (Entries{{KeyText("due", 10), b}}));

    // A record written alone takes its entry along; a whole-record update too.
    ASSERT_TRUE(f.PutRec(Make("Acme", "A1", "late").bytes(), a));
    EXPECT_EQ(Index(3), (Entries{{KeyText("due", 10), b}, {KeyText("late", 10), a}}));
    const ItemRec before = Stored(b);
    buf = Make("Bolt", "B1");
    ASSERT_TRUE(f.UpdateRecord(b, before.bytes()));
    EXPECT_EQ(Index(3), (Entries{{KeyText("late", 10), a}}));
    EXPECT_EQ(Index(1).size(), 2u);

    // Refused writes leave it as it was: an add and an update refused by the unique key 2.
    buf = Make("Cog", "A1", "new");
    int32_t ref = 0;
    EXPECT_FALSE(f.AddRecord(ref));
    const ItemRec bolt = Stored(b);
    buf = Make("Bolt", "A1", "moved");
    EXPECT_FALSE(f.UpdateRecord(b, bolt.bytes()));
    EXPECT_EQ(Index(3), (Entries{{KeyText("late", 10), a}}));

    ASSERT_TRUE(f.DeleteRecord(a));
    EXPECT_EQ(Index(3), Entries{});
    EXPECT_EQ(UsedRecordCount(handle), 1);
}

TEST_F(FileLayerTest, ASetWithoutItsPartialKeyGetsItWhenOpened) {
    {
        const DataFile older(Desc());
        CreateOpen(older);
        Add(older, Make("Acme", "A1", "due"));
        Add(older, Make("Bolt", "B1"));
        older.Close();
    }
    const DataFile f(WithNoteIndex(Desc()));
    // Not inside a unit of work, nor while another handle has the set: the set is taken as
    // it is and written without the index.
    BeginUnit();
    ASSERT_TRUE(f.Open());
    EXPECT_EQ(KeyCount(handle), 2);
    const int32_t c = Add(f, Make("Cog", "C1", "new"));
    f.Close();
    CommitUnit();
    ASSERT_TRUE(EngineOK);
    FileSetHandle other = 0;
    OpenFileSet(other, f.OpenName());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    ASSERT_TRUE(f.Open()) << EngineErrorCode;
    EXPECT_EQ(KeyCount(handle), 2);
    f.Close();
    CloseFileSet(other);

    ASSERT_TRUE(f.Open()) << EngineErrorCode;
    EXPECT_EQ(KeyCount(handle), 3);
    EXPECT_EQ(Index(3), (Entries{{KeyText("due", 10), 1}, {KeyText("new", 10), c}}));
    EXPECT_EQ(Index(2).size(), 3u);
    EXPECT_EQ(StatForm->windowTitle(), "Test Items");
}

TEST_F(FileLayerTest, LockRetryAsksUntilTheUserGivesUp) {
    const DataFile f(Desc());
    int calls = 0;
    const auto lockedTwice = [&] {
        EngineOK = ++calls > 2;
        EngineErrorCode = EngineOK ? 0 : EngineCode::FileInUse;
    };
    host->Answer(MsgResult::No, "Cannot get a lock.  Abort?", "Please Confirm")
        .Answer(MsgResult::No, "Cannot get a lock.  Abort?");
    EXPECT_TRUE(f.RetryLocked(lockedTwice));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(lockFlag, 0) << "the last call did not fail for a lock";

    calls = 0;
    host->Answer(MsgResult::Yes, "Cannot get a lock.  Abort?");
    EXPECT_FALSE(f.RetryLocked(lockedTwice));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(EngineErrorCode, EngineCode::FileInUse);
    EXPECT_EQ(lockFlag, 1);

    // Not a lock: no question, no retry.
    calls = 0;
    EXPECT_FALSE(f.RetryLocked([&] {
        ++calls;
        EngineOK = false;
        EngineErrorCode = EngineCode::KeyNotFound;
    }));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(f.LockAbort());
    EXPECT_EQ(lockFlag, 0);
}

TEST_F(FileLayerTest, FindActsOnlyOnAnExactMatch) {
    const DataFile f(Desc());
    CreateOpen(f);
    const int32_t a = Add(f, Make("Acme", "A1", "first"));
    const int32_t b = Add(f, Make("Acme", "A2", "second"));
    Add(f, Make("Bolt", "B1"));

    ItemRec found = Make("untouched", "U");
    EXPECT_EQ(f.Find(1, KeyText("Acme", 20), found.bytes()), a);
    EXPECT_EQ(found.get(Item::Note), "first");
    // Among equal keys the one that also matches.
    const auto second = [](std::span<const uint8_t> r) {
        return fields::Get(r, Item::Note) == "second";
    };
    EXPECT_EQ(f.Find(1, KeyText("Acme", 20), found.bytes(), second), b);
    EXPECT_EQ(found.get(Item::Note), "second");

    // A key between two others lands the search on "B1": that is no match.
    found = Make("untouched", "U");
    EXPECT_EQ(f.Find(2, "AZ      ", found.bytes()), 0);
    EXPECT_EQ(EngineErrorCode, EngineCode::KeyNotFound);
    EXPECT_EQ(found, Make("untouched", "U"));
    const auto none = [](std::span<const uint8_t>) { return false; };
    EXPECT_EQ(f.Find(1, KeyText("Acme", 20), found.bytes(), none), 0);
    EXPECT_EQ(found, Make("untouched", "U"));

    int32_t ref = 0;
    std::string at;
    EXPECT_TRUE(f.Search("AZ", ref, 2, &at));
    EXPECT_EQ(at, "B1      ");
}

}  // namespace
