#pragma once
// The company record (file "cvcomp"): the settings, counters and totals of one company. Every
// field is named here once; nothing else computes an offset into the record. Bytes 0..3 are
// the engine's.

#include <array>

#include "engine/record_fields.h"

class CompanyRec : public fields::Record<CompanyRec, 3600> {};

namespace Company {

using Text = fields::Text<CompanyRec>;
using Number = fields::Number<CompanyRec>;
using Bool = fields::Bool<CompanyRec>;
using I32 = fields::I32<CompanyRec>;
using Byte = fields::Byte<CompanyRec>;

// A font setting: name, point size, colour (0x00BBGGRR) and style bits.
struct Font {
    Text name;
    I32 size;
    I32 colour;
    Byte style;
};
inline constexpr uint8_t StyleBold = 1, StyleItalic = 2, StyleUnderline = 4, StyleStrikeOut = 8;

// --- identity and addresses ---
inline constexpr Text Name{4, 35};             // CName; key 2
inline constexpr Number CompanyNumber{40, 5};  // 1..32000; key 1; trimmed, the file stem
inline constexpr Number ReceivablesTotal{46, 10};
inline constexpr std::array<Text, 4> Address{
    {{57, 35}, {93, 35}, {129, 35}, {165, 35}}};  // CAdd1-4
inline constexpr std::array<Text, 4> POShipTo{
    {{201, 35}, {237, 35}, {273, 35}, {309, 35}}};  // POSA1-4
inline constexpr Text ExtraAddress{345, 35};        // ExtraAdd1
inline constexpr Font EditorFont{{381, 32}, I32{416}, I32{420}, Byte{424}};

// --- invoices ---
inline constexpr Number NextInvoiceNumber{993, 9};
inline constexpr Number DefaultQuantity{1003, 9};
inline constexpr Bool PrintDuplicate{1013};  // "Duplicate" on a reprinted invoice
inline constexpr Number TaxRate{1018, 6};    // percent
// "M" month first, "D" day first, "Y" year first.
inline constexpr Text DateOrderSetting{1061, 1};     // DDMMYY
inline constexpr Text InvoiceNumberPrefix{1063, 1};  // "Y": month-and-year prefix
inline constexpr Text NewInvoiceType{1095, 1};       // "P" line items, else memo

// --- managers and printed invoice layout ---
inline constexpr Font ManagersFont{{1098, 40}, I32{1140}, I32{1144}, Byte{1148}};
inline constexpr Bool VerticalLines{1149};        // HorLCB
inline constexpr Bool HorizontalLines{1150};      // VLineCB
inline constexpr Number LineWidth{1151, 1};       // LineWidthVal, pixels
inline constexpr Bool InvoiceBox{1154};           // IBoxCB
inline constexpr Bool UseShading{1156};           // ShadeCB
inline constexpr Bool LetterheadStyle{1157};      // CheckBox5
inline constexpr Bool PrintSalesMessages{1158};   // SMsgCB
inline constexpr Bool MoveTotalsDown{1160};       // MoveDwnCB
inline constexpr Number BoxTop{1161, 2};          // BigBxTop, pixels
inline constexpr Number TopFormMargin{1164, 2};   // TopFormMar, printer units
inline constexpr Number LeftFormMargin{1167, 2};  // LeftFormMar, printer units
inline constexpr Bool PrintLogo{1170};            // UseBmpCB
inline constexpr Text LogoFile{1171, 250};
inline constexpr Text CodeHeading{1526, 15};         // PrCdhead
inline constexpr Text QuantityHeading{1542, 15};     // QuanHead
inline constexpr Text DescriptionHeading{1558, 32};  // DescHead
inline constexpr Text UnitCostHeading{1591, 15};     // Edit8
inline constexpr Text ExtensionHeading{1607, 15};    // ExtHead
inline constexpr Text TaxHeading{1623, 10};          // TaxName
inline constexpr Bool PrintPackingSlip{1715};
inline constexpr Bool PrintInvoiceFileCopies{1716};
inline constexpr Number LastInvoiceNumber{1718, 9};

// The printed fonts, 48 bytes apart from 1728: name s35 (+0), size (+36), colour (+40),
// style (+44), 3 bytes unused.
constexpr Font PrintFont(int k) {
    const int base = 1728 + 48 * k;
    return Font{{base, 35}, I32{base + 36}, I32{base + 40}, Byte{base + 44}};
}
inline constexpr int PrintFontCount = 6;
inline constexpr Font BodyFont = PrintFont(0);
inline constexpr Font CaptionFont = PrintFont(1);
inline constexpr Font CompanyAddressFont = PrintFont(2);
inline constexpr Font CustomerAddressFont = PrintFont(3);
inline constexpr Font AgingFont = PrintFont(4);  // also the purchase-order signature
inline constexpr Font SalesMessageFont = PrintFont(5);

inline constexpr Number MaxLines{2097, 2};  // MaxLines

// --- interest and statements ---
inline constexpr Text LastInterestRun{2100, 10};   // date
inline constexpr Text LastStatementRun{2111, 10};  // date
inline constexpr Bool InterestMarkPrinted{2144};
inline constexpr Text InterestTerms{2145, 35};
inline constexpr Text InterestOverdueClass{2181, 1};  // "3", "6" or "9"
inline constexpr Number InterestMinimumCharge{2183, 5};
inline constexpr Number InterestMonthlyRate{2189, 6};

// --- print queue, copies, audit ---
inline constexpr Text QueueInvoiceCustomer{2267, 1};  // CpyToLQue
inline constexpr Text QueueBatchCustomers{2269, 1};   // BatchLabels
inline constexpr Number InvoiceFileCopies{2271, 1};
inline constexpr Number PushAddress{2273, 10};     // PushAddr, pixels
inline constexpr Text OmitCompanyName{2297, 1};    // CNameOnForm
inline constexpr Text RequireAuditTrail{2300, 1};  // AuditCB

// --- purchase orders and receiving ---
inline constexpr Number NextPONumber{2303, 9};                               // NxtPONum
inline constexpr std::array<Text, 2> POSignature{{{2313, 75}, {2389, 75}}};  // POSign1-2
inline constexpr Bool NewPOsReceived{2465};
inline constexpr Text POCaption{2466, 25};  // PoHeadTxt
inline constexpr Bool PrintPOFileCopies{2492};
inline constexpr Text POFileCopyCaption{2495, 25};  // POCopyHeadr
inline constexpr Text POMemoHeader{2521, 80};       // POMemoHdr
inline constexpr Bool TaxOnPOs{2602};
inline constexpr Number LastPONumber{2608, 9};
inline constexpr Number NextReceiverNumber{2618, 12};  // NxtRecvr
inline constexpr Number ShadingSpacing{2648, 5};       // pixels
inline constexpr Text ShadingStyle{2654, 1};           // "D" dots, "L" solid
inline constexpr Bool PrintNewPOAtOnce{2658};
inline constexpr Bool ProductCodesOnPOs{2659};  // CBPConPO
inline constexpr std::array<Text, 4> POMessage{
    {{2667, 78}, {2746, 78}, {2825, 78}, {2904, 78}}};  // POM1-4
inline constexpr Text InvoiceShipToCaption{2983, 25};   // InvShipHead
inline constexpr Text POShipToCaption{3009, 25};        // POShipHead
inline constexpr Text DefaultPOTerms{3035, 35};
inline constexpr Text NewPOType{3071, 1};          // PProd: "P" line items, else memo
inline constexpr Text POPrefix{3073, 1};           // CBPrefixPO
inline constexpr Text PrintDuplicatePO{3075, 1};   // CBDupPOs
inline constexpr Text QueuePOVendor{3077, 1};      // POCpytoVen
inline constexpr Text QueueBatchVendors{3079, 1};  // CPOBatVen
inline constexpr Number POFileCopies{3083, 1};

// --- e-mail ---
inline constexpr Text EmailAddress{3121, 50};  // CEMailAdd
// The mail host sits in the free bytes right after the company's address.
inline constexpr Text SmtpHost{3172, 50};
inline constexpr Text EmailRules{3547, 1};                  // "Y": rules of dashes
inline constexpr Text EmailIncludeWithoutAddress{3551, 1};  // EMInclCust

// --- aging ---
inline constexpr std::array<Number, 3> AgingPeriod{
    {{3555, 3}, {3559, 3}, {3563, 3}}};  // CAVal1-3, days
inline constexpr std::array<Text, 3> AgingCaption{
    {{3567, 10}, {3578, 10}, {3589, 10}}};  // CACap1-3

}  // namespace Company
