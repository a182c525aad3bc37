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

// The failure's text with the reason, raised once the unit is rolled back.
[[noreturn]] void RaiseWithReason(const QString& text, const QString& reason,
                                  const QString& outcome) {
    RaiseError(reason.isEmpty() ? text : text + "\n\n" + reason + " " + outcome);
}

}  // namespace

QString SystemErrorText(int error) {
    switch (error) {
        case 0:
            return {};
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("The disk is full.");
        case EROFS:
            return QStringLiteral("The data folder is read-only.");
        case EACCES:
        case EPERM:
            return QStringLiteral("Access to the data folder's files is denied.");
        case EIO:
            return QStringLiteral("The disk reported a read or write error.");
        default:
            return QStringLiteral("The system reported: %1.").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString EngineSystemFailureText() {
    if (EngineOK || EngineErrorCode != EngineCode::IoError) return {};
    const QString text = SystemErrorText(EngineSystemError);
    return text.isEmpty() ? SystemErrorText(EIO) : text;
}

void StopOnSystemFailure(const QString& text) {
    const QString reason = EngineSystemFailureText();
    if (!reason.isEmpty()) RaiseWithReason(text, reason, NothingSaved);
}

void PostAsOneUnit(const std::function<void()>& steps) {
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
            reason = EngineSystemFailureText();
        } catch (...) {
            companies.CurrentCompany = before;
            throw;
        }
        if (failure.isEmpty()) {
            if (unit.commit()) return;
            failure = NotSaved;
            reason = EngineSystemFailureText();
            // The disk took the unit into the journal and then refused to let it go again.
            if (LastUnitUndecided()) outcome = MaybeSaved;
        }
    }
    companies.CurrentCompany = before;
    RaiseWithReason(failure, reason, outcome);
}
