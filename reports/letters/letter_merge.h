#pragma once
// Form letters: the merge keywords, their values for one customer and the company, filling
// them into a letter, and the merge print that prints one letter for every customer of the
// print queue.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "masters/party_rec.h"
#include "reports/labels/label_queue.h"
#include "shell/company/company_rec.h"

class PrintCanvas;
class QTextDocument;

// --- the keywords ----------------------------------------------------------------------------

struct MergeKeyword {
    const char* keyword;
    const char* description;  // in the keyword list; nullptr for a keyword left out of it
    std::variant<fields::Text<CustomerRec>, fields::Number<CustomerRec>, fields::Text<CompanyRec>>
        field;
    bool trimmed = true;
};

// Every keyword, in the order they are filled in.
std::span<const MergeKeyword> MergeKeywords();

// The keyword list the window shows for reference: "KEYWORD - Description", sorted.
QStringList KeywordListEntries();

struct KeywordValue {
    QString keyword;
    QString value;
};

// The value of every keyword for the customer and the company, in filling order.
std::vector<KeywordValue> MergeValues(const CustomerRec& customer, const CompanyRec& company);

// Fills the keywords into the letter: every occurrence of a keyword in the letter's own text,
// as a whole word and in capitals exactly, becomes its value in the keyword's formatting. The
// values put in are never searched, so a value holding a keyword stays as it is.
void FillKeywords(QTextDocument& letter, const std::vector<KeywordValue>& values);

// --- the merge print -------------------------------------------------------------------------

inline constexpr const char* kLetterWizardCaption = "Letter Wizard";

// Why a merge cannot start, checked in this order: an empty print queue, then a letter
// without text.
std::optional<QString> MergeRefusal(std::size_t queueRows, const QTextDocument& letter);

// "Processing letter 2 of 4..."
QString ProcessingText(int letter, int queueRows);

struct MergeOutcome {
    int printed = 0;
    // The customers of the queue no longer on file ("customer C100"); none was printed.
    std::vector<std::string> missing;
    // Set when the run stopped before its end: the customer file could not be opened, or the
    // print job did not end well.
    QString problem;

    bool EndedWell() const { return problem.isEmpty(); }
};

// Prints the letter once for every customer row of the queue, in queue order, with the
// keywords filled from that customer and the company: one print job titled `title` (one PDF
// file, asked for once), each letter starting on a new page. `afterLetter` runs after each
// letter with the count drawn so far. Vendor and product rows are passed over. Cancelling the
// printer's question raises CommandCancelled before anything is printed; an error raised
// while a letter is drawn abandons the job.
MergeOutcome PrintMergedLetters(PrintCanvas& canvas, const QTextDocument& letter,
                                const QString& title, const std::vector<LabelQueueItem>& queue,
                                const CompanyRec& company,
                                const std::function<void(int printed)>& afterLetter = {});
