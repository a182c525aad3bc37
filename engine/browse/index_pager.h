#pragma once
// Walks one index of a file set through a handle of its own, a few rows at a time, and turns
// index entries into rows: record read into a buffer of its own, filter asked, text built.
//
// The own handle is a duplicate of the owner's, taken for one paging step and closed after it:
// between steps the control holds nothing open, so an owner that closes its set has closed it
// (a rebuild refuses a set still open anywhere).

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/browse/row.h"
#include "engine/engine.h"

namespace browse {

// Keeps the engine status the owner last saw: paging runs between the owner's calls, and the
// owner's next test of EngineOK must be about its own call.
class EngineStatusKeeper {
public:
    EngineStatusKeeper() : ok_(EngineOK), code_(EngineErrorCode) {}
    ~EngineStatusKeeper() {
        EngineOK = ok_;
        EngineErrorCode = code_;
    }
    EngineStatusKeeper(const EngineStatusKeeper&) = delete;
    EngineStatusKeeper& operator=(const EngineStatusKeeper&) = delete;

private:
    bool ok_;
    int32_t code_;
};

struct PagingError {
    int errorClass = 0;
    int32_t code = 0;
    int32_t ref = 0;  // 0 when the index walk itself failed
};

class IndexPager {
public:
    // Whether a row is shown; an unreadable row comes with Status -1 and blank bytes.
    using Accept = std::function<bool(RR&, std::span<const uint8_t>)>;
    // Fills RR::BRLRowEltString.
    using Build = std::function<void(RR&, std::span<const uint8_t>)>;

    IndexPager(Accept accept, Build build);
    ~IndexPager();
    IndexPager(const IndexPager&) = delete;
    IndexPager& operator=(const IndexPager&) = delete;

    // Sets EngineOK and EngineErrorCode; on failure the pager is left unbound.
    bool bind(FileSetHandle owner, int keyNr, int32_t ownerRecordLength);
    void unbind();
    bool bound() const { return owner_ != 0; }

    bool setKeyNumber(int keyNr);
    int keyNumber() const { return keyNr_; }

    // Holds the own handle for one step; nests. False (and unbound) once the owner's set is
    // closed. Every call below needs one.
    class Attachment {
    public:
        explicit Attachment(IndexPager& pager) : pager_(pager), ok_(pager.attach()) {}
        ~Attachment() {
            if (ok_) pager_.detach();
        }
        Attachment(const Attachment&) = delete;
        Attachment& operator=(const Attachment&) = delete;
        explicit operator bool() const { return ok_; }

    private:
        IndexPager& pager_;
        bool ok_;
    };

    // The first shown row at or after (key, ref).
    std::optional<RR> firstFrom(const std::string& key, int32_t ref);
    // The last shown row before (key, ref).
    std::optional<RR> lastBefore(const std::string& key, int32_t ref);
    std::optional<RR> lastRow();
    // Up to n shown rows after / before `row`, nearest first. `row` itself need not exist
    // any more: the walk starts where it would be.
    std::vector<RR> after(const RR& row, int n);
    std::vector<RR> before(const RR& row, int n);

    bool contains(const std::string& key, int32_t ref);
    int32_t entryCount();
    bool keyRange(std::string& first, std::string& last);

    // Reads record `ref` into `dest` (at least the record length); `dest` changes only when
    // the read succeeds. Returns the engine error class and leaves the engine status set.
    int readRecord(int32_t ref, std::span<uint8_t> dest);

    // Errors of class 2 or more met since the last call, each (record, code) once while it
    // persists.
    std::vector<PagingError> takeErrors();

private:
    bool attach();
    void detach();
    bool attached() const { return handle_ != 0; }

    using Visit = std::function<bool(const std::string& key, int32_t ref)>;

    enum class Seek { Found, End, Failed };
    // Positions on the first entry >= (key, ref) and returns it in key and ref.
    Seek seek(std::string& key, int32_t& ref);
    void walkForward(const std::string& key, int32_t ref, bool inclusive, const Visit& visit);
    void walkBackward(const std::string* key, int32_t ref, const Visit& visit);
    // Visits entries one NextKey or PrevKey at a time until visit says stop or the index ends.
    void step(void (*move)(FileSetHandle, int, int32_t&, std::string&), std::string& key,
              int32_t& ref, const Visit& visit);
    std::optional<RR> makeRow(const std::string& key, int32_t ref);
    std::vector<RR> collect(const std::function<void(const Visit&)>& walk, int n);
    void noteIndexFailure();
    void noteError(int32_t ref);
    void forget(int32_t ref);

    Accept accept_;
    Build build_;
    FileSetHandle owner_ = 0;
    FileSetHandle handle_ = 0;  // while attached
    int depth_ = 0;
    int keyNr_ = 0;
    std::vector<uint8_t> rowBuffer_;
    std::vector<uint8_t> readBuffer_;  // separate: a filter may read while it holds rowBuffer_
    std::set<std::pair<int32_t, int32_t>> known_;  // (ref, code) already reported
    std::vector<PagingError> fresh_;
};

}  // namespace browse
