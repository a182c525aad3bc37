#pragma once
// Finance charges on overdue customer balances: the scan that lists every customer whose
// charge reaches the minimum, and the generation of one finance-charge invoice per listed
// customer (header and one line) with the customer's balance and aging and the company's
// numbering, receivables total and interest settings. Plain logic over the company's files.
//
// Generation is computed whole before the first write (every customer found, every amount
// a number that fits its field, every new invoice number free), so a run that cannot be
// written is refused with nothing written.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/records/invoice_rec.h"
#include "invoicing/posting/plan_refusal.h"
#include "masters/party_rec.h"

// Which aging buckets count as overdue: periods 1 to 3, 2 and 3, or 3 alone.
enum class OverdueClass { Over1, Over2, Over3 };

// The stored setting: "3", "6" or "9".
std::string OverdueClassCode(OverdueClass overdue);
// "6" and "9" choose the older classes; anything else the first.
OverdueClass OverdueClassOf(std::string_view code);

// The customer's overdue amount: the sum of the aging buckets of the class. Nothing when a
// bucket does not hold a number (blank is 0).
std::optional<Decimal> OverdueAmount(const CustomerRec& customer, OverdueClass overdue);

// How charges are worked out.
struct InterestTerms {
    OverdueClass overdue = OverdueClass::Over1;
    bool flat = false;  // the flat fee instead of the rate
    Decimal rate;       // percent a month
    Decimal flatFee;
    Decimal minimum;
};

// The charge on an overdue amount before it is rounded to the cent for the invoice: the flat
// fee, or rate / 100 of the amount. Nothing when the result does not fit.
std::optional<Decimal> InterestChargeOn(Decimal overdue, const InterestTerms& terms);

// One listed customer.
struct InterestCustomer {
    std::string name;    // record text
    std::string number;  // trimmed
    Decimal overdue;
    Decimal charge;
};

struct InterestScan {
    std::vector<InterestCustomer> customers;  // in name order
    Decimal totalOverdue;
    Decimal totalCharge;
    QString refusal;  // why the scan stopped; empty when it ran to the end
};

// Walks the current company's customers in name order and lists each one whose overdue
// amount is above 0 and whose charge is above 0 and at least the minimum.
InterestScan ScanInterestCustomers(const InterestTerms& terms);

// What the wizard holds when "Generate Invoices" is pressed (record text).
struct InterestInvoiceData {
    std::string date;  // as typed, in the company's date order
    std::string comments;
    std::string terms;
    std::string statementNote;
    bool markPrinted = false;
    // The settings kept in the company record for the next run.
    OverdueClass overdue = OverdueClass::Over1;
    std::string rateText;
    std::string minimumText;
};

// One invoice a run writes, with the customer as it will be rewritten.
struct InterestInvoice {
    InvoiceRec header;
    InvoiceLineRec line;
    int32_t customerRef = 0;
    CustomerRec customer;
    std::string number;  // "10023I"
    Decimal charge;
};

struct InterestPlan {
    std::vector<InterestInvoice> invoices;  // in the order of the customers given
    std::string nextInvoiceNumber;          // after the run
    std::string lastInvoiceNumber;          // the last number used, without its letter
    InterestInvoiceData data;
};

struct InterestPlanResult : PlanRefusalText {
    std::optional<InterestPlan> plan;
};

// The finance-charge invoice number of a running number: the number followed by "I".
std::string InterestInvoiceNumber(uint64_t running);

// Computes the run for the listed customers. The invoice header, line and customer files of
// the current company must be open (InterestFiles).
InterestPlanResult PlanInterestInvoices(const InterestInvoiceData& data,
                                        const std::vector<InterestCustomer>& customers);

struct InterestRunResult {
    std::vector<std::string> numbers;  // per invoice of the plan, in order
    int created = 0;
    Decimal total;  // of the invoices created
};

// Writes the plan as one unit: per invoice the header, the line and the customer; then the
// company's receivables total, numbering and interest settings. `afterEach` is told each
// invoice's index and number once its writes are done. A write that fails raises its text
// ("Add Late Fee Failed.", ..., "Modify operation failed" for the company record) with the
// reason, and nothing of the run is saved.
using InterestProgress = std::function<void(std::size_t invoice, const std::string& number)>;
InterestRunResult WriteInterestInvoices(const InterestPlan& plan,
                                        const InterestProgress& afterEach = {});

// Opens the invoice line, customer and invoice header files of the current company for the
// life of the object (each left as it was when already open).
class InterestFiles {
public:
    InterestFiles();
    bool ok() const { return refusal_.isEmpty(); }
    // Which file could not be opened, and why.
    const QString& refusal() const { return refusal_; }

private:
    std::optional<StepFile> lines_;
    std::optional<StepFile> customers_;
    std::optional<StepFile> invoices_;
    QString refusal_;
};

inline constexpr const char* InterestCaption = "Interest Wizard";
