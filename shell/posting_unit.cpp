#include "shell/posting_unit.h"

#include <cerrno>
#include <cstring>

#include "engine/engine.h"
#include "platform/application.h"
#include "shell/app_context.h"

namespace {

const QString NotSaved = QStringLiteral("The posting could not be saved.");
const QString NothingSaved = QStringLiteral("Nothing of it was saved.");
const QString MaybeSaved = QStringLiteral(
    "It may still be on file the next time the program starts: please look for it there "
    "before you enter it again.");

// Why an engine call failed, as one sentence; empty for the outcomes of a look-up (not found,
// no further entry), which tell nothing about a failed posting.
QString EngineFailureText(int32_t code, int systemError) {
    switch (code) {
        case 0:
        case EngineCode::KeyNotFound:
        case EngineCode::NoNextKey:
        case EngineCode::NoNextRecord:
            return {};
        case EngineCode::IoError: {
            const QString text = SystemErrorText(systemError);
            return text.isEmpty() ? SystemErrorText(EIO) : text;
        }
        case EngineCode::FileInUse:
            return QStringLiteral("Another program is using the company's files.");
        case EngineCode::IndexDefective:
            return QStringLiteral("An index file is defective.");
        case EngineCode::DataFileDefective:
            return QStringLiteral("A data file is damaged.");
        case EngineCode::DuplicateKey:
            return QStringLiteral("A record with the same key is already on file.");
        case EngineCode::BadHandle:
            return QStringLiteral("A file it needs is not open.");
        case EngineCode::RecordDeleted:
        case EngineCode::KeyToDeleteMissing:
            return QStringLiteral("A record it changes is no longer on file.");
        default:
            return QStringLiteral("The files reported error %1.").arg(code);
    }
}

// Why the unit failed: its first failure, else the engine's last one.
QString FailureReason() {
    if (const int32_t code = UnitFailure()) return EngineFailureText(code, UnitSystemError());
    return EngineOK ? QString() : EngineFailureText(EngineErrorCode, EngineSystemError);
}

// The failure's text with the reason, raised once the unit is rolled back: "... \n\nThe
// posting could not be saved: the disk is full. Nothing of it was saved."
[[noreturn]] void RaiseWithReason(const QString& text, const QString& reason,
                                  const QString& outcome) {
    if (reason.isEmpty()) RaiseError(text);
    QString clause = reason;
    clause[0] = clause[0].toLower();
    const QString why = NotSaved.chopped(1) + ": " + clause + " " + outcome;
    RaiseError(text == NotSaved ? why : text + "\n\n" + why);
}

// The sentence for the engine's last failure when it came from the operating system, else
// empty.
QString EngineSystemFailureText() {
    if (EngineOK || EngineErrorCode != EngineCode::IoError) return {};
    return EngineFailureText(EngineErrorCode, EngineSystemError);
}

}  // namespace

QString SystemErrorText(int error, FileWhere where) {
    const bool data = where == FileWhere::DataFolder;
    switch (error) {
        case 0:
            return {};
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("The disk is full.");
        case EROFS:
            return data ? QStringLiteral("The data folder is read-only.")
                        : QStringLiteral("The folder is read-only.");
        case EACCES:
        case EPERM:
            return data ? QStringLiteral("Access to the data folder's files is denied.")
                        : QStringLiteral("Access to the file or its folder is denied.");
        case EIO:
            return QStringLiteral("The disk reported a read or write error.");
        case EFBIG:
            return QStringLiteral("A file has grown past the size the system allows.");
        default:
            return QStringLiteral("The system reported: %1.")
                .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString WithWriteReason(const QString& text, FileWhere where) {
    const QString reason = SystemErrorText(errno, where);
    return reason.isEmpty() ? text : text + "\n\n" + reason;
}

QString WithSystemReason(const QString& text) {
    const QString reason = EngineSystemFailureText();
    return reason.isEmpty() ? text : text + "\n\n" + reason;
}

void StopUnlessRefused(const QString& text) {
    const bool refused = !EngineOK && UnitFailure() == 0 &&
                         (EngineErrorCode == EngineCode::DuplicateKey ||
                          EngineErrorCode == EngineCode::RecordDeleted ||
                          EngineErrorCode == EngineCode::KeyToDeleteMissing);
    // The unit's own bracket tells why.
    if (!refused) RaiseError(text);
}

void PostAsOneUnit(const std::function<void()>& steps, const std::function<void()>& rolledBack) {
    CompanyState& companies = Shell().companies;
    const CompanyRec before = companies.CurrentCompany;
    QString failure;
    QString reason;
    QString outcome = NothingSaved;
    {
        EngineUnit unit;
        try {
            steps();
        } catch (const AppError& error) {
            failure = error.Text();
            reason = FailureReason();
        } catch (...) {
            companies.CurrentCompany = before;
            throw;
        }
        if (failure.isEmpty()) {
            if (unit.commit()) return;
            failure = NotSaved;
            reason = EngineFailureText(EngineErrorCode, EngineSystemError);
            // The disk took the unit into the journal and then refused to let it go again.
            if (LastUnitUndecided()) outcome = MaybeSaved;
        }
    }
    companies.CurrentCompany = before;
    if (rolledBack) rolledBack();
    RaiseWithReason(failure, reason, outcome);
}
