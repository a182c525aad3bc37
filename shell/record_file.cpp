#include "shell/record_file.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "engine/record_fields.h"

void ClearEngineStatus() {
    EngineOK = true;
    EngineErrorCode = 0;
}

bool FailWithCode(int32_t code) {
    EngineOK = false;
    EngineErrorCode = code;
    return false;
}

#include "platform/scope_guard.h"

EngineFailure::EngineFailure() : code_(EngineErrorCode), systemError_(EngineSystemError) {}

bool EngineFailure::report() const {
    EngineOK = false;
    EngineErrorCode = code_;
    EngineSystemError = systemError_;
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

struct KeyChange {
    int keyNr;
    std::string oldKey;
    std::string newKey;
};

}  // namespace

KeyDescTable FileDesc::keyTable() const {
    KeyDescTable table{};
    if (keys.size() > table.size()) throw std::logic_error("more keys than an index file holds");
    std::copy(keys.begin(), keys.end(), table.begin());
    return table;
}

FileSetCloser::~FileSetCloser() {
    if (handle_ == 0) return;
    // Closing must not hide the outcome of the work the scope did.
    const bool ok = EngineOK;
    const EngineFailure failure;
    CloseFileSet(handle_);
    handle_ = 0;
    if (!ok) failure.report();
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

KeyedSet::KeyedSet(FileSetHandle handle, const FileDesc& desc, EngineCallRunner run)
    : handle_(handle), desc_(desc), run_(std::move(run)) {}

bool KeyedSet::Run(const std::function<void()>& call) const {
    if (run_) return run_(call);
    call();
    return EngineOK;
}

std::vector<int> KeyedSet::Order(std::span<const int> order) const {
    if (!order.empty()) return {order.begin(), order.end()};
    std::vector<int> all(desc_.keyCount());
    std::iota(all.begin(), all.end(), 1);
    return all;
}

bool KeyedSet::AddRec(std::span<const uint8_t> record, int32_t& ref) const {
    // The engine writes its own bytes into the buffer it is given.
    std::vector<uint8_t> copy(record.begin(), record.end());
    return Run([&] { AddRecord(handle_, ref, copy); });
}

bool KeyedSet::PutRec(std::span<const uint8_t> record, int32_t ref) const {
    std::vector<uint8_t> copy(record.begin(), record.end());
    return Run([&] { PutRecord(handle_, ref, copy); });
}

bool KeyedSet::ReadRec(int32_t ref, std::span<uint8_t> record) const {
    return Run([&] { ReadRecord(handle_, ref, record); });
}

bool KeyedSet::ReadLive(int32_t ref, std::span<uint8_t> record) const {
    if (!ReadRec(ref, record)) return false;
    if (fields::ReadI32(record, 0) != 0) return FailWithCode(EngineCode::RecordDeleted);
    return true;
}

bool KeyedSet::DeleteRec(int32_t ref) const {
    return Run([&] { DeleteRecord(handle_, ref); });
}

bool KeyedSet::AddKey(std::string_view key, int32_t ref, int keyNr) const {
    const std::string_view cut = key.substr(0, MaxKeyLength);
    return Run([&] { ::AddKey(handle_, keyNr, ref, cut); });
}

bool KeyedSet::DeleteKey(std::string_view key, int32_t ref, int keyNr) const {
    const std::string_view cut = key.substr(0, MaxKeyLength);
    return Run([&] { ::DeleteKey(handle_, keyNr, ref, cut); });
}

bool KeyedSet::ChangeKey(std::string_view oldKey, std::string_view newKey, int32_t ref,
                         int keyNr) const {
    if (oldKey == newKey) return true;
    if (!AddKey(newKey, ref, keyNr)) return false;
    if (DeleteKey(oldKey, ref, keyNr)) return true;
    if (EngineErrorCode == EngineCode::KeyToDeleteMissing) {
        ClearEngineStatus();
        return true;
    }
    // The old key stays: the new one must go again, or the record would have two.
    const EngineFailure failure;
    DeleteKey(newKey, ref, keyNr);
    return failure.report();
}

bool KeyedSet::Add(std::span<const uint8_t> record, int32_t& ref,
                   std::span<const int> order) const {
    int32_t added = 0;
    if (!AddRec(record, added)) return false;
    std::vector<std::pair<int, std::string>> done;
    for (const int nr : Order(order)) {
        std::string key = desc_.buildKey(record, nr);
        if (!AddKey(key, added, nr)) {
            const EngineFailure failure;
            for (const auto& [doneNr, doneKey] : done) DeleteKey(doneKey, added, doneNr);
            DeleteRec(added);
            return failure.report();
        }
        done.emplace_back(nr, std::move(key));
    }
    ref = added;
    return true;
}

bool KeyedSet::Replace(int32_t ref, std::span<const uint8_t> stored,
                       std::span<const uint8_t> record, std::span<const int> order) const {
    std::vector<KeyChange> replaced;
    const auto changeBack = [&] {
        const EngineFailure failure;
        for (auto it = replaced.rbegin(); it != replaced.rend(); ++it)
            ChangeKey(it->newKey, it->oldKey, ref, it->keyNr);
        return failure.report();
    };
    for (const int nr : Order(order)) {
        KeyChange change{nr, desc_.buildKey(stored, nr), desc_.buildKey(record, nr)};
        if (!ChangeKey(change.oldKey, change.newKey, ref, nr)) return changeBack();
        replaced.push_back(std::move(change));
    }
    if (!PutRec(record, ref)) return changeBack();
    return true;
}

bool KeyedSet::Remove(int32_t ref) const {
    // The keys come from the record as stored, whatever the caller holds.
    std::vector<uint8_t> stored(desc_.recordLength);
    if (!ReadLive(ref, stored)) return false;
    std::vector<std::pair<int, std::string>> removed;
    const auto putBack = [&] {
        const EngineFailure failure;
        for (const auto& [nr, key] : removed) AddKey(key, ref, nr);
        return failure.report();
    };
    for (int nr = 1; nr <= desc_.keyCount(); ++nr) {
        std::string key = desc_.buildKey(stored, nr);
        if (DeleteKey(key, ref, nr)) {
            removed.emplace_back(nr, std::move(key));
            continue;
        }
        if (EngineErrorCode != EngineCode::KeyToDeleteMissing) return putBack();
        ClearEngineStatus();
    }
    // A record is freed only once no key points at it.
    if (!DeleteRec(ref)) return putBack();
    return true;
}

bool AddRecordWithKeys(FileSetHandle handle, const FileDesc& desc, std::span<uint8_t> record,
                       int32_t& ref) {
    return InBracket(handle, [&] { return KeyedSet(handle, desc).Add(record, ref); });
}

bool UpdateRecordWithKeys(FileSetHandle handle, const FileDesc& desc, int32_t ref,
                          std::span<const uint8_t> before, std::span<uint8_t> record) {
    return InBracket(handle, [&] { return KeyedSet(handle, desc).Replace(ref, before, record); });
}

bool DeleteRecordWithKeys(FileSetHandle handle, const FileDesc& desc, int32_t ref) {
    return InBracket(handle, [&] { return KeyedSet(handle, desc).Remove(ref); });
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
