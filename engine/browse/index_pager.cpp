#include "engine/browse/index_pager.h"

#include <algorithm>

namespace browse {

namespace {

// A slot whose first four bytes are set holds a deleted record; the engine reads it all the
// same, but an index entry pointing at it is out of step and its bytes are no record.
bool deleted(std::span<const uint8_t> record) {
    return record.size() >= 4 && (record[0] | record[1] | record[2] | record[3]) != 0;
}

bool entryBefore(const std::string& key, int32_t ref, const std::string& limitKey,
                 int32_t limitRef) {
    const int c = key.compare(limitKey);
    return c < 0 || (c == 0 && ref < limitRef);
}

void failWith(int32_t code) {
    EngineOK = false;
    EngineErrorCode = code;
}

}  // namespace

IndexPager::IndexPager(Accept accept, Build build)
    : accept_(std::move(accept)), build_(std::move(build)) {}

IndexPager::~IndexPager() {
    unbind();
}

bool IndexPager::bind(FileSetHandle owner, int keyNr, int32_t ownerRecordLength) {
    unbind();
    if (!IsFileSetOpen(owner)) {
        failWith(EngineCode::BadHandle);
        return false;
    }
    const int keys = KeyCount(owner);
    const int32_t length = RecordLength(owner);
    if (keyNr < 1 || keyNr > keys || length <= 0 || ownerRecordLength < length) {
        failWith(EngineCode::BadArgument);
        return false;
    }
    owner_ = owner;
    keyNr_ = keyNr;
    rowBuffer_.assign(static_cast<size_t>(length), 0);
    readBuffer_.assign(static_cast<size_t>(length), 0);
    known_.clear();
    fresh_.clear();
    EngineOK = true;
    EngineErrorCode = 0;
    return true;
}

void IndexPager::unbind() {
    if (attached()) {
        const EngineStatusKeeper keep;
        CloseFileSet(handle_);
    }
    handle_ = 0;
    depth_ = 0;
    owner_ = 0;
    keyNr_ = 0;
    known_.clear();
    fresh_.clear();
}

bool IndexPager::attach() {
    if (!bound()) return false;
    if (depth_ > 0) {
        ++depth_;
        return true;
    }
    if (!IsFileSetOpen(owner_)) {
        unbind();
        return false;
    }
    DuplicateFileSetHandle(owner_, handle_);
    if (!EngineOK) return false;
    depth_ = 1;
    return true;
}

void IndexPager::detach() {
    if (depth_ == 0 || --depth_ > 0) return;
    const EngineStatusKeeper keep;
    CloseFileSet(handle_);
}

bool IndexPager::setKeyNumber(int keyNr) {
    if (!bound()) {
        failWith(EngineCode::BadHandle);
        return false;
    }
    if (keyNr < 1 || keyNr > KeyCount(owner_)) {
        failWith(EngineCode::BadArgument);
        return false;
    }
    keyNr_ = keyNr;
    known_.clear();
    EngineOK = true;
    EngineErrorCode = 0;
    return true;
}

IndexPager::Seek IndexPager::seek(std::string& key, int32_t& ref) {
    const std::string wantKey = key;
    const int32_t wantRef = ref;
    SearchKey(handle_, keyNr_, ref, key);
    // Among equal keys the Ref decides; step over the ones before the wanted Ref should the
    // search have landed on the first of them.
    while (EngineOK && entryBefore(key, ref, wantKey, wantRef)) NextKey(handle_, keyNr_, ref, key);
    if (!EngineOK) {
        noteIndexFailure();
        return EngineErrorClass() >= 2 ? Seek::Failed : Seek::End;
    }
    forget(0);
    return Seek::Found;
}

void IndexPager::walkForward(const std::string& fromKey, int32_t fromRef, bool inclusive,
                             const Visit& visit) {
    std::string key = fromKey;
    int32_t ref = fromRef;
    if (seek(key, ref) != Seek::Found) return;
    if ((inclusive || key != fromKey || ref != fromRef) && !visit(key, ref)) return;
    step(NextKey, key, ref, visit);
}

void IndexPager::walkBackward(const std::string* fromKey, int32_t fromRef, const Visit& visit) {
    std::string key = fromKey ? *fromKey : std::string();
    int32_t ref = fromRef;
    // PrevKey steps back from the entry last returned: from the first entry at or after the
    // start point, or from the end when there is none.
    const Seek start = fromKey ? seek(key, ref) : Seek::End;
    if (start == Seek::Failed) return;
    if (start == Seek::End) ClearKeyPosition(handle_, keyNr_);
    step(PrevKey, key, ref, visit);
}

void IndexPager::step(void (*move)(FileSetHandle, int, int32_t&, std::string&), std::string& key,
                      int32_t& ref, const Visit& visit) {
    for (;;) {
        move(handle_, keyNr_, ref, key);
        if (!EngineOK) {
            noteIndexFailure();
            return;
        }
        if (!visit(key, ref)) return;
    }
}

std::optional<RR> IndexPager::makeRow(const std::string& key, int32_t ref) {
    RR row;
    row.Key = key.substr(0, RR::MaxKeyLength);
    row.Ref = ref;
    ReadRecord(handle_, ref, rowBuffer_);
    if (EngineOK) forget(ref);
    if (!EngineOK || deleted(rowBuffer_)) {
        noteError(ref);
        row.Status = -1;
        // Owners index into the bytes without looking at Status; give them blank ones.
        std::fill(rowBuffer_.begin(), rowBuffer_.end(), 0);
    }
    const RR found = row;
    if (accept_ && !accept_(row, rowBuffer_)) return std::nullopt;
    row = found;  // the owner fills the text only; the position stays ours
    if (build_) {
        build_(row, rowBuffer_);
        row.Key = found.Key;
        row.Ref = found.Ref;
        row.Status = found.Status;
    }
    if (row.BRLRowEltString.size() > RR::MaxTextLength)
        row.BRLRowEltString.resize(RR::MaxTextLength);
    return row;
}

std::vector<RR> IndexPager::collect(const std::function<void(const Visit&)>& walk, int n) {
    std::vector<RR> rows;
    if (!attached() || n <= 0) return rows;
    walk([&](const std::string& key, int32_t ref) {
        if (auto row = makeRow(key, ref)) rows.push_back(std::move(*row));
        return static_cast<int>(rows.size()) < n;
    });
    return rows;
}

std::optional<RR> IndexPager::firstFrom(const std::string& key, int32_t ref) {
    auto rows = collect([&](const Visit& v) { walkForward(key, ref, true, v); }, 1);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::optional<RR> IndexPager::lastBefore(const std::string& key, int32_t ref) {
    auto rows = collect([&](const Visit& v) { walkBackward(&key, ref, v); }, 1);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::optional<RR> IndexPager::lastRow() {
    auto rows = collect([&](const Visit& v) { walkBackward(nullptr, 0, v); }, 1);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::vector<RR> IndexPager::after(const RR& row, int n) {
    return collect([&](const Visit& v) { walkForward(row.Key, row.Ref, false, v); }, n);
}

std::vector<RR> IndexPager::before(const RR& row, int n) {
    return collect([&](const Visit& v) { walkBackward(&row.Key, row.Ref, v); }, n);
}

bool IndexPager::contains(const std::string& key, int32_t ref) {
    if (!attached()) return false;
    std::string found = key;
    int32_t foundRef = ref;
    return seek(found, foundRef) == Seek::Found && found == key && foundRef == ref;
}

int32_t IndexPager::entryCount() {
    if (!attached()) return 0;
    const int32_t n = IndexKeyCount(handle_, keyNr_);
    return EngineOK ? n : 0;
}

bool IndexPager::keyRange(std::string& first, std::string& last) {
    if (!attached()) return false;
    int32_t ref = 0;
    ClearKeyPosition(handle_, keyNr_);
    NextKey(handle_, keyNr_, ref, first);
    if (!EngineOK) return false;
    ClearKeyPosition(handle_, keyNr_);
    PrevKey(handle_, keyNr_, ref, last);
    return EngineOK;
}

int IndexPager::readRecord(int32_t ref, std::span<uint8_t> dest) {
    if (!attached()) {
        failWith(EngineCode::BadHandle);
        return EngineErrorClass();
    }
    if (dest.size() < readBuffer_.size()) {
        failWith(EngineCode::BadArgument);
        return EngineErrorClass();
    }
    ReadRecord(handle_, ref, readBuffer_);
    if (EngineOK && deleted(readBuffer_)) failWith(EngineCode::RecordDeleted);
    if (!EngineOK) return EngineErrorClass();
    std::copy(readBuffer_.begin(), readBuffer_.end(), dest.begin());
    return 0;
}

std::vector<PagingError> IndexPager::takeErrors() {
    return std::exchange(fresh_, {});
}

void IndexPager::noteIndexFailure() {
    if (EngineErrorClass() >= 2) noteError(0);
}

void IndexPager::noteError(int32_t ref) {
    const int cls = EngineErrorClass();
    if (cls < 2) return;
    if (known_.emplace(ref, EngineErrorCode).second) fresh_.push_back({cls, EngineErrorCode, ref});
}

void IndexPager::forget(int32_t ref) {
    if (known_.empty()) return;
    const auto from = known_.lower_bound({ref, INT32_MIN});
    const auto to = known_.upper_bound({ref, INT32_MAX});
    known_.erase(from, to);
}

}  // namespace browse
