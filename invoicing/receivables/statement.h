#pragma once
// Customer statements: a customer's invoice, payment and deposit records in open-item form
// (every record, no balance brought forward) with account totals and the customer's aging,
// shown in the statement window and printed or e-mailed from it or in batches.

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "masters/party_rec.h"
#include "shell/unit_state.h"

class InvoiceRec;

inline constexpr int StatementColumns = 7;
using StatementRow = std::array<std::string, StatementColumns>;  // record text

inline constexpr std::array<const char*, StatementColumns> StatementHeadings{
    "Date", "Invoice#", "Reference/Comment", "Total Amount", "Paid Amount", "Balance Due", "C"};
inline constexpr const char* AccountTotalsText = "*** Account Totals:";

// What the statement window shows (record text, Windows-1252).
struct StatementData {
    std::string name, number;
    std::array<std::string, 4> address;
    std::string email;       // s50
    std::string printNotes;  // "Y" prints the notes
    std::string notes;
    std::array<std::string, 4> aging;  // current, period 1, period 2, over: ",0.00", 12 at most
    std::vector<StatementRow> rows;    // the listed records, in date order
    StatementRow totals;               // "*** Account Totals:" and the three sums
};

struct StatementState {
    std::string StatementCustomerNumber;  // s8
    uint8_t StatementUnpaidOnly = 0;
    // The statement last loaded: what the window shows, prints and e-mails.
    StatementData Loaded;
};

StatementState& Statements();
using StatementStateScope = UnitStateScope<StatementState>;

// The reference text of a record: its statement note, or the text of its type letter.
std::string StatementReference(const InvoiceRec& record);

// The statement of the customer from the invoice file of the current company (opened for
// the step when it is not open), listing only unpaid records when asked. An amount that is
// not a number raises an error naming the invoice.
StatementData BuildStatement(const CustomerRec& customer, bool unpaidOnly);

// Fills Statements().Loaded for StatementCustomerNumber (the customer file is opened for the
// step when the Customer Manager does not hold it open). In a batch whose company asks for
// it, the customer also goes to the print queue. False when the customer is not on file (the
// loaded statement is then empty).
bool LoadStatement();

// The statement held by the statement window on the printer; a job that does not end well
// raises an error.
void PrintStatement();
// The statement sent as a plain-text e-mail to the statement e-mail address (the company's
// rule for customers without a usable address applies, as for invoices). True when it was
// sent; false when the customer has no address to send to.
bool EmailStatement();

// The message text of a statement, line by line (record text).
std::vector<std::string> StatementEmailLines(const StatementData& statement);

// "Customer: " and the name, cut so that the caption has at most 45 characters.
QString NoActivityCaption(std::string_view name);
