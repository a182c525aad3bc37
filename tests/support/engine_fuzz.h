#pragma once
// Drives a file set built from arbitrary DAT and IX bytes through every read and write path.
// Shared by the mutation test and the libFuzzer target, so both hold the engine to the same
// contract: every call ends in success or a documented code, never a crash or a hang.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "engine/engine.h"

namespace testsupport {

inline constexpr int32_t kFuzzRecLen = 64;
inline constexpr int kFuzzKeys = 3;
inline constexpr const char* kFuzzSet = "FZ";

struct SetImages {
    std::vector<uint8_t> dat;
    std::vector<uint8_t> ix;
};

inline KeyDescTable fuzzKeyDescs() {
    KeyDescTable keys{};
    keys[0] = {8, false};
    keys[1] = {20, true};
    keys[2] = {30, true};
    return keys;
}

// Keys live in the record (bytes 4.., 12.., 32..) so that a rebuild can find them again.
inline std::string fuzzKey(std::span<const uint8_t> rec, int keyNr) {
    static constexpr size_t at[] = {4, 12, 32};
    static constexpr size_t len[] = {8, 20, 30};
    if (keyNr < 1 || keyNr > kFuzzKeys || rec.size() < static_cast<size_t>(kFuzzRecLen)) return {};
    const auto* p = reinterpret_cast<const char*>(rec.data()) + at[keyNr - 1];
    std::string k(p, len[keyNr - 1]);
    k.resize(k.find('\0') == std::string::npos ? k.size() : k.find('\0'));
    return k;
}

inline std::vector<uint8_t> fuzzRecord(const std::string& k1, const std::string& k2,
                                       const std::string& k3) {
    std::vector<uint8_t> rec(kFuzzRecLen, 0);
    k1.copy(reinterpret_cast<char*>(rec.data()) + 4, 8);
    k2.copy(reinterpret_cast<char*>(rec.data()) + 12, 20);
    k3.copy(reinterpret_cast<char*>(rec.data()) + 32, 30);
    return rec;
}

inline std::vector<uint8_t> readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void clearFolder(const std::filesystem::path& dir) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        std::filesystem::remove_all(e.path(), ec);
}

// A small valid set: records with duplicate and unique keys and a few freed slots, so the
// images hold every structure the engine writes. With `leftOpen` the images are those of a
// set whose process died while it had the set open (it opens in a state of its own).
inline SetImages buildFuzzSample(const std::filesystem::path& dir, bool leftOpen = false,
                                 int records = 40) {
    clearFolder(dir);
    const std::string name = (dir / kFuzzSet).string();
    CreateFileSet(name, kFuzzRecLen, kFuzzKeys, fuzzKeyDescs());
    FileSetHandle h = 0;
    OpenFileSet(h, name, false, false, false, true);
    for (int i = 0; i < records; ++i) {
        char k1[16], k2[32], k3[40];
        std::snprintf(k1, sizeof k1, "A%06d", i);
        std::snprintf(k2, sizeof k2, "GROUP %d", i % 4);
        std::snprintf(k3, sizeof k3, "CUSTOMER NAME NUMBER %d", i % 9);
        auto rec = fuzzRecord(k1, k2, k3);
        int32_t ref = 0;
        LockFileSet(h);
        AddRecord(h, ref, rec);
        for (int k = 1; k <= kFuzzKeys; ++k) AddKey(h, k, ref, fuzzKey(rec, k));
        UnlockFileSet(h);
        if (i % 7 == 3) {
            LockFileSet(h);
            for (int k = 1; k <= kFuzzKeys; ++k) DeleteKey(h, k, ref, fuzzKey(rec, k));
            DeleteRecord(h, ref);
            UnlockFileSet(h);
        }
    }
    CloseFileSet(h);
    if (leftOpen) {
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            OpenFileSet(h, name, false, false, false, true);
            auto rec = fuzzRecord("LAST", "GROUP 9", "ADDED BEFORE THE END");
            int32_t ref = 0;
            LockFileSet(h);
            AddRecord(h, ref, rec);
            for (int k = 1; k <= kFuzzKeys; ++k) AddKey(h, k, ref, fuzzKey(rec, k));
            UnlockFileSet(h);
            ::_exit(EngineOK ? 0 : 1);
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || status != 0) return {};
    }
    SetImages img{readAll(dir / (std::string(kFuzzSet) + ".DAT")),
                  readAll(dir / (std::string(kFuzzSet) + ".IX"))};
    clearFolder(dir);
    return img;
}

// Each call must leave the status coherent: success with code 0, or failure with a code of
// the documented range.
class FuzzCheck {
public:
    bool ok(const char* what) {
        if (EngineOK != (EngineErrorCode == 0) ||
            (!EngineOK && (EngineErrorCode < 9900 || EngineErrorCode > 10475))) {
            if (fault.empty())
                fault = std::string(what) + ": EngineOK " + (EngineOK ? "true" : "false") +
                        " with code " + std::to_string(EngineErrorCode);
        }
        return EngineOK;
    }
    std::string fault;
};

// Runs every operation over an open set; `rng` picks search keys. Returns a broken contract
// (a hang, an incoherent status), or empty when every call ended cleanly.
inline std::string exerciseOpenSet(FileSetHandle h, std::mt19937_64& rng, uint64_t sizeBound) {
    FuzzCheck c;
    const int32_t len = RecordLength(h);
    const int keyCount = KeyCount(h);
    if (len <= 0 || keyCount < 0 || keyCount > MaxKeys)
        return "open set reports record length " + std::to_string(len) + " and " +
               std::to_string(keyCount) + " keys";
    std::vector<uint8_t> rec(static_cast<size_t>(len));
    UsedRecordCount(h);
    c.ok("UsedRecordCount");

    // Record order: refs must rise, so the walk ends.
    int32_t ref = 0;
    for (uint64_t steps = 0;; ++steps) {
        const int32_t before = ref;
        NextUsedRecord(h, ref);
        if (!c.ok("NextUsedRecord")) break;
        if (ref <= before)
            return "NextUsedRecord went from " + std::to_string(before) + " to " +
                   std::to_string(ref);
        if (steps > sizeBound) return "NextUsedRecord does not end";
        ReadRecord(h, ref, rec);
        c.ok("ReadRecord");
    }
    for (const int32_t odd : {0, -1, 0x7fffffff}) {
        ReadRecord(h, odd, rec);
        if (EngineOK) return "ReadRecord accepted ref " + std::to_string(odd);
        c.ok("ReadRecord");
    }
    std::vector<uint8_t> shortBuf(static_cast<size_t>(len) / 2);
    ReadRecord(h, 1, shortBuf);
    if (EngineOK) return "ReadRecord accepted a short buffer";

    std::vector<std::string> seen;
    for (int k = 1; k <= keyCount; ++k) {
        IndexKeyCount(h, k);
        c.ok("IndexKeyCount");
        std::string key;
        int32_t kref = 0;
        ClearKeyPosition(h, k);
        for (uint64_t steps = 0;; ++steps) {
            NextKey(h, k, kref, key);
            if (!c.ok("NextKey")) break;
            if (key.size() > static_cast<size_t>(MaxKeyLength))
                return "NextKey returned a key of " + std::to_string(key.size()) + " bytes";
            if (steps > sizeBound) return "NextKey walk does not end";
            if (seen.size() < 64) seen.push_back(key);
        }
        ClearKeyPosition(h, k);
        for (uint64_t steps = 0;; ++steps) {
            PrevKey(h, k, kref, key);
            if (!c.ok("PrevKey")) break;
            if (steps > sizeBound) return "PrevKey walk does not end";
        }
    }
    seen.push_back("");
    seen.push_back(std::string(MaxKeyLength, '\xff'));
    for (int k = 0; k <= keyCount + 1; ++k) {
        for (int i = 0; i < 4; ++i) {
            std::string key = seen[rng() % seen.size()];
            int32_t kref = 0;
            SearchKey(h, k, kref, key);
            if (c.ok("SearchKey")) {
                NextKey(h, k, kref, key);
                c.ok("NextKey after SearchKey");
                PrevKey(h, k, kref, key);
                c.ok("PrevKey after SearchKey");
            }
        }
    }

    // One whole-record add and its delete; a damaged set may refuse either with a code.
    auto fresh = fuzzRecord("Z" + std::to_string(rng() % 100000), "NEW GROUP", "NEW NAME");
    fresh.resize(static_cast<size_t>(len));
    int32_t added = 0;
    LockFileSet(h);
    c.ok("LockFileSet");
    AddRecord(h, added, fresh);
    if (c.ok("AddRecord")) {
        for (int k = 1; k <= keyCount; ++k) {
            AddKey(h, k, added, fuzzKey(fresh, k));
            c.ok("AddKey");
        }
        PutRecord(h, added, fresh);
        c.ok("PutRecord");
        for (int k = 1; k <= keyCount; ++k) {
            DeleteKey(h, k, added, fuzzKey(fresh, k));
            c.ok("DeleteKey");
        }
        DeleteRecord(h, added);
        c.ok("DeleteRecord");
    }
    UnlockFileSet(h);
    c.ok("UnlockFileSet");
    return c.fault;
}

// Writes the images as a set in `dir` (an empty vector means the file is absent), opens it
// and exercises it; with `rebuild`, a set that does not open is restructured, reindexed and
// tried again, so the rebuild paths meet the damage too.
struct FuzzStats {
    int opened = 0;         // opened as they were
    int openedRebuilt = 0;  // opened after restructure and reindex
    int refused = 0;        // gave a code to the end
};

inline std::string exerciseImages(const std::filesystem::path& dir, const SetImages& img,
                                  uint64_t seed, bool rebuild, FuzzStats* stats = nullptr) {
    FuzzStats ignored;
    FuzzStats& st = stats ? *stats : ignored;
    clearFolder(dir);
    const std::string name = (dir / kFuzzSet).string();
    if (!img.dat.empty()) writeAll(dir / (std::string(kFuzzSet) + ".DAT"), img.dat);
    if (!img.ix.empty()) writeAll(dir / (std::string(kFuzzSet) + ".IX"), img.ix);
    // No valid walk can take more steps than there are bytes in the files.
    const uint64_t bound = img.dat.size() + img.ix.size() + 64;
    std::mt19937_64 rng(seed);
    FuzzCheck c;
    for (int attempt = 0; attempt < 2; ++attempt) {
        FileSetHandle h = 0;
        OpenFileSet(h, name, false, false, false, true);
        if (c.ok("OpenFileSet")) {
            ++(attempt == 0 ? st.opened : st.openedRebuilt);
            std::string fault = exerciseOpenSet(h, rng, bound);
            CloseFileSet(h);
            c.ok("CloseFileSet");
            if (!fault.empty()) return fault;
            return c.fault;
        }
        if (h != 0) return "failed open left handle " + std::to_string(h);
        if (!rebuild || attempt > 0) {
            ++st.refused;
            break;
        }
        RestructureFile(name, kFuzzRecLen, kFuzzRecLen);
        c.ok("RestructureFile");
        ReindexFile(name, kFuzzKeys, fuzzKeyDescs(), fuzzKey);
        if (!c.ok("ReindexFile")) {
            ++st.refused;
            break;
        }
    }
    return c.fault;
}

}  // namespace testsupport
