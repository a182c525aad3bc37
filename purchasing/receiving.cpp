#include "purchasing/receiving.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <utility>

#include "invoicing/posting/plan_refusal.h"
#include "invoicing/posting/posting_steps.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "shell/app_context.h"
#include "shell/keyed_sort.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

namespace {

const QString WizardCaption = QStringLiteral("Receiving Wizard");

// Where a stored line keeps its parts: quantity (1-10), description (11-42), unit price
// (43-52), tax flag (53).
struct LineParts {
    std::string quantity, description, unitPrice, taxFlag;
};

std::string Slice(const std::string& text, std::size_t from, std::size_t width) {
    return from < text.size() ? text.substr(from, width) : std::string();
}

LineParts PartsOf(const POLineRec& line) {
    const std::string text = line.get(POLine::LineText);
    return {Slice(text, 0, 10), Slice(text, 10, 32), Slice(text, 42, 10), Slice(text, 52, 1)};
}

// Codes compare as the key builders see them.
std::string CodeKey(std::string_view code) {
    return UpperAscii(TrimBlanks(code));
}

Decimal NumberOrZero(std::string_view text) {
    return AmountOf(text).value_or(Decimal());
}

struct StoredLine {
    int32_t ref = 0;
    POLineRec record;
};

// Every line of the order (key 2), checked against the number as well as the index. False
// when the file cannot be read.
bool ReadOrderLines(std::string_view poNumber, std::vector<StoredLine>& lines) {
    POLineRec probe;
    if (!probe.set(POLine::LinePONumber, TrimBlanks(poNumber))) return true;  // no such order
    const std::string wanted = BuildPOLineKey(probe, POLineNumberKey);
    const DataFile& file = POLineData();
    std::string key = wanted;
    int32_t ref = 0;
    if (!file.Search(wanted, ref, POLineNumberKey, &key))
        return EngineErrorCode == EngineCode::KeyNotFound;
    while (key == wanted) {
        StoredLine line{ref, {}};
        if (!file.ReadRec(ref, line.record.bytes())) return false;
        if (BuildPOLineKey(line.record, POLineNumberKey) == wanted) lines.push_back(line);
        NextKey(file.handle(), POLineNumberKey, ref, key);
        if (!EngineOK) return EngineErrorCode == EngineCode::NoNextKey;
    }
    return true;
}

// A line without a product: it has nothing to bring into stock, only its receipt to record.
bool NamesNoProduct(std::string_view code) {
    const std::string trimmed = TrimBlanks(code);
    return trimmed.empty() || trimmed == NoProductCode;
}

// Which of the order's ordered lines of its product each ordered line is: 1, 2, ... in
// record order (`lines` in the order of the number key, which is record order).
struct OrderedLineNumbers {
    std::map<int32_t, int> of;         // ordered line's Ref -> its number
    std::map<std::string, int> count;  // code key -> the product's ordered lines
};

OrderedLineNumbers NumberOrderedLines(const std::vector<StoredLine>& lines) {
    OrderedLineNumbers numbers;
    for (const StoredLine& line : lines)
        if (!POLine::IsReceiverLine(line.record))
            numbers.of[line.ref] =
                ++numbers.count[CodeKey(line.record.get(POLine::LineProductCode))];
    return numbers;
}

// The ordered line of its product that a receiver line belongs to; the first when it names
// none (lines of a product the order names once) or one the order does not have.
int OrderedLineOfReceiver(const POLineRec& line, const OrderedLineNumbers& numbers) {
    const std::string text = TrimBlanks(line.get(POLine::LineOrderedLine));
    int number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    const auto count = numbers.count.find(CodeKey(line.get(POLine::LineProductCode)));
    const bool known = ec == std::errc() && end == text.data() + text.size() &&
                       count != numbers.count.end() && number >= 1 && number <= count->second;
    return known ? number : 1;
}

// A problem met while loading or planning: the first one ends the work.
struct Refused {
    ReceivingRefusal refusal;
};

[[noreturn]] void Refuse(const QString& text, const QString& caption = WizardCaption,
                         ReceivingField field = ReceivingField::None, int row = -1,
                         MsgIcon icon = MsgIcon::Information) {
    throw Refused{{text, caption, icon, field, row}};
}

QString Qs(std::string_view text) {
    return FromCp1252(text);
}

}  // namespace

ReceivingList LoadReceivingList(std::string_view poNumber, bool openOnly) {
    ReceivingList list;
    const StepFile open(POLineData());
    std::vector<StoredLine> lines;
    if (!open.ok() || !ReadOrderLines(poNumber, lines)) {
        list.error = QString("The PO lines cannot be read (error %1).").arg(EngineErrorCode);
        return list;
    }
    const OrderedLineNumbers numbers = NumberOrderedLines(lines);
    // By product code, each product's receiver lines ("L") before its ordered line ("P"),
    // then in record order.
    StableSortByKey(lines, [](const StoredLine& line) {
        return std::pair{CodeKey(line.record.get(POLine::LineProductCode)),
                         TrimBlanks(line.record.get(POLine::LineKind))};
    });

    try {
        // (code key, ordered line number) -> the receiver lines' sum
        std::map<std::pair<std::string, int>, Decimal> laterReceipts;
        for (const StoredLine& line : lines) {
            const POLineRec& r = line.record;
            const auto received = AmountOf(r.get(POLine::LineReceivedQty));
            const std::string ordered = TrimBlanks(PartsOf(r).quantity);
            const auto orderedQty = AmountOf(ordered);
            if (!received || !orderedQty) {
                list.error = QString(
                                 "A line of product %1 on PO %2 holds a quantity that is "
                                 "not a number.")
                                 .arg(Qs(TrimBlanks(r.get(POLine::LineProductCode))),
                                      Qs(TrimBlanks(poNumber)));
                return list;
            }
            list.totalReceived += *received;
            list.totalOrdered += *orderedQty;
            if (POLine::IsReceiverLine(r))
                laterReceipts[{CodeKey(r.get(POLine::LineProductCode)),
                               OrderedLineOfReceiver(r, numbers)}] += *received;
        }

        for (const StoredLine& line : lines) {
            const POLineRec& r = line.record;
            const std::string code = TrimBlanks(r.get(POLine::LineProductCode));
            const LineParts parts = PartsOf(r);
            if (POLine::IsReceiverLine(r) || TrimBlanks(parts.quantity).empty()) continue;
            const Decimal toDate = *AmountOf(r.get(POLine::LineReceivedQty)) +
                                   laterReceipts[{CodeKey(code), numbers.of.at(line.ref)}];
            const Decimal balance = *AmountOf(TrimBlanks(parts.quantity)) - toDate;
            if (openOnly && balance.isZero()) continue;
            ReceivingRow row;
            row.description = TrimBlanks(parts.description);
            row.code = code;
            row.unitCost = TrimBlanks(parts.unitPrice);
            row.ordered = TrimBlanks(parts.quantity);
            row.kind = r.get(POLine::LineKind);
            row.toDate = toDate.general();
            row.inToday = "0";
            row.balanceDue = balance.isZero() ? "0" : "";
            row.lineRef = line.ref;
            list.rows.push_back(std::move(row));
        }
    } catch (const DecimalOverflow&) {
        list = ReceivingList{};
        list.error = "The quantities of this PO are too large to add up.";
    }
    return list;
}

std::string BalanceDueText(const ReceivingRow& row) {
    const auto due = Decimal::Sub(NumberOrZero(row.ordered), NumberOrZero(row.toDate));
    const auto left = due ? Decimal::Sub(*due, NumberOrZero(row.inToday)) : std::nullopt;
    return left ? left->general() : std::string();
}

void ReceiveAll(ReceivingRow& row) {
    const auto due = Decimal::Sub(NumberOrZero(row.ordered), NumberOrZero(row.toDate));
    row.inToday = due ? due->general() : "0";
    row.balanceDue = "0";
}

void ReceiveNone(ReceivingRow& row) {
    row.inToday = "0";
    row.balanceDue = BalanceDueText(row);
}

std::string ProposedReceiverNumber(const CompanyRec& company, std::string_view poNumber) {
    const std::string next = TrimBlanks(company.get(Company::NextReceiverNumber));
    return next.empty() ? TrimBlanks(poNumber) : next;
}

std::optional<std::string> NextReceiverNumberAfter(std::string_view receiver) {
    const auto value = Decimal::Parse(TrimBlanks(receiver));
    if (!value) return std::nullopt;
    const auto one = Decimal::FromInt(1);
    const auto next = Decimal::Add(*value, *one);
    if (!next) return std::nullopt;
    try {
        return next->format("0");
    } catch (const DecimalOverflow&) {
        return std::nullopt;
    }
}

namespace {

const QString OverReceiptText =
    "You are receiving more items than ordered. A Change to the PO is probably needed. "
    "Continue anyway?";
const QString FutureDateText =
    "Your received date is AFTER (older than) todays date. It will not appear on your "
    "receiving report unless you include this date in the search. Are you sure you want to "
    "do this?";

bool RowIsEmpty(const ReceivingRow& row) {
    return TrimBlanks(row.code).empty() && TrimBlanks(row.description).empty() &&
           TrimBlanks(row.ordered).empty();
}

class Planner {
public:
    Planner(const ReceivingEntry& entry, const ReceivingQuestion& ask) : e_(entry), ask_(ask) {}

    ReceivingPosting Plan() {
        CheckEntry();
        PlanRows();
        PlanCompany();
        PlanHeader();
        return std::move(p_);
    }

private:
    // The checks of Post, in the order the user meets them.
    void CheckEntry() {
        if (e_.rows.empty() || RowIsEmpty(e_.rows.front()))
            Refuse("You need to select a PO to receive.", WizardCaption, ReceivingField::PONumber);
        if (TrimBlanks(e_.poNumber).empty())
            Refuse("You need to enter a PO number.", "PO Number", ReceivingField::PONumber);
        receiver_ = TrimBlanks(e_.receiverNumber);
        if (receiver_.empty())
            Refuse("You need to enter a receiver number.", "Receiver Number",
                   ReceivingField::ReceiverNumber);
        if (static_cast<int>(receiver_.size()) > POLine::LineReceiverNumber.width)
            Refuse(QString("A receiver number has at most %1 characters.")
                       .arg(POLine::LineReceiverNumber.width),
                   "Receiver Number", ReceivingField::ReceiverNumber);

        for (std::size_t i = 0; i < e_.rows.size(); ++i) {
            const ReceivingRow& row = e_.rows[i];
            const int at = static_cast<int>(i);
            const auto today = AmountOf(row.inToday);
            if (!today)
                Refuse(QString("The amount in the \"In Today\" column of product %1 (\"%2\") is "
                               "not a number.")
                           .arg(Qs(row.code), Qs(TrimBlanks(row.inToday))),
                       "Received Items", ReceivingField::Grid, at, MsgIcon::Warning);
            const auto balance = Decimal::Parse(StripCommas(row.balanceDue));
            if (!TrimBlanks(row.balanceDue).empty() && balance && balance->isNegative() &&
                !ask_(OverReceiptText, "Product: " + Qs(row.description)))
                Refuse({}, {}, ReceivingField::Grid, at);
            todayTotal_ =
                SumOrRefuse(Decimal::Add(todayTotal_, *today), "The total received today");
            todays_.push_back(*today);
        }
        if (todayTotal_.isZero())
            Refuse(
                "You have not entered an amount for any items in the \"In Today\" column. "
                "You have nothing to receive.",
                "Received Items");

        if (!lines_.ok())
            throw PlanRefusal{
                QString("The PO lines cannot be read (error %1).").arg(EngineErrorCode)};
        POLineRec probe;
        probe.set(POLine::LineReceiverNumber, receiver_);
        POLineRec found;
        if (POLineData().Find(POLineReceiverKey, BuildPOLineKey(probe, POLineReceiverKey),
                              found.bytes()) != 0)
            Refuse("The receiver number you entered already exists. Enter a different number.",
                   "Duplicate Receiver Number", ReceivingField::ReceiverNumber);

        const ShellContext& shell = Shell();
        const auto date = shell.companies.dateFormat().parse(TrimBlanks(e_.receiverDate));
        if (!date)
            Refuse("The receiver date is not a valid date.", "Receiver Date",
                   ReceivingField::ReceiverDate, -1, MsgIcon::Warning);
        if (*date > shell.clock.today() && !ask_(FutureDateText, "Please Confirm"))
            Refuse({}, {}, ReceivingField::ReceiverDate);
        receiptDate_ = SortableDate(*date);
    }

    void PlanRows() {
        p_.poNumber = TrimBlanks(e_.loadedPONumber);
        std::map<int32_t, std::size_t> stockAt;  // product Ref -> its latest planned stock
        std::vector<StockChange> stock;
        std::map<int32_t, POLineRec> linesAsPlanned;
        for (std::size_t i = 0; i < e_.rows.size(); ++i) {
            const ReceivingRow& row = e_.rows[i];
            const std::string code = TrimBlanks(row.code);
            const Decimal today = todays_[i];
            if ((code.empty() && row.lineRef == 0) || today.isZero()) continue;
            RowReceipt receipt;

            if (!NamesNoProduct(code)) {
                const std::optional<ProductRec> found = FindProduct(code);
                if (!found) {
                    // Nothing to bring into stock and no line to mark: the row is left out.
                    p_.skippedProducts.push_back(code);
                    skippedTotal_ =
                        SumOrRefuse(Decimal::Add(skippedTotal_, today), "The total received today");
                    continue;
                }
                const ProductRec& product = *found;
                if (!product.get(Product::NonStock)) {
                    auto at = stockAt.find(productRef_);
                    if (at == stockAt.end()) {
                        at = stockAt.emplace(productRef_, stock.size()).first;
                        stock.push_back({productRef_, product});
                    }
                    ProductRec& planned = stock[at->second].record;
                    const QString what = QString("The stock on hand of product %1").arg(Qs(code));
                    const Decimal onHand = AmountOrRefuse(planned.get(Product::StockOnHand), what);
                    SetOrRefuse(planned, Product::StockOnHand,
                                SumOrRefuse(Decimal::Add(onHand, today), what).general(), what);
                    receipt.stock = StockChange{productRef_, planned};
                }
            }

            const QString product = Qs(code.empty() ? TrimBlanks(row.description) : code);
            POLineRec line;
            const int32_t lineRef = OrderedLineOf(row, line);
            if (lineRef == 0)
                Refuse(QString("The ordered line of product %1 is no longer on PO %2. Select "
                               "Find to load the PO again.")
                           .arg(product, Qs(p_.poNumber)),
                       WizardCaption, ReceivingField::Grid, static_cast<int>(i));
            if (auto planned = linesAsPlanned.find(lineRef); planned != linesAsPlanned.end())
                line = planned->second;
            const QString what = QString("The quantity received of product %1").arg(product);
            if (AmountOrRefuse(line.get(POLine::LineReceivedQty), what).isZero()) {
                // The first receipt is kept on the ordered line itself.
                Stamp(line, today, what);
                receipt.lineRef = lineRef;
                linesAsPlanned[lineRef] = line;
            } else {
                // Later receipts each add a line with "0" as quantity and extension, so that
                // the order's totals ignore them, naming the ordered line they belong to.
                const LineParts parts = PartsOf(line);
                line.set(POLine::LineText,
                         PadRightWith("0", ' ', 10) +
                             PadRightWith(TrimBlanks(parts.description), ' ', 32) +
                             PadRightWith(TrimBlanks(parts.unitPrice), ' ', 10) +
                             PadRightWith(parts.taxFlag, ' ', 1) + PadRightWith("0", ' ', 10));
                line.set(POLine::LineKind, POLine::KindReceiver);
                const int number = Order().numbers.of.at(lineRef);
                SetOrRefuse(line, POLine::LineOrderedLine, number > 1 ? std::to_string(number) : "",
                            what);
                Stamp(line, today, what);
            }
            receipt.line = line;
            p_.receipts.push_back(std::move(receipt));
        }
        if (p_.receipts.empty())
            Refuse(QString("No product of the rows with an amount is on file (%1), so nothing "
                           "can be received.")
                       .arg(Qs(JoinedWith(p_.skippedProducts, ", "))),
                   WizardCaption, ReceivingField::Grid, 0);
    }

    // The order's lines as on file now, its ordered lines numbered within their products.
    struct OrderOnFile {
        std::map<int32_t, POLineRec> lines;
        OrderedLineNumbers numbers;
    };
    const OrderOnFile& Order() {
        if (!order_) {
            std::vector<StoredLine> lines;
            if (!ReadOrderLines(p_.poNumber, lines))
                throw PlanRefusal{
                    QString("The PO lines cannot be read (error %1).").arg(EngineErrorCode)};
            order_.emplace();
            order_->numbers = NumberOrderedLines(lines);
            for (const StoredLine& line : lines) order_->lines.emplace(line.ref, line.record);
        }
        return *order_;
    }

    // The ordered line the row was loaded from, as it is on file now: its Ref, the line
    // copied into `line`; 0 when it is no longer an ordered line of this order and product.
    // A row that names no line takes its product's first ordered line.
    int32_t OrderedLineOf(const ReceivingRow& row, POLineRec& line) {
        const int32_t ref =
            row.lineRef != 0 ? row.lineRef : FindOrderedPOLine(p_.poNumber, row.code, line);
        const OrderOnFile& order = Order();
        if (!order.numbers.of.count(ref)) return 0;
        const POLineRec& stored = order.lines.at(ref);
        if (CodeKey(stored.get(POLine::LineProductCode)) != CodeKey(row.code)) return 0;
        line = stored;
        return ref;
    }

    void Stamp(POLineRec& line, Decimal today, const QString& what) {
        line.set(POLine::LineReceiptDate, receiptDate_);
        SetOrRefuse(line, POLine::LineReceivedQty, today.general(), what);
        line.set(POLine::LineReceived, "Y");
        line.set(POLine::LineReceiverNumber, receiver_);
    }

    // The product of the code; nothing when it is not on file. A file that cannot be searched
    // refuses the receipt: its rows are not known to be off the file.
    std::optional<ProductRec> FindProduct(const std::string& code) {
        if (!products_) {
            products_.emplace(ProductData());
            if (!products_->ok())
                throw PlanRefusal{
                    QString("The product file cannot be opened (error %1).").arg(EngineErrorCode)};
        }
        ProductRec probe;
        ProductRec found;
        productRef_ = 0;
        if (!probe.set(Product::Code, code)) return std::nullopt;
        productRef_ = ProductData().Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey),
                                         found.bytes());
        if (productRef_ == 0 && LookupFailed()) throw PlanRefusal{LookupFailureText("product")};
        if (productRef_ == 0) return std::nullopt;
        return found;
    }

    void PlanCompany() {
        CompanyRec stored = StoredCompanyOrRefuse(Shell());
        p_.nextReceiverNumber = NextReceiverNumberAfter(receiver_);
        if (p_.nextReceiverNumber)
            SetOrRefuse(stored, Company::NextReceiverNumber, *p_.nextReceiverNumber,
                        "The next receiver number");
    }

    void PlanHeader() {
        const Decimal open = AmountOrRefuse(e_.openQuantity, "The open quantity of the PO");
        const StepFile file(POData());
        PORec probe;
        p_.headerRef = file.ok() && probe.set(PurchaseOrder::PONumber, p_.poNumber)
                           ? POData().Find(PONumberKey, BuildPOKey(probe, PONumberKey),
                                           p_.headerAsRead.bytes())
                           : 0;
        if (p_.headerRef == 0)
            Refuse(QString("PO %1 is not on file, so nothing can be received on it.")
                       .arg(Qs(p_.poNumber)));
        p_.header = p_.headerAsRead;
        // Rows left out for want of their product did not come in.
        const Decimal received =
            SumOrRefuse(Decimal::Sub(todayTotal_, skippedTotal_), "The total received today");
        // Received in full or over: the order is received, since the date it first was.
        const bool fullyReceived =
            !(SumOrRefuse(Decimal::Sub(open, received), "The quantity still open") > Decimal());
        const bool wasReceived =
            ParseSortableDate(TrimBlanks(p_.headerAsRead.get(PurchaseOrder::POReceivedDate)))
                .has_value();
        if (!fullyReceived)
            p_.header.set(PurchaseOrder::POReceivedDate, PurchaseOrder::NotReceived);
        else if (!wasReceived)
            p_.header.set(PurchaseOrder::POReceivedDate, receiptDate_);
    }

    const ReceivingEntry& e_;
    const ReceivingQuestion& ask_;
    ReceivingPosting p_;
    const StepFile lines_{POLineData()};
    std::optional<StepFile> products_;
    std::optional<OrderOnFile> order_;
    int32_t productRef_ = 0;
    std::string receiver_;
    std::string receiptDate_;
    Decimal todayTotal_;
    Decimal skippedTotal_;
    std::vector<Decimal> todays_;
};

}  // namespace

ReceivingPlan PlanReceiving(const ReceivingEntry& entry, const ReceivingQuestion& ask) {
    ReceivingPlan plan;
    try {
        plan.posting = Planner(entry, ask).Plan();
    } catch (const Refused& refused) {
        plan.refusal = refused.refusal;
    } catch (const PlanRefusal& refused) {
        plan.refusal.text = refused.text;
        plan.refusal.caption = refused.caption.isEmpty() ? WizardCaption : refused.caption;
    }
    return plan;
}

namespace {

void ReceivingSteps(const ReceivingPosting& posting) {
    PurchasingState& purchasing = Purchasing();
    {
        const StepFile lines(POLineData());
        if (!lines.ok()) RaiseError("Modify operation failed");
        for (const RowReceipt& receipt : posting.receipts) {
            // Each row's stock goes with its line, as the row is posted.
            if (receipt.stock) WriteStock({&*receipt.stock, 1});
            purchasing.POLineBuf = receipt.line;
            if (receipt.lineRef != 0) {
                if (!UpdatePOLineRecord(receipt.lineRef))
                    RaiseError("Receiver detail modify operation failed");
            } else {
                int32_t ref = 0;
                // The row's stock is written: its line must be too.
                if (!AddPOLineRecord(ref)) RaiseError("PO receiver detail add failed.");
            }
        }
    }

    WriteCompany([&posting](CompanyRec& c) {
        return !posting.nextReceiverNumber ||
               c.set(Company::NextReceiverNumber, *posting.nextReceiverNumber);
    });

    const StepFile header(POData());
    purchasing.POBuf = posting.header;
    // The order's lines are received: its header must say so too.
    if (!header.ok() || !UpdatePORecord(posting.headerAsRead, posting.headerRef))
        RaiseError("PO Receiver Key Failed");
}

}  // namespace

void WriteReceiving(const ReceivingPosting& posting) {
    PostAsOneUnit([&] { ReceivingSteps(posting); });
}
