#include "invoicing/posting/plan_refusal.h"

#include "engine/engine.h"
#include "masters/master_files.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "shell/app_context.h"
#include "shell/text.h"

std::optional<Decimal> AmountOf(std::string_view text) {
    return Decimal::ParseBlankAsZero(StripCommas(text));
}

Decimal AmountOrRefuse(std::string_view text, const QString& what) {
    if (auto value = AmountOf(text)) return *value;
    throw PlanRefusal{
        QString("%1 (\"%2\") is not a number.").arg(what, FromCp1252(TrimBlanks(text)))};
}

Decimal SumOrRefuse(std::optional<Decimal> sum, const QString& what) {
    if (sum) return *sum;
    throw PlanRefusal{QString("%1 would be too large.").arg(what)};
}

void RefuseNotFitting(std::string_view text, const QString& what, int width) {
    throw PlanRefusal{QString("%1 (%2) does not fit its field of %3 characters.")
                          .arg(what, FromCp1252(text))
                          .arg(width)};
}

AgingPeriods AgingPeriodsOrRefuse(const CompanyRec& company) {
    if (const auto periods = CompanyAgingPeriods(company)) return *periods;
    throw PlanRefusal{
        "The company's aging periods are not whole numbers of days. Please correct them in "
        "the company settings first."};
}

CompanyRec StoredCompanyOrRefuse(const ShellContext& shell) {
    const std::string stem = shell.companies.fileStem();
    if (auto stored = FindCompany(shell.folder, stem)) return *stored;
    throw PlanRefusal{QString("Company %1 cannot be read from the company file (error %2).")
                          .arg(FromCp1252(stem))
                          .arg(EngineErrorCode)};
}

void TellSkippedCorrections(const QString& deleted, const QStringList& skipped,
                            const QString& caption) {
    if (skipped.isEmpty()) return;
    MessageBox(deleted + " was deleted. Please put these right by hand:\n\n" + skipped.join("\n"),
               caption, MsgIcon::Information);
}
