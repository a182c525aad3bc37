#include "masters/edit_fields.h"

#include "engine/decimal.h"
#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "platform/cp1252.h"
#include "shell/text.h"

namespace {

using K = FieldKind;

struct PartyLabels {
    const char* number;
    const char* terms;
    const char* address;
    const char* address2;
    const char* amounts[4];
    const char* printNotes;
    const char* hold;
};

// The fields customers and vendors share, on pages General (0), Addresses (1), Account (2)
// and Notes (3).
template <class F>
EditTable PartyTable(const PartyLabels& l) {
    EditTable t{{"General", "Addresses", "Account", "Notes"}, {}};
    auto& f = t.fields;
    EditField number = Field("NumberEdit", l.number, K::Code, F::Number, 0);
    number.fixedOnceFiled = true;
    f.push_back(number);
    EditField name = Field("NameEdit", "&Name:", K::Text, F::Name, 0);
    name.required = true;
    f.push_back(name);
    f.push_back(Field("ShortNameEdit", "&Short name:", K::Text, F::ShortName, 0));
    f.push_back(Field("TypeEdit", "&Type:", K::Text, F::Type, 0));
    f.push_back(Field("Phone1Edit", "&Phone 1:", K::Text, F::Phone1, 0));
    f.push_back(Field("Phone2Edit", "P&hone 2:", K::Text, F::Phone2, 0));
    f.push_back(Field("EmailEdit", "&E-mail:", K::Text, F::Email, 0));
    f.push_back(Field("MailSortEdit", "&Mailing sort code:", K::Text, F::MailSort, 0));
    f.push_back(Field("TermsEdit", l.terms, K::Text, F::Terms, 0));
    f.push_back(Field("TaxExemptCB", "Ta&x exempt", K::YesNo, F::TaxExempt, 0));
    f.push_back(Field("HoldCB", l.hold, K::YesNo, F::Hold, 0));
    static const char* const first[] = {"Address1Edit", "Address2Edit", "Address3Edit",
                                        "Address4Edit"};
    static const char* const second[] = {"ShipTo1Edit", "ShipTo2Edit", "ShipTo3Edit",
                                         "ShipTo4Edit"};
    for (int i = 0; i < 4; ++i)
        f.push_back(Field(first[i], i == 0 ? l.address : "", K::Text, F::Address[i], 1));
    for (int i = 0; i < 4; ++i)
        f.push_back(Field(second[i], i == 0 ? l.address2 : "", K::Text, F::Address2[i], 1));
    f.push_back(Field("BalanceEdit", "&Balance:", K::Money, F::Balance, 2));
    f.push_back(Field("LastPaymentEdit", "&Last payment:", K::Date, F::LastPaymentDate, 2));
    static const char* const amountNames[] = {"Amount1Edit", "Amount2Edit", "Amount3Edit",
                                              "Amount4Edit"};
    for (int i = 0; i < 4; ++i)
        f.push_back(Field(amountNames[i], l.amounts[i], K::Money, F::Amounts[i], 2));
    f.push_back(Field("NotesMemo", "&Notes:", K::Memo, F::Notes, 3));
    f.push_back(Field("PrintNotesCB", l.printNotes, K::YesNo, F::PrintNotes, 3));
    return t;
}

std::optional<QString> Refusal(const EditField& field, const QString& text) {
    return text.arg(PlainLabel(field));
}

// The text stored for a number field, or nothing when it is not a number.
std::optional<std::string> NumberText(FieldKind kind, const QString& typed) {
    const auto value = Decimal::ParseBlankAsZero(StripCommas(ToCp1252(typed)));
    if (!value) return std::nullopt;
    try {
        if (kind == K::Money) return value->format("0.00");
        if (kind == K::Price && value->round(2) == *value) return value->format("0.00");
    } catch (const DecimalOverflow&) {
        return std::nullopt;
    }
    return value->general();
}

}  // namespace

QString PlainLabel(const EditField& field) {
    QString label = QString::fromUtf8(field.label ? field.label : "");
    label.remove('&');
    if (label.endsWith(':')) label.chop(1);
    return label;
}

const EditTable& CustomerEditTable() {
    static const EditTable table = [] {
        EditTable t = PartyTable<Customer>({"C&ustomer number:",
                                            "Te&rms:",
                                            "&Billing address:",
                                            "S&hipping address:",
                                            {"C&urrent:", "Period &1:", "Period &2:", "O&ver:"},
                                            "Print notes on &invoices",
                                            "Cre&dit hold / inactive"});
        auto& f = t.fields;
        f.push_back(Field("CreditLimitEdit", "Credit l&imit:", K::Money, Customer::CreditLimit, 2));
        f.push_back(
            Field("LastInvoiceEdit", "Last i&nvoice:", K::Text, Customer::LastInvoiceNumber, 2));
        f.push_back(Field("PrintStatementNotesCB", "Print notes on &statements", K::YesNo,
                          Customer::PrintNotesOnStatements, 3));
        return t;
    }();
    return table;
}

const EditTable& VendorEditTable() {
    static const EditTable table =
        PartyTable<Vendor>({"&Vendor number:",
                            "Purchase-order te&rms:",
                            "O&rder address:",
                            "Second a&ddress:",
                            {"Amount &1:", "Amount &2:", "Amount &3:", "Amount &4:"},
                            "Print notes on &purchase orders",
                            "Hold / &inactive"});
    return table;
}

const EditTable& ProductEditTable() {
    static const EditTable table = [] {
        namespace P = Product;
        EditTable t{{"General", "Pricing", "Stock", "Notes"}, {}};
        auto& f = t.fields;
        f.push_back(Field("CodeEdit", "&Product code:", K::Code, P::Code, 0));
        EditField description =
            Field("DescriptionEdit", "&Description:", K::Text, P::Description, 0);
        description.required = true;
        f.push_back(description);
        f.push_back(Field("PODescriptionEdit", "Pu&rchase-order description:", K::Text,
                          P::PODescription, 0));
        f.push_back(Field("KeyCodeEdit", "&Key code:", K::Text, P::KeyCode, 0));
        f.push_back(Field("LocationEdit", "&Location:", K::Text, P::Location, 0));
        f.push_back(Field("VendorEdit", "Preferred &vendor:", K::Text, P::PreferredVendor, 0));
        f.push_back(Field("SetupDateEdit", "&Setup date:", K::Date, P::SetupDate, 0));
        f.push_back(Field("ChangedDateEdit", "Last c&hanged:", K::Date, P::LastChangedDate, 0));
        f.push_back(Field("TaxableCB", "&Taxable on invoices", K::Flag, P::TaxableOnInvoices, 0));
        f.push_back(
            Field("POTaxableCB", "Taxable on p&urchase orders", K::Flag, P::TaxableOnPOs, 0));
        f.push_back(Field("OnHoldCB", "S&ales on hold", K::Flag, P::SalesOnHold, 0));

        f.push_back(Field("PriceEdit", "&Sales price:", K::Price, P::SalesPrice, 1));
        f.push_back(Field("ListPriceEdit", "&List price:", K::Price, P::ListPrice, 1));
        f.push_back(Field("CostEdit", "Cos&t:", K::Price, P::Cost, 1));
        EditField type = Field("PriceTypeCombo", "Price t&ype:", K::Choice, P::PriceType, 1);
        type.choices = {{"F", "Fixed"},
                        {"M", "Markup on cost"},
                        {"G", "Margin on cost"},
                        {"D", "Discount from list"}};
        f.push_back(type);
        f.push_back(
            Field("PercentEdit", "Pricing p&ercentage:", K::Quantity, P::PricingPercent, 1));
        EditField update =
            Field("PriceUpdateCombo", "Price &update:", K::Choice, P::PriceUpdate, 1);
        update.choices = {{"A", "Automatic"}, {"M", "Manual"}};
        f.push_back(update);
        f.push_back(Field("PreviousPriceEdit", "Pre&vious price:", K::Price, P::PreviousPrice, 1));
        f.push_back(
            Field("PriceChangeDateEdit", "Price c&hanged on:", K::Date, P::LastPriceChangeDate, 1));
        f.push_back(Field("BatchEdit", "Price-change &batch:", K::Text, P::PriceChangeBatch, 1));

        f.push_back(Field("StockEdit", "Stock on &hand:", K::Quantity, P::StockOnHand, 2));
        f.push_back(Field("MinimumEdit", "M&inimum stock:", K::Quantity, P::MinimumStock, 2));
        f.push_back(Field("MaximumEdit", "M&aximum stock:", K::Quantity, P::MaximumStock, 2));
        f.push_back(Field("TargetEdit", "&Target stock:", K::Quantity, P::TargetStock, 2));
        f.push_back(Field("WeightEdit", "&Weight:", K::Quantity, P::Weight, 2));
        f.push_back(Field("NonStockCB", "&Non-stock item", K::Flag, P::NonStock, 2));
        f.push_back(Field("NonDepletingCB", "Non-&depleting item", K::Flag, P::NonDepleting, 2));

        f.push_back(Field("NotesMemo", "&Notes:", K::Memo, P::Notes, 3));
        return t;
    }();
    return table;
}

QString FieldText(const EditField& field, std::span<const uint8_t> record) {
    switch (field.kind) {
        case K::Flag:
            return fields::ReadBool(record, field.offset) ? "1" : "0";
        case K::YesNo:
            return fields::ReadText(record, field.offset, field.width) == "Y" ? "Y" : "N";
        case K::Memo:
            return FromCp1252(fields::ReadText(record, field.offset, field.width))
                .replace("\r\n", "\n");
        default:
            return FromCp1252(fields::ReadText(record, field.offset, field.width));
    }
}

std::optional<QString> StoreField(const EditField& field, const QString& text,
                                  std::span<uint8_t> record, const DateFormat& dates) {
    if (FirstUnencodable(text) >= 0)
        return Refusal(field, "%1 holds a character that cannot be stored.");
    std::string stored;
    switch (field.kind) {
        case K::Flag:
            fields::WriteBool(record, field.offset, text == "1");
            return std::nullopt;
        case K::YesNo:
            stored.assign(1, text == "Y" ? 'Y' : 'N');
            break;
        case K::Choice: {
            const std::string value = ToCp1252(text);
            bool listed = false;
            for (const FieldChoice& c : field.choices) listed = listed || value == c.value;
            if (!listed) return Refusal(field, "Please choose the %1.");
            stored = value;
            break;
        }
        case K::Money:
        case K::Price:
        case K::Quantity: {
            const auto number = NumberText(field.kind, text);
            if (!number) return Refusal(field, "Please enter a valid number for %1.");
            stored = *number;
            break;
        }
        case K::Date: {
            const std::string typed = TrimBlanks(ToCp1252(text));
            if (typed.find_first_not_of("/ ") == std::string::npos) break;  // left blank
            const auto date = dates.parse(typed);
            if (!date) return Refusal(field, "Please enter a valid date for %1.");
            stored = dates.format(*date);
            break;
        }
        case K::Memo:
            stored = ToCp1252(QString(text).replace("\r\n", "\n").replace('\n', "\r\n"));
            break;
        case K::Code:
            stored = TrimBlanks(ToCp1252(text));
            if (stored.empty()) return Refusal(field, "Please enter the %1.");
            break;
        case K::Text:
            stored = ToCp1252(text);
            if (field.required && TrimBlanks(stored).empty())
                return Refusal(field, "Please enter the %1.");
            break;
    }
    // Never cut: a shortened number or name would be a different one.
    if (!fields::WriteWholeText(record, field.offset, field.width, stored))
        return QString("%1 can hold at most %2 characters.")
            .arg(PlainLabel(field))
            .arg(field.width);
    return std::nullopt;
}
