#pragma once
// Postings are computed whole before anything is written. The first value that cannot be
// written ends the computation with a refusal that the user is shown; these raise it.

#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>

#include "engine/decimal.h"
#include "invoicing/posting/aging.h"
#include "masters/party_rec.h"
#include "shell/company/company_rec.h"

struct ShellContext;

struct PlanRefusal {
    QString text;
    QString caption{};  // empty: the caption of the command refused
};

// An amount as shown or stored: commas stripped, blank is 0; nothing when it is not a number.
std::optional<Decimal> AmountOf(std::string_view text);

// An amount as stored or shown (commas ignored, blank is 0); a refusal naming `what` when it
// is not a number.
Decimal AmountOrRefuse(std::string_view text, const QString& what);
// A checked sum or difference; a refusal when it does not fit.
Decimal SumOrRefuse(std::optional<Decimal> sum, const QString& what);
[[noreturn]] void RefuseNotFitting(std::string_view text, const QString& what, int width);

// Writes the text into a field that refuses to cut it; a refusal when it does not fit.
template <class Rec, class Field>
void SetOrRefuse(Rec& rec, Field field, std::string_view text, const QString& what) {
    if (!rec.set(field, text)) RefuseNotFitting(text, what, field.width);
}

// The company's aging periods; a refusal when they are not whole numbers of days.
AgingPeriods AgingPeriodsOrRefuse(const CompanyRec& company);
// The current company as the company file holds it; a refusal when it cannot be read.
CompanyRec StoredCompanyOrRefuse(const ShellContext& shell);

// Why a plan was refused: the message and its caption; both empty when it went through.
// Every posting's plan result carries it beside its computed writes.
struct PlanRefusalText {
    QString refusal;
    QString caption;
};

// Runs the planning; when it is refused, the refusal's text and caption (the topic's when it
// names none) go to the caller's result. True when the plan went through.
template <class Planning>
bool RunPlanning(Planning&& planning, QString& refusal, QString& caption, const QString& topic) {
    try {
        planning();
        return true;
    } catch (const PlanRefusal& refused) {
        refusal = refused.text;
        caption = refused.caption.isEmpty() ? topic : refused.caption;
        return false;
    }
}

// Runs one correction of a deletion; when it cannot be computed, what it would have corrected
// and why go to the list of corrections left to the user, and the deletion goes on.
template <class Fn>
void CorrectOrNote(QStringList& skipped, const QString& what, Fn&& correction) {
    try {
        correction();
    } catch (const PlanRefusal& refused) {
        skipped << what + " was not corrected: " + refused.text;
    }
}

// After a deletion (`deleted` names the document, "Invoice 1001"): the corrections it left to
// the user, when there are any.
void TellSkippedCorrections(const QString& deleted, const QStringList& skipped,
                            const QString& caption);
