#pragma once
// The customer record (916 bytes, file stem + "C") and the vendor record (952 bytes, stem +
// "V"). Vendors keep the customer layout at every offset they use, so the shared fields are
// named once for both; each layout adds its own. Bytes 0..3 are the engine's.

#include <array>

#include "engine/record_fields.h"

class CustomerRec : public fields::Record<CustomerRec, 916> {};
class VendorRec : public fields::Record<VendorRec, 952> {};

template <class R>
struct PartyFields {
    using Text = fields::Text<R>;
    using Num = fields::Number<R>;

    static constexpr Num Number{4, 8};   // key 2; fixed once on file: documents refer to it
    static constexpr Text Name{13, 35};  // key 1
    static constexpr Num Balance{49, 12};
    static constexpr Text LastPaymentDate{62, 10};
    static constexpr Text Type{83, 25};
    static constexpr Text TaxExempt{109, 1};  // "Y" / "N"
    static constexpr Text Terms{122, 35};     // vendors: purchase-order terms
    // Customers: billing and shipping address; vendors: order and second address.
    static constexpr std::array<Text, 4> Address{{{158, 35}, {194, 35}, {230, 35}, {266, 35}}};
    static constexpr Text Phone1{302, 25};
    static constexpr std::array<Text, 4> Address2{{{328, 35}, {364, 35}, {400, 35}, {436, 35}}};
    static constexpr Text Phone2{472, 25};
    // Customers: aging current, period 1, period 2, over; vendors: written "0.00" on adding.
    static constexpr std::array<Num, 4> Amounts{{{498, 10}, {509, 10}, {520, 10}, {531, 10}}};
    static constexpr Text Notes{542, 200};
    static constexpr Text PrintNotes{743, 1};  // on invoices / on purchase orders, "Y" / "N"
    static constexpr Text ShortName{760, 10};
    static constexpr Text MailSort{771, 15};  // mailing-list sort code
    static constexpr Text Hold{813, 1};       // credit hold / inactive, "Y" / "N"
    static constexpr Text Email{815, 50};
};

struct Customer : PartyFields<CustomerRec> {
    static constexpr Num LastInvoiceNumber{73, 9};
    static constexpr Num CreditLimit{111, 10};
    static constexpr Text PrintNotesOnStatements{745, 1};  // "Y" / "N"
};

struct Vendor : PartyFields<VendorRec> {};
