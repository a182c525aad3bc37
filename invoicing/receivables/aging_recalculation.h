#pragma once
// The daily aging recalculation: every customer's four aging amounts made afresh from its open
// invoice records by the rule payments re-age a customer by, so that an invoice moves on to
// its next aging class as the days pass and not only when something is posted. It runs once
// a day for each company: at the first start of the program on that day, and when another
// company is made current. The day of the last run is kept in a small file beside the data.

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

class DataFolder;

// The file beside the data that holds, for each company, the day its aging was last
// recalculated: one line "number yyyy/mm/dd" per company.
inline constexpr std::string_view AgingRunFileName = "AGINGRUN.DAT";

// The day ("yyyy/mm/dd") the recalculation last ran for the company; empty when it never did.
std::string LastAgingRun(const DataFolder& folder, std::string_view companyNumber);
// Records the day for the company, keeping the other companies' days. False when the file
// could not be written.
bool RecordAgingRun(const DataFolder& folder, std::string_view companyNumber,
                    std::string_view ymd);

struct AgingRecalculation {
    int changed = 0;      // customers whose amounts were rewritten
    QStringList skipped;  // customers left as they were, each with the reason
    QString refusal;      // why nothing was recalculated; empty when it ran
};

// Recalculates every customer of the current company as of the program's today. The open
// records are found through the invoice file's open-item index, so that the run costs what
// is open rather than what is on file; a file without the index yet, or with one that does
// not match its records, is read whole. Files that the invoice and customer managers have
// open stay open. A customer with a record that
// cannot be aged (an amount due that is not a number, no readable date) is left as it is and
// named; the shared progress window shows the run on large files. The customers are
// rewritten as one unit of work: all of them or, when one cannot be written, none (the
// application's error is raised).
AgingRecalculation RecalculateCustomerAging();

// Runs the recalculation for the current company unless it already ran today, tells the
// user what it had to leave or why it could not run, and records the day when it ran.
void RecalculateAgingOncePerDay();
