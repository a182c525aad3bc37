#include "invoicing/receivables/statement.h"

#include <algorithm>
#include <optional>

#include "engine/decimal.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_mail.h"
#include "invoicing/documents/invoice_email.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/posting/aging.h"
#include "invoicing/records/invoice_files.h"
#include "mail/mail_state.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "shell/app_context.h"
#include "shell/keyed_sort.h"
#include "shell/text.h"

StatementState& Statements() {
    return InstalledOrBuiltIn<StatementState>();
}

std::string StatementReference(const InvoiceRec& record) {
    const std::string note = TrimBlanks(record.get(Invoice::InvStatementNote));
    if (!note.empty()) return record.get(Invoice::InvStatementNote);
    static constexpr std::array<std::pair<const char*, const char*>, 7> texts{{
        {Invoice::TypeRegular, "Invoice"},
        {Invoice::TypePartialRecord, "Partial Payment Made"},
        {Invoice::TypePartlyPaid, "Partial Payment Invoice"},
        {Invoice::TypeDeposit, "Deposit on Account"},
        {Invoice::TypeDepositTaken, "Deposit Offset Applied"},
        {Invoice::TypeRepeatGenerated, "Repeat Billing"},
        {Invoice::TypeRepeatMaster, "Repeat Master"},
    }};
    const std::string type = record.get(Invoice::InvType);
    for (const auto& [letter, text] : texts)
        if (type == letter) return text;
    return {};
}

namespace {

std::string Money(Decimal value) {
    return value.format(",0.00");
}

// A stored amount; one that is not a number ends the command with its reason.
Decimal Amount(const InvoiceRec& record, fields::Number<InvoiceRec> field) {
    const std::string stored = record.get(field);
    if (const auto value = Decimal::ParseBlankAsZero(StripCommas(stored))) return *value;
    RaiseError(QString("Invoice %1 holds an amount that is not a number (\"%2\"), so the "
                       "statement cannot be made.")
                   .arg(FromCp1252(TrimBlanks(record.get(Invoice::InvNumber))),
                        FromCp1252(TrimBlanks(stored))));
}

Decimal CustomerAmount(const CustomerRec& customer, fields::Number<CustomerRec> field) {
    const std::string stored = customer.get(field);
    if (const auto value = Decimal::ParseBlankAsZero(StripCommas(stored))) return *value;
    RaiseError(QString("Customer %1 holds an amount that is not a number (\"%2\").")
                   .arg(FromCp1252(TrimBlanks(customer.get(Customer::Number))),
                        FromCp1252(TrimBlanks(stored))));
}

// The platform's case-insensitive order of the rows' joined cells.
std::string SortText(const StatementRow& row) {
    std::string text;
    for (const std::string& cell : row) text += cell + "\r\n";
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    });
    return text;
}

}  // namespace

StatementData BuildStatement(const CustomerRec& customer, bool unpaidOnly) {
    using C = Customer;
    StatementData s;
    s.name = customer.get(C::Name);
    s.number = customer.get(C::Number);
    for (std::size_t k = 0; k < s.address.size(); ++k) s.address[k] = customer.get(C::Address[k]);
    s.email = customer.get(C::Email);
    s.printNotes = customer.get(C::PrintNotesOnStatements);
    s.notes = customer.get(C::Notes);
    for (std::size_t k = 0; k < s.aging.size(); ++k)
        s.aging[k] = Columns(Money(CustomerAmount(customer, C::Amounts[k])), 1, 12);

    Decimal total, paid, due;
    const StepFile invoices(InvoiceData());
    const std::string target = UpperAscii(TrimBlanks(s.number));
    InvoiceRec probe;
    if (invoices.ok() && probe.set(Invoice::InvCustomerNumber, target)) {
        const DataFile& file = InvoiceData();
        int32_t ref = 0;
        std::string found;
        bool ok = file.Search(BuildInvoiceKey(probe, InvoiceCustomerKey), ref, InvoiceCustomerKey,
                              &found);
        while (ok && UpperAscii(TrimBlanks(found)) == target) {
            InvoiceRec r;
            if (!file.ReadRec(ref, r.bytes()))
                RaiseError(
                    QString("The invoice file cannot be read (error %1).").arg(EngineErrorCode));
            const std::string type = r.get(Invoice::InvType);
            const Decimal rowTotal = Amount(r, Invoice::InvTotal);
            Decimal rowPaid = Amount(r, Invoice::InvPaid);
            const Decimal rowDue = Amount(r, Invoice::InvDue);
            const bool listed =
                !unpaidOnly || (type != Invoice::TypeRepeatMaster && !rowDue.isZero());
            if (listed) {
                // Unpaid only, a partly paid invoice shows what its payments took off it.
                if (unpaidOnly && type == Invoice::TypePartlyPaid) rowPaid = rowTotal - rowDue;
                s.rows.push_back({r.get(Invoice::InvDateYMD), r.get(Invoice::InvNumber),
                                  StatementReference(r), Money(rowTotal), Money(rowPaid),
                                  Money(rowDue), type});
                total += rowTotal;
                paid += rowPaid;
                due += rowDue;
            }
            ok = file.RetryLocked([&] { NextKey(file.handle(), InvoiceCustomerKey, ref, found); });
        }
    }
    StableSortByKey(s.rows, SortText);
    s.totals = {"", "", AccountTotalsText, Money(total), Money(paid), Money(due), ""};
    return s;
}

bool LoadStatement() {
    StatementState& st = Statements();
    st.Loaded = StatementData{};
    CustomerRec customer;
    bool onFile = false;
    {
        const StepFile customers(CustomerData());
        CustomerRec probe;
        onFile = customers.ok() &&
                 probe.set(Customer::Number, TrimBlanks(st.StatementCustomerNumber)) &&
                 CustomerData().Find(CustomerNumberKey, BuildCustomerKey(probe, CustomerNumberKey),
                                     customer.bytes()) != 0;
    }
    if (onFile) {
        const CompanyRec& company = Shell().companies.CurrentCompany;
        if (Masters().BatchStatementMode &&
            TrimBlanks(company.get(Company::QueueBatchCustomers)) == "Y" && AddCustomerToPrintQueue)
            AddCustomerToPrintQueue({customer.get(Customer::Number), customer.get(Customer::Name),
                                     customer.get(Customer::MailSort),
                                     customer.get(Customer::Type)});
        st.Loaded = BuildStatement(customer, st.StatementUnpaidOnly != 0);
    }
    return onFile;
}

QString NoActivityCaption(std::string_view name) {
    return ("Customer: " + FromCp1252(TrimBlanks(name))).left(45);
}

std::vector<std::string> StatementEmailLines(const StatementData& s) {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const ShellContext& shell = Shell();
    std::vector<std::string> m;
    m.push_back(company.get(Company::Name) + RightJustify("STATEMENT", ' ', 35));
    for (const auto& line : Company::Address)
        if (!TrimBlanks(company.get(line)).empty()) m.push_back(company.get(line));
    m.push_back(" ");
    m.push_back("Date: " + shell.companies.dateFormat().format(shell.clock.today()));
    m.push_back("Account Number: " + TrimBlanks(s.number));
    m.push_back(TrimBlanks(s.name));
    for (const std::string& line : s.address)
        if (!TrimBlanks(line).empty()) m.push_back(TrimBlanks(line));
    m.push_back(" ");
    const auto row = [](const StatementRow& r) {
        return PadRightWith(Columns(r[0], 1, 10), ' ', 10) + ' ' +
               PadRightWith(Columns(r[1], 1, 9), ' ', 9) + ' ' +
               PadRightWith(Columns(r[2], 1, 24), ' ', 24) + ' ' + RightJustify(r[3], ' ', 13) +
               ' ' + RightJustify(r[4], ' ', 13) + ' ' + RightJustify(r[5], ' ', 13) + ' ' + r[6];
    };
    StatementRow heads;
    std::copy(StatementHeadings.begin(), StatementHeadings.end(), heads.begin());
    m.push_back(row(heads));
    for (const StatementRow& r : s.rows) m.push_back(row(r));
    m.push_back(row(s.totals));
    m.push_back(" ");
    const std::array<std::string, 4> captions = AgingBucketCaptions(company);
    std::string captionLine, amountLine;
    for (std::size_t k = 0; k < captions.size(); ++k) {
        captionLine += RightJustify(Columns(TrimBlanks(captions[k]), 1, 14), ' ', 15);
        amountLine += RightJustify(s.aging[k], ' ', 15);
    }
    m.push_back(captionLine);
    m.push_back(amountLine);
    if (s.printNotes == "Y" && TrimBlanks(s.notes).size() >= 2) {
        m.push_back(" ");
        m.push_back(TrimBlanks(s.notes));
    }
    return m;
}

bool EmailStatement() {
    const StatementData& s = Statements().Loaded;
    return SendDocumentMail(StatementEmailLines(s),
                            "Statement - " + FromCp1252(TrimBlanks(s.number)), s.email,
                            BadCustomerAddressSubject);
}
