#include "purchasing/po_posting.h"

#include <array>

#include "invoicing/posting/posting_steps.h"
#include "platform/cp1252.h"
#include "purchasing/po_document.h"
#include "purchasing/po_memo_file.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

namespace PO = PurchaseOrder;

const QString PostCaption = QStringLiteral("Post PO");

Date DateOrRefuse(std::string_view typed, const QString& what) {
    if (const auto date = Shell().companies.dateFormat().parse(typed)) return *date;
    throw PlanRefusal{QString("%1 %2 is not a valid date.").arg(what, FromCp1252(typed))};
}

}  // namespace

POEntryDates FillPOHeaderFromEntry(PORec& h, const POEntry& e) {
    POEntryDates dates;
    const std::array<fields::Text<PORec>, 4> shipTo{PO::POShipTo1, PO::POShipTo2, PO::POShipTo3,
                                                    PO::POShipTo4};
    for (std::size_t k = 0; k < shipTo.size(); ++k) h.set(shipTo[k], e.shipTo[k]);
    SetOrRefuse(h, PO::PONumber, UpperAscii(TrimBlanks(e.number)), "The PO number");
    h.set(PO::PODate, e.date);
    if (e.markReceived) {
        dates.received = SortableDate(DateOrRefuse(e.receivedDate, "The received date"));
        h.set(PO::POMarkedReceived, "Y");
        h.set(PO::POReceivedDate, dates.received);
    } else {
        h.set(PO::POMarkedReceived, "N");
        h.set(PO::POReceivedDate, PO::NotReceived);
    }
    h.set(PO::PODateRequired, SortableDate(DateOrRefuse(e.dateRequired, "The date required")));
    const Date date = DateOrRefuse(e.date, "The PO date");
    dates.ymd = SortableDate(date);
    h.set(PO::POMonth, TwoDigits(date.month));
    h.set(PO::PODay, TwoDigits(date.day));
    h.set(PO::POYear, std::to_string(date.year));
    h.set(PO::PODateYMD, dates.ymd);

    h.set(PO::PONotes, e.notes);
    h.set(PO::POTerms, e.terms);
    SetOrRefuse(h, PO::POVendorNumber, TrimBlanks(e.vendorNumber), "The vendor number");
    h.set(PO::POVendorShortName, e.vendorShortName);
    h.set(PO::POKeyCode, e.keyCode);
    const std::array<std::pair<fields::Number<PORec>, std::pair<const std::string*, QString>>, 3>
        amounts{{{PO::PONet, {&e.net, "The net amount"}},
                 {PO::POTax, {&e.tax, "The tax"}},
                 {PO::POTotal, {&e.total, "The PO total"}}}};
    for (const auto& [field, amount] : amounts) {
        AmountOrRefuse(*amount.first, amount.second);
        SetOrRefuse(h, field, StripCommas(*amount.first), amount.second);
    }
    h.set(PO::POSignature1, e.signature1);
    h.set(PO::POSignature2, e.signature2);
    return dates;
}

void FillPOLineFromRow(POLineRec& line, const POEntry& e, int rowNr, const EntryRow& row,
                       std::string_view companyNumber, std::string_view ymd,
                       std::string_view received) {
    const QString where = QString("Line %1").arg(rowNr);
    SetOrRefuse(line, POLine::LineCompanyNumber, companyNumber, "The company number");
    SetOrRefuse(line, POLine::LinePONumber, e.number, "The PO number");
    line.set(POLine::LinePODateYMD, ymd);
    line.set(POLine::LineKind, POLine::KindOrdered);
    line.set(POLine::LineStatus, PO::StatusOpen);
    SetOrRefuse(line, POLine::LineVendorNumber, TrimBlanks(e.vendorNumber), "The vendor number");
    line.set(POLine::LineVendorShortName, e.vendorShortName);
    line.set(POLine::LineProductCode, TrimBlanks(row.code.substr(0, 10)));
    const auto text = InvoiceLineText(row);
    if (!text)
        throw PlanRefusal{where + " has a value wider than its column; it cannot be stored whole."};
    line.set(POLine::LineText, *text);
    line.set(POLine::LineReceiverNumber, " ");
    if (e.markReceived) {
        line.set(POLine::LineReceiptDate, received);
        const std::string quantity = StripCommas(TrimBlanks(row.quantity));
        AmountOrRefuse(quantity, where + ": the quantity");
        SetOrRefuse(line, POLine::LineReceivedQty, quantity, where + ": the quantity");
        line.set(POLine::LineReceived, "Y");
    } else {
        line.set(POLine::LineReceiptDate, " ");
        static_cast<void>(line.set(POLine::LineReceivedQty, "0"));
        line.set(POLine::LineReceived, "N");
    }
}

POMemoRec POMemoFromEntry(const POEntry& e, int32_t own) {
    POMemoRec memo;
    SetOrRefuse(memo, POMemo::MemoPONumber, e.number, "The PO number");
    SetPOMemoLines(memo, e.memoLines);
    POMemoRec onFile;
    const int32_t ref =
        POMemoData().Find(POMemoNumberKey, BuildPOMemoKey(memo, POMemoNumberKey), onFile.bytes());
    if (ref != 0 && ref != own)
        throw PlanRefusal{
            QString("A memo for PO number %1 is already on file. Please use another PO number.")
                .arg(FromCp1252(TrimBlanks(e.number))),
            "Duplicate Memo"};
    return memo;
}

namespace {

class Planner {
public:
    explicit Planner(const POEntry& entry) : e_(entry) {}

    POPosting Plan() {
        const CompanyRec& company = Shell().companies.CurrentCompany;
        companyNumber_ = TrimBlanks(company.get(Company::CompanyNumber));
        p_.number = e_.number;
        p_.print = e_.print;
        p_.memoOrder = e_.memo;
        PlanHeader();
        PlanLines();
        PlanStock();
        PlanVendor(company);
        PlanCompany();
        PlanMemo();
        return std::move(p_);
    }

private:
    void PlanHeader() {
        PORec& h = p_.header;
        const POEntryDates dates = FillPOHeaderFromEntry(h, e_);
        ymd_ = dates.ymd;
        received_ = dates.received;
        h.set(PO::POStatus, PO::StatusOpen);
        SetOrRefuse(h, PO::POCompanyNumber, companyNumber_, "The company number");
        h.set(PO::POType, e_.memo ? PO::TypeMemo : PO::TypeLineItems);
    }

    void PlanLines() {
        for (const auto& [rowNr, row] : PostedRows(e_)) {
            POLineRec line;
            FillPOLineFromRow(line, e_, rowNr, row, companyNumber_, ymd_, received_);
            if (e_.markReceived) line.set(POLine::LineReceiverNumber, AutoReceiverNumber);
            p_.lines.push_back(line);
        }
    }

    // Goods received on entry come into stock at once; the rest waits for receiving.
    void PlanStock() {
        if (!e_.markReceived) return;
        StockPlan stock(true);
        for (const auto& [code, quantity] : StockSales(e_)) stock.Move(code, quantity, true);
        p_.stock = stock.changes();
    }

    void PlanVendor(const CompanyRec& company) {
        const std::optional<VendorRec> found = FindVendorByNumber(e_.vendorNumber);
        if (!found && LookupFailed())
            throw PlanRefusal{LookupFailureText("vendor"), "Vendor Required"};
        if (!found)
            throw PlanRefusal{QString("Vendor %1 is not on file. Please pick the vendor again.")
                                  .arg(FromCp1252(TrimBlanks(e_.vendorNumber))),
                              "Vendor Required"};
        p_.vendor = *found;
        const VendorRec& v = p_.vendor;
        if (TrimBlanks(company.get(Company::QueuePOVendor)) == "Y")
            p_.labelRow = VendorLabelRow{v.get(Vendor::Number), v.get(Vendor::Name),
                                         v.get(Vendor::MailSort), v.get(Vendor::Type)};
    }

    void PlanCompany() {
        const CompanyRec stored = StoredCompanyOrRefuse(Shell());
        CompanyRec trial = stored;
        SetOrRefuse(trial, Company::LastPONumber, e_.number, "The PO number");
        p_.lastPONumber = e_.number;
        p_.nextPONumber =
            NextInvoiceNumberAfter(e_.number, TrimBlanks(stored.get(Company::POPrefix)) == "Y");
    }

    // The memo key is unique: a memo left under this number would refuse the memo after the
    // order and its lines were written.
    void PlanMemo() {
        if (!e_.memo) return;
        p_.memo = POMemoFromEntry(e_, 0);
    }

    const POEntry& e_;
    POPosting p_;
    std::string companyNumber_;
    std::string ymd_;
    std::string received_;
};

}  // namespace

POPostingPlan PlanPOPosting(const POEntry& entry) {
    POPostingPlan plan;
    RunPlanning([&] { plan.posting = Planner(entry).Plan(); }, plan.refusal, plan.caption,
                PostCaption);
    return plan;
}
