#pragma once
// The product record (616 bytes, file stem + "P"). Bytes 0..3 are the engine's.

#include <array>

#include "engine/record_fields.h"

class ProductRec : public fields::Record<ProductRec, 616> {};

namespace Product {

using Text = fields::Text<ProductRec>;
using Num = fields::Number<ProductRec>;
using Bool = fields::Bool<ProductRec>;

inline constexpr Num Code{4, 10};           // key 1, unique
inline constexpr Text Description{15, 32};  // on invoices; key 2
inline constexpr Bool TaxableOnInvoices{59};
inline constexpr Num SalesPrice{60, 10};
inline constexpr Num StockOnHand{71, 10};
inline constexpr Text Notes{82, 225};
inline constexpr Text SetupDate{308, 10};
inline constexpr Text LastChangedDate{319, 10};
inline constexpr Num ListPrice{345, 10};
inline constexpr Num Cost{356, 10};
inline constexpr Text PODescription{367, 32};
// "F" fixed, "M" markup on cost, "G" margin on cost, "D" discount from list.
inline constexpr Text PriceType{400, 1};
inline constexpr Text PriceUpdate{402, 1};  // "A" automatic, "M" manual
inline constexpr Bool TaxableOnPOs{404};
inline constexpr Num PricingPercent{405, 10};
inline constexpr Bool NonStock{416};
inline constexpr Bool NonDepleting{417};
inline constexpr Text Location{418, 20};
inline constexpr Text KeyCode{439, 10};  // key 3
inline constexpr Num Weight{450, 10};
inline constexpr Num PreviousPrice{472, 10};
inline constexpr Text LastPriceChangeDate{495, 10};
inline constexpr Num MaximumStock{506, 10};
inline constexpr Num MinimumStock{517, 10};
inline constexpr Num TargetStock{528, 10};
inline constexpr Bool SalesOnHold{539};
inline constexpr Text PriceChangeBatch{540, 2};
inline constexpr Text PreferredVendor{543, 20};

}  // namespace Product
