#include "shell/record_file.h"

#include <algorithm>
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

KeyDescTable FileDesc::keyTable() const {
    KeyDescTable table{};
    if (keys.size() > table.size()) throw std::logic_error("more keys than an index file holds");
    std::copy(keys.begin(), keys.end(), table.begin());
    return table;
}

namespace {

std::vector<int> KeysWhere(const FileDesc& desc, bool partial) {
    std::vector<int> numbers;
    for (int nr = 1; nr <= desc.keyCount(); ++nr)
        if (desc.isPartial(nr) == partial) numbers.push_back(nr);
    return numbers;
}

}  // namespace

std::vector<int> FileDesc::wholeRecordKeys() const {
    return KeysWhere(*this, false);
}

std::vector<int> FileDesc::partialKeys() const {
    return KeysWhere(*this, true);
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

bool RebuildFiles(std::string_view name, const FileDesc& desc, RestructureReport* report) {
    RestructureFile(name, desc.recordLength, desc.recordLength, {}, report);
    if (!EngineOK) return false;
    return ReindexFiles(name, desc);
}

bool ReindexFiles(std::string_view name, const FileDesc& desc) {
    const KeyDescTable table = desc.keyTable();
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
    return desc_.wholeRecordKeys();
}

std::vector<int> KeyedSet::PartialKeysOfSet() const {
    std::vector<int> partial = desc_.partialKeys();
    if (partial.empty()) return partial;
    const int held = KeyCount(handle_);
    std::erase_if(partial, [held](int nr) { return nr > held; });
    return partial;
}

std::vector<int> KeyedSet::PartialKeysAt(int32_t ref) const {
    return ref > 0 ? PartialKeysOfSet() : std::vector<int>{};
}

bool KeyedSet::AddKeys(std::span<const uint8_t> record, int32_t ref,
                       std::span<const int> keys) const {
    KeyEntries added;
    for (const int nr : keys) {
        std::string key = desc_.buildKey(record, nr);
        if (!AddKey(key, ref, nr)) {
            const EngineFailure failure;
            for (const auto& [addedNr, addedKey] : added) DeleteKey(addedKey, ref, addedNr);
            return failure.report();
        }
        added.emplace_back(nr, std::move(key));
    }
    return true;
}

bool KeyedSet::ReplaceKeys(int32_t ref, std::span<const uint8_t> from, std::span<const uint8_t> to,
                           std::span<const int> keys) const {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int nr = keys[i];
        if (!ChangeKey(desc_.buildKey(from, nr), desc_.buildKey(to, nr), ref, nr))
            return ChangeBack(ref, to, from, keys.first(i));
    }
    return true;
}

bool KeyedSet::ChangeBack(int32_t ref, std::span<const uint8_t> from, std::span<const uint8_t> to,
                          std::span<const int> keys) const {
    const EngineFailure failure;
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
        ChangeKey(desc_.buildKey(from, *it), desc_.buildKey(to, *it), ref, *it);
    return failure.report();
}

bool KeyedSet::RemoveKeys(int32_t ref, std::span<const uint8_t> stored, std::span<const int> keys,
                          KeyEntries& removed) const {
    for (const int nr : keys) {
        std::string key = desc_.buildKey(stored, nr);
        if (DeleteKey(key, ref, nr)) {
            removed.emplace_back(nr, std::move(key));
            continue;
        }
        if (EngineErrorCode != EngineCode::KeyToDeleteMissing) return PutBack(ref, removed);
        ClearEngineStatus();
    }
    return true;
}

bool KeyedSet::PutBack(int32_t ref, const KeyEntries& removed) const {
    const EngineFailure failure;
    for (const auto& [nr, key] : removed) AddKey(key, ref, nr);
    return failure.report();
}

bool KeyedSet::AddRec(std::span<const uint8_t> record, int32_t& ref) const {
    // The engine writes its own bytes into the buffer it is given.
    std::vector<uint8_t> copy(record.begin(), record.end());
    const std::vector<int> partial = PartialKeysOfSet();
    if (partial.empty()) return Run([&] { AddRecord(handle_, ref, copy); });
    return InBracket(handle_, [&] {
        int32_t added = 0;
        if (!Run([&] { AddRecord(handle_, added, copy); })) return false;
        if (!AddKeys(record, added, partial)) {
            const EngineFailure failure;
            Run([&] { DeleteRecord(handle_, added); });
            return failure.report();
        }
        ref = added;
        return true;
    });
}

bool KeyedSet::PutRec(std::span<const uint8_t> record, int32_t ref) const {
    const std::vector<int> partial = PartialKeysAt(ref);
    if (partial.empty()) return WriteOver(ref, {}, record, partial);
    return InBracket(handle_, [&] {
        std::vector<uint8_t> stored(desc_.recordLength);
        return ReadLive(ref, stored) && WriteOver(ref, stored, record, partial);
    });
}

bool KeyedSet::WriteOver(int32_t ref, std::span<const uint8_t> stored,
                         std::span<const uint8_t> record, std::span<const int> partial) const {
    std::vector<uint8_t> copy(record.begin(), record.end());
    if (!ReplaceKeys(ref, stored, record, partial)) return false;
    if (Run([&] { PutRecord(handle_, ref, copy); })) return true;
    return ChangeBack(ref, record, stored, partial);
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
    const std::vector<int> partial = PartialKeysAt(ref);
    if (partial.empty()) return DeleteFrom(ref, {}, partial);
    return InBracket(handle_, [&] {
        std::vector<uint8_t> stored(desc_.recordLength);
        return ReadLive(ref, stored) && DeleteFrom(ref, stored, partial);
    });
}

bool KeyedSet::DeleteFrom(int32_t ref, std::span<const uint8_t> stored,
                          std::span<const int> partial) const {
    KeyEntries removed;
    if (!RemoveKeys(ref, stored, partial, removed)) return false;
    if (Run([&] { DeleteRecord(handle_, ref); })) return true;
    return PutBack(ref, removed);
}

bool KeyedSet::AddKey(std::string_view key, int32_t ref, int keyNr) const {
    if (key.empty() && desc_.isPartial(keyNr)) {
        ClearEngineStatus();
        return true;
    }
    const std::string_view cut = key.substr(0, MaxKeyLength);
    return Run([&] { ::AddKey(handle_, keyNr, ref, cut); });
}

bool KeyedSet::DeleteKey(std::string_view key, int32_t ref, int keyNr) const {
    if (key.empty() && desc_.isPartial(keyNr)) {
        ClearEngineStatus();
        return true;
    }
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
    if (!AddKeys(record, added, Order(order))) {
        const EngineFailure failure;
        DeleteRec(added);
        return failure.report();
    }
    ref = added;
    return true;
}

bool KeyedSet::Replace(int32_t ref, std::span<const uint8_t> stored,
                       std::span<const uint8_t> record, std::span<const int> order) const {
    const std::vector<int> keys = Order(order);
    if (!ReplaceKeys(ref, stored, record, keys)) return false;
    if (WriteOver(ref, stored, record, PartialKeysAt(ref))) return true;
    return ChangeBack(ref, record, stored, keys);
}

bool KeyedSet::Remove(int32_t ref) const {
    // The keys come from the record as stored, whatever the caller holds.
    std::vector<uint8_t> stored(desc_.recordLength);
    if (!ReadLive(ref, stored)) return false;
    KeyEntries removed;
    if (!RemoveKeys(ref, stored, Order({}), removed)) return false;
    // A record is freed only once no key points at it.
    if (!DeleteFrom(ref, stored, PartialKeysAt(ref))) return PutBack(ref, removed);
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
