#pragma once
// A started engine and a fresh folder per test, with small helpers for records of the
// test layout: bytes 4..19 hold a code, bytes 20..27 a group, both as plain text.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tests/support/stored_files.h"
#include "tests/support/temp_dir.h"

namespace enginetest {

inline constexpr int32_t TestRecordLength = 64;

inline KeyDescTable keyTable(std::initializer_list<KeyDesc> descs) {
    KeyDescTable table{};
    int i = 0;
    for (const KeyDesc& d : descs) table[i++] = d;
    return table;
}

inline std::vector<uint8_t> makeRecord(const std::string& code, const std::string& group = {}) {
    std::vector<uint8_t> rec(TestRecordLength, 0);
    std::memcpy(rec.data() + 4, code.data(), std::min<size_t>(code.size(), 16));
    std::memcpy(rec.data() + 20, group.data(), std::min<size_t>(group.size(), 8));
    return rec;
}

inline std::string field(std::span<const uint8_t> rec, size_t offset, size_t width) {
    std::string text(reinterpret_cast<const char*>(rec.data()) + offset, width);
    return text.substr(0, text.find('\0'));
}
inline std::string codeOf(std::span<const uint8_t> rec) {
    return field(rec, 4, 16);
}
inline std::string groupOf(std::span<const uint8_t> rec) {
    return field(rec, 20, 8);
}

// Key 1: the code (unique); key 2: the group (duplicates allowed).
inline std::string testKey(std::span<const uint8_t> rec, int keyNr) {
    return keyNr == 1 ? codeOf(rec) : groupOf(rec);
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        EngineStart(30);
        RebuildProgressProc = nullptr;
    }
    void TearDown() override {
        EngineStop();
        RebuildProgressProc = nullptr;
    }

    std::string name(const std::string& base = "STOCK") const { return dir.file(base); }

    // Creates the two-key test set and opens it.
    FileSetHandle createAndOpen(const std::string& base = "STOCK") {
        CreateFileSet(name(base), TestRecordLength, 2, keys);
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        FileSetHandle h = 0;
        OpenFileSet(h, name(base));
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        return h;
    }

    // One whole-record add: the record and both keys inside a bracket.
    int32_t addWithKeys(FileSetHandle h, const std::string& code, const std::string& group = {}) {
        auto rec = makeRecord(code, group);
        int32_t ref = 0;
        LockFileSet(h);
        AddRecord(h, ref, rec);
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        AddKey(h, 1, ref, code);
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        AddKey(h, 2, ref, group);
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        UnlockFileSet(h);
        return ref;
    }

    // Every (key, ref) of index keyNr in NextKey order, from the first.
    Entries walk(FileSetHandle h, int keyNr) {
        Entries out = IndexEntries(h, keyNr);
        EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
        return out;
    }

    // Runs `body` in a child process and returns its exit status; the child leaves with
    // _exit so that nothing of the parent's is closed or flushed twice.
    template <typename Body>
    int inChild(Body body) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(body());
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void rebuild(const std::string& base = "STOCK") {
        RestructureFile(name(base), TestRecordLength, TestRecordLength);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        ReindexFile(name(base), 2, keys, testKey);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
    }

    testsupport::TempDir dir;
    KeyDescTable keys = keyTable({{16, false}, {8, true}});
};

}  // namespace enginetest
