#include "shell/file_layer.h"

#include <QLabel>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>

#include "platform/form.h"
#include "platform/long_run.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "platform/status_window.h"
#include "shell/app_context.h"
#include "shell/posting_unit.h"

namespace {

const QString CannotLock = QStringLiteral("Cannot get a lock.  Abort?");
const QString FilesInUse = QStringLiteral("The files are in use.  Abort?");
const QString RecordChanged = QStringLiteral("The record has changed in the meantime.");
const QString IndexDefective = QStringLiteral("Index file is defective.  Rebuild?");
const QString NewCompanyCaption = QStringLiteral("New Company");
const QString ConfirmCaption = QStringLiteral("Please Confirm");
const QString RebuildCaption = QStringLiteral("Rebuild Status");
constexpr size_t RecordsNamed = 10;

// The sets declined or failed while a OneRebuildQuestion lives (the outermost one counts);
// none outside one.
std::set<std::string> declinedSets;
int questionScopes = 0;

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

QString DataFileName(const RebuildTarget& set) {
    return QString::fromStdString(std::filesystem::path(set.rebuildName).filename().string()) +
           ".DAT";
}

// "record 17", "records 17, 18 and 20", at most RecordsNamed of them.
QString RecordNumbers(const std::vector<uint32_t>& refs) {
    QStringList numbers;
    for (size_t i = 0; i < refs.size() && i < RecordsNamed; ++i)
        numbers << QString::number(refs[i]);
    if (refs.size() > RecordsNamed)
        numbers << QString("%1 more").arg(refs.size() - RecordsNamed);
    if (numbers.size() == 1) return "record " + numbers.front();
    const QString last = numbers.takeLast();
    return "records " + numbers.join(", ") + " and " + last;
}

// What a damaged data file lost in its rebuild, and where its old bytes are.
QString DamageText(const RebuildTarget& set, const RestructureReport& found) {
    QString text = QString("The data file %1 (%2) was damaged").arg(DataFileName(set), set.caption);
    if (found.headerDamaged)
        text += ": its header could not be read, so its records were taken from the file alone.";
    else if (found.cutShort)
        text += ": it was cut short.";
    else
        text += ".";
    if (!found.damagedSlots.empty())
        text += QString(" The status bytes of %1 said neither live nor deleted; %2 left out.")
                    .arg(RecordNumbers(found.damagedSlots),
                         found.damagedSlots.size() == 1 ? "it was" : "they were");
    if (found.expected >= 0 && found.expected != found.kept)
        text += QString(" %1 of the %2 records it counted %3 kept.")
                    .arg(found.kept)
                    .arg(found.expected)
                    .arg(found.kept == 1 ? "was" : "were");
    else
        text += QString(" %1 %2 kept.").arg(found.kept).arg(found.kept == 1 ? "record was"
                                                                         : "records were");
    const QString saved = QString::fromStdString(found.savedAs);
    if (found.bytesSetAside > 0)
        text += QString(" %1 bytes that held no record it could keep were set aside in %2, "
                        "which keeps the old file whole.")
                    .arg(found.bytesSetAside)
                    .arg(saved);
    else
        text += QString(" The old file is kept whole in %1.").arg(saved);
    return text;
}

// `what` (one sentence) with what the operating system said of the engine's last failure, or
// else with the engine's code before its full stop.
QString WithReasonOrCode(const QString& what) {
    QString text = WithSystemReason(what);
    if (text == what) text.insert(text.size() - 1, QString(" (error %1)").arg(EngineErrorCode));
    return text;
}

// Why a rebuild failed, as the user can act on it.
QString RebuildFailureText(const RebuildTarget& set) {
    const QString what =
        QString("The %1 file (%2) could not be rebuilt.").arg(set.caption, DataFileName(set));
    return WithReasonOrCode(what) +
           "\n\nNothing in it was lost: it is rebuilt when it is opened again.";
}

// A step of a rebuild under the status window, whose title names the set: its progress
// shown, its Abort heard.
bool UnderStatusWindow(const QString& caption, const std::function<bool()>& step) {
    const ScopedAssign<RebuildProgress> hook(RebuildProgressProc, RebuildStatusProgress);
    std::optional<StatFormShown> shown;
    if (StatForm) {
        StatForm->setWindowTitle(caption);
        // An Abort left from an earlier run must not stop this one.
        StatForm->SetModalResult(Modal::None);
        ClearRebuildStatus();
        shown.emplace();
    }
    const bool ok = step();
    const EngineFailure failure;
    shown.reset();
    return ok || failure.report();
}

// One set under the status window.
bool RebuildOne(const RebuildTarget& set, RestructureReport& found) {
    return UnderStatusWindow(set.caption,
                             [&] { return RebuildFiles(set.rebuildName, *set.file, &found); });
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

std::function<void(const std::vector<RebuildTarget>& rebuilt)> FilesRebuilt;
std::function<std::vector<const DataFile*>()> CompanyDataFiles;

OneRebuildQuestion::OneRebuildQuestion() {
    ++questionScopes;
}

OneRebuildQuestion::~OneRebuildQuestion() {
    if (--questionScopes == 0) declinedSets.clear();
}

bool RebuildSets(const std::vector<RebuildTarget>& sets) {
    std::vector<RebuildTarget> rebuilt;
    QStringList damage;
    QString failure;
    for (size_t i = 0; i < sets.size(); ++i) {
        RestructureReport found;
        const bool ok = RebuildOne(sets[i], found);
        if (found.damaged()) damage << DamageText(sets[i], found);
        if (!ok) {
            if (EngineErrorCode != EngineCode::RebuildAborted) {
                failure = RebuildFailureText(sets[i]);
                QStringList rest;
                for (size_t k = i + 1; k < sets.size(); ++k) rest << sets[k].caption;
                if (!rest.isEmpty())
                    failure += QString("\n\nNot rebuilt either, for now: %1.").arg(rest.join(", "));
            }
            break;
        }
        rebuilt.push_back(sets[i]);
    }
    const EngineFailure outcome;
    const bool ok = rebuilt.size() == sets.size();
    if (!failure.isEmpty()) MessageBox(failure, RebuildCaption, MsgIcon::Error);
    if (!damage.isEmpty()) MessageBox(damage.join("\n\n"), RebuildCaption, MsgIcon::Warning);
    for (const RebuildTarget& set : rebuilt)
        if (set.afterRebuild) set.afterRebuild();
    if (!rebuilt.empty() && FilesRebuilt) FilesRebuilt(rebuilt);
    if (!ok) return outcome.report();
    ClearEngineStatus();
    return true;
}

bool RebuildUntrustedSets(const std::vector<RebuildTarget>& sets) {
    std::vector<RebuildTarget> defective;
    bool declinedBefore = false;
    for (const RebuildTarget& set : sets) {
        if (declinedSets.count(set.openName)) {
            declinedBefore = true;
            continue;
        }
        FileSetHandle h = 0;
        OpenFileSet(h, set.openName, false, false, false, true);
        if (EngineOK)
            CloseFileSet(h);
        else if (EngineErrorCode == EngineCode::IndexDefective)
            defective.push_back(set);
        // Anything else (a set not made yet, one in use) is for the open that needs it.
    }
    const auto decline = [&] {
        if (questionScopes > 0)
            for (const RebuildTarget& set : defective) declinedSets.insert(set.openName);
        return FailWithCode(EngineCode::IndexDefective);
    };
    if (defective.empty()) return declinedBefore ? decline() : (ClearEngineStatus(), true);
    QString question = IndexDefective;
    if (defective.size() > 1) {
        QStringList names;
        for (const RebuildTarget& set : defective) names << set.caption;
        question = QString("Index files are defective (%1).  Rebuild?").arg(names.join(", "));
    }
    if (MessageBox(question, ConfirmCaption, MsgIcon::Question, MsgButtons::YesNo) !=
        MsgResult::Yes)
        return decline();
    if (!RebuildSets(defective)) return decline();
    return !declinedBefore || decline();
}

bool LookupFailed() {
    return !EngineOK && EngineErrorCode != EngineCode::KeyNotFound &&
           EngineErrorCode != EngineCode::NoNextKey;
}

QString LookupFailureText(const QString& file) {
    if (EngineErrorCode == EngineCode::IndexDefective)
        return QString("The %1 file cannot be searched until its index is rebuilt.").arg(file);
    return WithReasonOrCode(QString("The %1 file cannot be read.").arg(file));
}

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
            if (!RebuildUntrustedSets({Target()})) return FailWithCode(code);
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

bool DataFile::Rebuild() const {
    return RebuildSets({Target()});
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
    if (!UnderStatusWindow(d_.rebuildCaption,
                           [this] { return ReindexFiles(CreateName(), d_.file); }) &&
        EngineErrorCode != EngineCode::FileInUse)
        reindexFailed_.insert(name);
    OpenFileSet(h, name, false, false, false, true);
    return EngineOK;
}

RebuildTarget DataFile::Target() const {
    return {d_.rebuildCaption, OpenName(), CreateName(), &d_.file, this, {}};
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
