#pragma once
// The checks of a posting computed before anything is written: the first value that is not a
// number, would grow too large or would not fit its field ends the plan, with a message that
// names it. The plan's caller catches PlanRefusal and shows it.

#include <QString>
#include <optional>
#include <string_view>

#include "engine/decimal.h"
#include "platform/cp1252.h"
#include "shell/text.h"

struct PlanRefusal {
    QString text;
    QString caption = {};  // empty: the caption of the plan's own topic
};

// An amount as shown or stored (commas removed; blank is 0).
inline Decimal AmountOrRefuse(std::string_view text, const QString& what) {
    if (const auto value = Decimal::ParseBlankAsZero(StripCommas(text))) return *value;
    throw PlanRefusal{
        QString("%1 (\"%2\") is not a number.").arg(what, FromCp1252(TrimBlanks(text)))};
}

inline Decimal SumOrRefuse(std::optional<Decimal> sum, const QString& what) {
    if (sum) return *sum;
    throw PlanRefusal{QString("%1 would be too large.").arg(what)};
}

// Number fields refuse text longer than the field rather than cutting it.
template <class Rec, class Field>
void SetOrRefuse(Rec& rec, Field field, std::string_view text, const QString& what) {
    if (!rec.set(field, text))
        throw PlanRefusal{QString("%1 (%2) does not fit its field of %3 characters.")
                              .arg(what, FromCp1252(text))
                              .arg(field.width)};
}

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
