#include "shell/file_layer.h"

#include <QLabel>
#include <algorithm>
#include <optional>
#include <stdexcept>

#include "platform/form.h"
#include "platform/long_run.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "platform/status_window.h"
#include "shell/app_context.h"

namespace {

const QString CannotLock = QStringLiteral("Cannot get a lock.  Abort?");
const QString FilesInUse = QStringLiteral("The files are in use.  Abort?");
const QString RecordChanged = QStringLiteral("The record has changed in the meantime.");
const QString IndexDefective = QStringLiteral("Index file is defective.  Rebuild?");
const QString NewCompanyCaption = QStringLiteral("New Company");

constexpr int32_t ProgressEvery = 50;

// The engine's progress hook during a rebuild: the status window follows the run, and the
// window's Abort result stops it.
void RebuildStatusProgress(int state, int keyNr, int32_t read, int32_t written) {
    TStatForm* const form = StatForm;
    switch (state) {
        case 0:
            if (form) {
                form->show();
                form->raise();
            }
            ProcessPendingMessages();
            break;
        case 1:
            ProcessPendingMessages();
            if (form && form->ModalResult() == Modal::Abort) {
                EngineOK = false;
                return;
            }
            if (form && read % ProgressEvery == 0) {
                form->Label1->setText(QString::asprintf("Key number: %d", keyNr));
                form->Label2->setText(QString::asprintf("Records read: %d", read));
                form->Label3->setText(QString::asprintf("Records written: %d", written));
            }
            break;
        case 2:
            if (form) form->hide();
            break;
        default:
            break;
    }
}

// Each of `every` (ascending) once, or the order is unusable.
std::vector<int> CheckedOrder(std::vector<int> order, const std::vector<int>& fallback,
                              const std::vector<int>& every) {
    if (order.empty()) return fallback;
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    if (sorted != every) throw std::logic_error("key order must name every key once");
    return order;
}

}  // namespace

bool FileLocked() {
    // A full disk or a read-only folder is no lock: waiting would not help.
    return EngineErrorClass() == 2 && EngineErrorCode != EngineCode::IoError;
}

int CompareBytes(std::span<const uint8_t> a, std::span<const uint8_t> b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (i >= a.size() || i >= b.size()) {
            if (a.size() == b.size()) return 0;
            return a.size() > b.size() ? 1 : -1;
        }
        if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
    }
    return 0;
}

DataFile::DataFile(DataFileDesc desc) : d_(std::move(desc)) {
    if (!d_.handle || !d_.buffer || !d_.file.buildKey || d_.file.keyCount() == 0)
        throw std::logic_error("a data file needs a handle, a buffer and its keys");
    // The partial keys go with the record writes, in no order of the whole-record steps.
    const std::vector<int> plain = d_.file.wholeRecordKeys();
    d_.addOrder = CheckedOrder(std::move(d_.addOrder), plain, plain);
    d_.changeOrder = CheckedOrder(std::move(d_.changeOrder), d_.addOrder, plain);
}

std::string DataFile::BuildKey(std::span<const uint8_t> record, int keyNr) const {
    return d_.file.buildKey(record, keyNr);
}

std::string DataFile::OpenName() const {
    const std::string name = Shell().companies.fileStem() + d_.letters;
    return Shell().folder.fileSet(name.substr(0, d_.openNameLength));
}

std::string DataFile::CreateName() const {
    const std::string name = Shell().companies.fileStem() + d_.letters;
    return Shell().folder.fileSet(name.substr(0, d_.createNameLength));
}

bool DataFile::AskYes(const QString& text) const {
    return MessageBox(text, d_.promptCaption, MsgIcon::Question, MsgButtons::YesNo) ==
           MsgResult::Yes;
}

bool DataFile::LockAbort() const {
    const bool locked = FileLocked();
    if (d_.lockFlag) d_.lockFlag() = locked ? 1 : 0;
    return locked && AskYes(CannotLock);
}

bool DataFile::RetryLocked(const std::function<void()>& call) const {
    for (;;) {
        call();
        // The flag follows every call, a success included. Not a lock: no point asking.
        // A lock: the user decides whether to try again.
        if (LockAbort()) return false;
        if (EngineOK) return true;
        if (!FileLocked()) return false;
    }
}

bool DataFile::InLockedSet(const std::function<bool()>& body) const {
    return InBracket(handle(), body, [this] {
        for (;;) {
            LockFileSet(handle());
            if (EngineOK) return true;
            // Only a set in use is worth waiting for; a bad handle never gets better.
            if (!FileLocked() || AskYes(FilesInUse)) return false;
        }
    });
}

KeyedSet DataFile::Set() const {
    return KeyedSet(handle(), d_.file,
                    [this](const std::function<void()>& call) { return RetryLocked(call); });
}

bool DataFile::AddRec(std::span<const uint8_t> record, int32_t& ref) const {
    return Set().AddRec(record, ref);
}

bool DataFile::PutRec(std::span<const uint8_t> record, int32_t ref) const {
    return Set().PutRec(record, ref);
}

bool DataFile::ReadRec(int32_t ref, std::span<uint8_t> record) const {
    // Walks read many records one by one: no record-and-keys steps to set up for a read.
    return RetryLocked([&] { ReadRecord(handle(), ref, record); });
}

bool DataFile::DeleteRec(int32_t ref) const {
    return Set().DeleteRec(ref);
}

bool DataFile::AddKey(std::string_view key, int32_t ref, int keyNr) const {
    return Set().AddKey(key, ref, keyNr);
}

bool DataFile::DeleteKey(std::string_view key, int32_t ref, int keyNr) const {
    return Set().DeleteKey(key, ref, keyNr);
}

bool DataFile::ChangeKey(std::string_view oldKey, std::string_view newKey, int32_t ref,
                         int keyNr) const {
    return Set().ChangeKey(oldKey, newKey, ref, keyNr);
}

bool DataFile::AddRecord(int32_t& ref) const {
    const std::span<uint8_t> record = buffer();
    if (static_cast<int32_t>(record.size()) != recordLength())
        return FailWithCode(EngineCode::BadArgument);
    return InLockedSet([&] { return Set().Add(record, ref, d_.addOrder); });
}

bool DataFile::UpdateRecord(int32_t ref, std::span<const uint8_t> readForEditing) const {
    const std::span<uint8_t> record = buffer();
    const auto length = static_cast<std::size_t>(recordLength());
    if (record.size() != length) return FailWithCode(EngineCode::BadArgument);
    if (d_.compareOnUpdate) {
        if (readForEditing.size() != length) return FailWithCode(EngineCode::BadArgument);
        if (CompareBytes(record, readForEditing, length) == 0) {
            ClearEngineStatus();
            return true;
        }
    }
    bool changedMeanwhile = false;
    const bool ok = InLockedSet([&] {
        const KeyedSet set = Set();
        // Into a work record: the buffer holds the user's edits.
        std::vector<uint8_t> stored(length);
        if (!set.ReadLive(ref, stored)) return false;
        if (d_.compareOnUpdate && CompareBytes(stored, readForEditing, length) != 0) {
            changedMeanwhile = true;
            return false;
        }
        return set.Replace(ref, stored, record, d_.changeOrder);
    });
    if (changedMeanwhile) MessageBox(RecordChanged, d_.promptCaption, MsgIcon::Warning);
    return ok;
}

bool DataFile::DeleteRecord(int32_t ref) const {
    return InLockedSet([&] { return Set().Remove(ref); });
}

bool DataFile::HasCompany() const {
    return !Shell().companies.fileStem().empty();
}

bool DataFile::Create() const {
    if (!HasCompany()) return FailWithCode(EngineCode::BadArgument);
    return CreateFiles(CreateName(), d_.file);
}

bool DataFile::Open() const {
    FileSetHandle& h = handle();
    if (h != 0 && IsFileSetOpen(h)) {
        ClearEngineStatus();
        return true;
    }
    // Without a current company the name would be the letters alone.
    if (!HasCompany()) return FailWithCode(EngineCode::BadArgument);
    bool created = false;
    for (;;) {
        OpenFileSet(h, OpenName(), false, false, false, true);
        if (EngineOK) return AddMissingIndexes();
        const int32_t code = EngineErrorCode;
        if (code == EngineCode::IndexDefective) {
            if (!AskYes(IndexDefective)) return FailWithCode(code);
            if (!Rebuild()) return false;
            continue;
        }
        if (code == EngineCode::NoSuchFileSet && !created) {
            if (d_.missing == MissingFileSet::AskNewCompany &&
                MessageBox(d_.newCompanyText, NewCompanyCaption, MsgIcon::Information,
                           MsgButtons::Ok) != MsgResult::Ok)
                return FailWithCode(code);
            if (!Create()) return false;
            created = true;
            continue;
        }
        return false;
    }
}

void DataFile::Close() const {
    FileSetHandle& h = handle();
    if (h != 0) CloseFileSet(h);
    h = 0;
}

bool DataFile::WithRebuildStatus(const std::function<bool()>& rebuild) const {
    const ScopedAssign<RebuildProgress> hook(RebuildProgressProc, RebuildStatusProgress);
    std::optional<StatFormShown> shown;
    if (StatForm) {
        StatForm->setWindowTitle(d_.rebuildCaption);
        // An Abort left from an earlier run must not stop this one.
        StatForm->SetModalResult(Modal::None);
        ClearRebuildStatus();
        shown.emplace();
    }
    return rebuild();
}

bool DataFile::Rebuild() const {
    return WithRebuildStatus([this] { return RebuildFiles(CreateName(), d_.file); });
}

bool DataFile::AddMissingIndexes() const {
    FileSetHandle& h = handle();
    const int held = KeyCount(h);
    ClearEngineStatus();
    // Only indexes of our own can be missing from a sound set; a unit of work in progress
    // keeps its sets as they are (the set then goes on without them for now).
    if (held >= d_.file.keyCount() || held < static_cast<int>(d_.file.wholeRecordKeys().size()) ||
        InUnit())
        return true;
    // Refused while another handle has the set open: a later open tries again. One that
    // failed for another reason (a full disk) is not tried again in this run: each try reads
    // every record.
    const std::string name = OpenName();
    if (reindexFailed_.count(name)) return true;
    CloseFileSet(h);
    if (!WithRebuildStatus([this] { return ReindexFiles(CreateName(), d_.file); }) &&
        EngineErrorCode != EngineCode::FileInUse)
        reindexFailed_.insert(name);
    OpenFileSet(h, name, false, false, false, true);
    return EngineOK;
}

bool DataFile::Search(std::string_view key, int32_t& ref, int keyNr, std::string* found) const {
    std::string at;
    const bool ok = RetryLocked([&] {
        ref = 0;
        at = key;
        SearchKey(handle(), keyNr, ref, at);
    });
    if (found) *found = at;
    return ok;
}

int32_t DataFile::Find(int keyNr, std::string_view key, std::span<uint8_t> record,
                       const RecordTest& accept) const {
    int32_t ref = 0;
    RetryLocked([&] { ref = FindExact(handle(), d_.file, keyNr, key, record, accept); });
    return ref;
}

bool DataFile::KeyInUse(int keyNr, std::string_view key) const {
    FileSetHandle& h = handle();
    std::optional<FileSetCloser> closer;
    if (h == 0 || !IsFileSetOpen(h)) {
        if (!HasCompany()) return false;
        OpenFileSet(h, OpenName(), false, false, false, true);
        if (!EngineOK) return EngineErrorCode != EngineCode::NoSuchFileSet;
        closer.emplace(h);
    }
    std::vector<uint8_t> record(recordLength());
    if (Find(keyNr, key, record) != 0) return true;
    return EngineErrorCode != EngineCode::KeyNotFound;
}
