#include "shell/record_file.h"

#include <algorithm>

#include "platform/scope_guard.h"

EngineFailure::EngineFailure() : code_(EngineErrorCode) {}

bool EngineFailure::report() const {
    EngineOK = false;
    EngineErrorCode = code_;
    return false;
}

bool InBracket(FileSetHandle handle, const std::function<bool()>& body,
               const std::function<bool()>& enter) {
    if (enter) {
        if (!enter()) return false;
    } else {
        LockFileSet(handle);
        if (!EngineOK) return false;
    }
    // An error raised inside the body still closes the bracket: one left open would hold
    // every later write on the set back from the disk.
    ScopeExit unlockOnError([handle] { UnlockFileSet(handle); });
    const bool ok = body();
    unlockOnError.Dismiss();
    const EngineFailure failure;
    UnlockFileSet(handle);
    if (!ok) return failure.report();
    return EngineOK;
}

namespace {

void RemoveKeys(FileSetHandle handle, int32_t ref,
                const std::vector<std::pair<int, std::string>>& keys) {
    for (const auto& [nr, key] : keys) DeleteKey(handle, nr, ref, key);
}

}  // namespace

KeyDescTable FileDesc::keyTable() const {
    KeyDescTable table{};
    std::copy(keys.begin(), keys.end(), table.begin());
    return table;
}

FileSetCloser::~FileSetCloser() {
    if (handle_ == 0) return;
    // Closing must not hide the outcome of the work the scope did.
    const bool ok = EngineOK;
    const int32_t code = EngineErrorCode;
    CloseFileSet(handle_);
    handle_ = 0;
    if (!ok) {
        EngineOK = false;
        EngineErrorCode = code;
    }
}

bool CreateFiles(std::string_view name, const FileDesc& desc) {
    CreateFileSet(name, desc.recordLength, desc.keyCount(), desc.keyTable());
    return EngineOK;
}

bool OpenFiles(FileSetHandle& handle, std::string_view name, const FileDesc& desc,
               bool createWhenMissing) {
    OpenFileSet(handle, name, false, false, false, true);
    if (EngineOK || !createWhenMissing || EngineErrorCode != EngineCode::NoSuchFileSet)
        return EngineOK;
    if (!CreateFiles(name, desc)) return false;
    OpenFileSet(handle, name, false, false, false, true);
    return EngineOK;
}

bool RebuildFiles(std::string_view name, const FileDesc& desc) {
    RestructureFile(name, desc.recordLength, desc.recordLength);
    if (!EngineOK) return false;
    KeyDescTable table = desc.keyTable();
    ReindexFile(name, desc.keyCount(), table, desc.buildKey);
    return EngineOK;
}

bool AddRecordWithKeys(FileSetHandle handle, const FileDesc& desc, std::span<uint8_t> record,
                       int32_t& ref) {
    return InBracket(handle, [&] {
        int32_t added = 0;
        AddRecord(handle, added, record);
        if (!EngineOK) return false;
        std::vector<std::pair<int, std::string>> done;
        for (int nr = 1; nr <= desc.keyCount(); ++nr) {
            std::string key = desc.buildKey(record, nr);
            AddKey(handle, nr, added, key);
            if (!EngineOK) {
                const EngineFailure failure;
                RemoveKeys(handle, added, done);
                DeleteRecord(handle, added);
                return failure.report();
            }
            done.emplace_back(nr, std::move(key));
        }
        ref = added;
        return true;
    });
}

bool UpdateRecordWithKeys(FileSetHandle handle, const FileDesc& desc, int32_t ref,
                          std::span<const uint8_t> before, std::span<uint8_t> record) {
    return InBracket(handle, [&] {
        std::vector<std::pair<int, std::string>> added, replaced;
        for (int nr = 1; nr <= desc.keyCount(); ++nr) {
            std::string oldKey = desc.buildKey(before, nr);
            std::string newKey = desc.buildKey(record, nr);
            if (oldKey == newKey) continue;
            // The new key first: a refused key leaves the record and its old keys as they were.
            AddKey(handle, nr, ref, newKey);
            if (!EngineOK) {
                const EngineFailure failure;
                RemoveKeys(handle, ref, added);
                return failure.report();
            }
            added.emplace_back(nr, std::move(newKey));
            replaced.emplace_back(nr, std::move(oldKey));
        }
        PutRecord(handle, ref, record);
        if (!EngineOK) {
            const EngineFailure failure;
            RemoveKeys(handle, ref, added);
            return failure.report();
        }
        for (const auto& [nr, key] : replaced) {
            DeleteKey(handle, nr, ref, key);
            // An old key already gone leaves nothing to remove.
            if (!EngineOK && EngineErrorCode != EngineCode::KeyToDeleteMissing) return false;
        }
        return true;
    });
}

bool DeleteRecordWithKeys(FileSetHandle handle, const FileDesc& desc, int32_t ref,
                          std::span<const uint8_t> record) {
    return InBracket(handle, [&] {
        for (int nr = 1; nr <= desc.keyCount(); ++nr) {
            DeleteKey(handle, nr, ref, desc.buildKey(record, nr));
            if (!EngineOK && EngineErrorCode != EngineCode::KeyToDeleteMissing) return false;
        }
        DeleteRecord(handle, ref);
        return EngineOK;
    });
}

int32_t FindExact(FileSetHandle handle, const FileDesc& desc, int keyNr, std::string_view key,
                  std::span<uint8_t> record, const RecordTest& accept) {
    if (record.size() != static_cast<std::size_t>(desc.recordLength)) {
        EngineOK = false;
        EngineErrorCode = EngineCode::BadArgument;
        return 0;
    }
    int32_t ref = 0;
    std::string found(key);
    std::vector<uint8_t> read(desc.recordLength);
    for (SearchKey(handle, keyNr, ref, found); EngineOK && found == key;
         NextKey(handle, keyNr, ref, found)) {
        ReadRecord(handle, ref, read);
        if (!EngineOK) return 0;
        if (desc.buildKey(read, keyNr) != key) {
            EngineOK = false;
            EngineErrorCode = EngineCode::IndexDefective;
            return 0;
        }
        if (!accept || accept(read)) {
            std::copy(read.begin(), read.end(), record.begin());
            return ref;
        }
    }
    // Past the last entry, or on another key: there is no such record.
    if (EngineOK || EngineErrorCode == EngineCode::NoNextKey ||
        EngineErrorCode == EngineCode::KeyNotFound) {
        EngineOK = false;
        EngineErrorCode = EngineCode::KeyNotFound;
    }
    return 0;
}

bool ForEachByKey(FileSetHandle handle, const FileDesc& desc, int keyNr,
                  const std::function<bool(int32_t ref, std::span<const uint8_t> record)>& visit) {
    ClearKeyPosition(handle, keyNr);
    if (!EngineOK) return false;
    std::vector<uint8_t> record(desc.recordLength);
    for (;;) {
        int32_t ref = 0;
        std::string key;
        NextKey(handle, keyNr, ref, key);
        if (!EngineOK) {
            if (EngineErrorCode != EngineCode::NoNextKey) return false;
            EngineOK = true;
            EngineErrorCode = 0;
            return true;
        }
        ReadRecord(handle, ref, record);
        if (!EngineOK) return false;
        if (!visit(ref, record)) return true;
    }
}
