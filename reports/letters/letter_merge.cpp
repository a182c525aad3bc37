#include "reports/letters/letter_merge.h"

#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <memory>

#include "platform/cp1252.h"
#include "platform/printer.h"
#include "platform/rich_text/rich_text_print.h"
#include "reports/labels/label_print.h"
#include "shell/text.h"

namespace {

using C = Customer;

constexpr std::array<MergeKeyword, 31> kKeywords{{
    {"LWCSTNO", "Customer Number", C::Number},
    {"LWCSTNAME", "Customer Name", C::Name},
    {"LWCSTBAL", "Customer Balance", C::Balance},
    {"LWCSTLPMT", "Customers Last Payment Date", C::LastPaymentDate, false},
    {"LWCSTLSTINV", "Customers Last Invoice Number", C::LastInvoiceNumber},
    {"LWCSTTYPE", "Customer Type", C::Type},
    {"LWCSTCREDIT", "Customer Credit Limit", C::CreditLimit},
    {"LWCSTTERMS", "Customer Payment Terms", C::Terms},
    {"LWCSTADD1", "Customer Address Line 1", C::Address[0]},
    {"LWCSTADD2", "Customer Address Line 2", C::Address[1]},
    {"LWCSTADD3", "Customer Address Line 3", C::Address[2]},
    {"LWCSTADD4", "Customer Address Line 4", C::Address[3]},
    {"LWCSTPHN1", "Customer Billing Address Phone Number", C::Phone1},
    {"LWCSTSHP1", "Customer Shipping Address Line 1", C::Address2[0]},
    {"LWCSTSHP2", "Customer Shipping Address Line 2", C::Address2[1]},
    {"LWCSTSHP3", "Customer Shipping Address Line 3", C::Address2[2]},
    {"LWCSTSHP4", "Customer Shipping Address Line 4", C::Address2[3]},
    {"LWCSTPHN2", "Customer Shipping Phone Number", C::Phone2},
    {"LWCSTACUR", "Customer Aging Amount (0-30 days)", C::Amounts[0]},
    {"LWCSTA3060", "Customer Aging Amount (30-60 days)", C::Amounts[1]},
    {"LWCSTA6090", "Customer Aging Amount (60-90 days)", C::Amounts[2]},
    {"LWCSTAOV90", "Customer Aging Amount (0ver 90 days)", C::Amounts[3]},
    {"LWCSTNOTES", "Customer Notes", C::Notes},
    {"LWCSTSNAME", "Customer Short Name", C::ShortName},
    {"LWCSTMLIST", "Customer Mailing List Sort Code", C::MailSort},
    {"LWCMPNAME", "Default Company Name", Company::Name},
    {"LWCMPADD1", "Default Company Address Line 1", Company::Address[0]},
    {"LWCMPADD2", "Default Company Address Line 2", Company::Address[1]},
    {"LWCMPADD3", "Default Company Address Line 3", Company::Address[2]},
    {"LWCMPADD4", "Default Company Address Line 4", Company::Address[3]},
    {"LWCMPADD5", nullptr, Company::ExtraAddress},
}};

bool IsWordCharacter(QChar ch) {
    return ch.isLetterOrNumber() || ch == u'_';
}

struct Occurrence {
    int position;
    int length;
    const QString* value;
};

}  // namespace

std::span<const MergeKeyword> MergeKeywords() {
    return kKeywords;
}

QStringList KeywordListEntries() {
    QStringList entries;
    for (const MergeKeyword& k : kKeywords)
        if (k.description) entries << QString("%1 - %2").arg(k.keyword, k.description);
    entries.sort();
    return entries;
}

std::vector<KeywordValue> MergeValues(const CustomerRec& customer, const CompanyRec& company) {
    std::vector<KeywordValue> values;
    for (const MergeKeyword& k : kKeywords) {
        const std::string text = std::visit(
            [&](const auto& field) -> std::string {
                using Field = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, fields::Text<CompanyRec>>)
                    return company.get(field);
                else
                    return customer.get(field);
            },
            k.field);
        values.push_back({k.keyword, FromCp1252(k.trimmed ? TrimBlanks(text) : text)});
    }
    return values;
}

void FillKeywords(QTextDocument& letter, const std::vector<KeywordValue>& values) {
    // Every occurrence is found in the letter as written before anything is put in; whole
    // words cannot overlap, so they are replaced from the end without moving one another.
    const QString text = letter.toRawText();
    std::vector<Occurrence> found;
    for (const KeywordValue& kv : values) {
        const qsizetype length = kv.keyword.size();
        for (qsizetype at = text.indexOf(kv.keyword); at >= 0;
             at = text.indexOf(kv.keyword, at + length)) {
            const bool starts = at == 0 || !IsWordCharacter(text[at - 1]);
            const bool ends = at + length == text.size() || !IsWordCharacter(text[at + length]);
            if (starts && ends)
                found.push_back({static_cast<int>(at), static_cast<int>(length), &kv.value});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Occurrence& a, const Occurrence& b) { return a.position > b.position; });
    QTextCursor cursor(&letter);
    cursor.beginEditBlock();
    for (const Occurrence& o : found) {
        // The value takes the formatting of the keyword's first character.
        cursor.setPosition(o.position + 1);
        const QTextCharFormat format = cursor.charFormat();
        cursor.setPosition(o.position);
        cursor.setPosition(o.position + o.length, QTextCursor::KeepAnchor);
        cursor.insertText(*o.value, format);
    }
    cursor.endEditBlock();
}

std::optional<QString> MergeRefusal(std::size_t queueRows, const QTextDocument& letter) {
    if (queueRows == 0)
        return QString("You do not have any customer records listed in the Label print queue.");
    if (letter.isEmpty())
        return QString(
            "You do not have any text to print. You need to create or open an existing letter.");
    return std::nullopt;
}

QString ProcessingText(int letter, int queueRows) {
    return QString("Processing letter %1 of %2...").arg(letter).arg(queueRows);
}

MergeOutcome PrintMergedLetters(PrintCanvas& canvas, const QTextDocument& letter,
                                const QString& title, const std::vector<LabelQueueItem>& queue,
                                const CompanyRec& company,
                                const std::function<void(int printed)>& afterLetter) {
    MergeOutcome outcome;
    std::vector<LabelQueueItem> customers;
    std::copy_if(queue.begin(), queue.end(), std::back_inserter(customers),
                 [](const LabelQueueItem& item) {
                     return LabelKindOf(TrimBlanks(item.subItems[3])) == LabelKind::Customer;
                 });
    QueueLookup lookup = LookUpQueue(customers, false);
    if (!lookup.problem.empty()) {
        outcome.problem = FromCp1252(lookup.problem);
        return outcome;
    }
    outcome.missing = std::move(lookup.missing);
    PrintBatch batch(canvas, title);
    int done = 0;
    for (const QueueRecord& record : lookup.records) {
        const auto* customer = std::get_if<CustomerRec>(&record);
        if (!customer) continue;
        const std::unique_ptr<QTextDocument> filled(letter.clone());
        FillKeywords(*filled, MergeValues(*customer, company));
        PrintJob job(canvas, title);
        PrintRichText(canvas, *filled);
        (void)job.End();  // the batch's end tells
        ++done;
        if (afterLetter) afterLetter(done);
    }
    if (!batch.End()) {
        outcome.problem = "The printer did not finish the letters. No letter was printed.";
        return outcome;
    }
    outcome.printed = done;
    return outcome;
}
