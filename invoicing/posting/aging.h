#pragma once
// The aging buckets every receivables amount is placed in: an invoice's age is the whole
// number of days from its date to today; with the company's periods p1 < p2 < p3 an age up to
// p1 is current, up to p2 period 1, up to p3 period 2, and anything older is over.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "invoicing/records/invoice_rec.h"
#include "shell/company/company_rec.h"
#include "shell/dates.h"

enum class AgingBucket { Current = 0, Period1 = 1, Period2 = 2, Over = 3 };

using AgingPeriods = std::array<int64_t, 3>;

AgingBucket AgingBucketOf(int64_t ageDays, const AgingPeriods& periods);

// The date an invoice on file is aged by: its stored "yyyy/mm/dd" copy, which does not depend
// on the company's date order at the time it was typed; the date as typed (read in
// `typedOrder`) only when the copy is unreadable. Nothing when neither is a date.
std::optional<Date> InvoiceAgingDate(const InvoiceRec& invoice, const DateFormat& typedOrder);

// The company's three periods in days; nothing when one of them is not a whole number.
std::optional<AgingPeriods> CompanyAgingPeriods(const CompanyRec& company);

// The captions of the four buckets: the company's three captions (a blank one shows its
// period's days), and "Over " with the last period's days.
std::array<std::string, 4> AgingBucketCaptions(const CompanyRec& company);
