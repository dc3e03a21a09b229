// The e-SLOG 2.0 invoice model: the business terms (BT-n, BG-n of EN 16931) of one invoice
// as plain values.
//
// It is built either from the work data (BuildInvoice, build.h), where every value of the
// document is derived, or from an e-SLOG 2.0 document read back by a checker; the writer
// serialises it as it stands and the business-rule checks read it. Nothing here refers to
// work-data records, settings or files.
//
// Conventions: texts are UTF-8, already in their final form (trimmed, cut to the element's
// length in characters); an empty text means the term is absent. Codes are kept as texts so
// that a document's unknown code can be represented and reported. Numbers are Decimal and
// carry the scale they are written with; std::nullopt means absent. Dates are "YYYY-MM-DD".
// Every vector is in document order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "eslog20/decimal.h"

namespace eracuni::eslog20 {

// BT-24, written in FTX DOC.
inline constexpr std::string_view kSpecificationIdentifier = "urn:cen.eu:en16931:2017";
// BT-121 of a reverse-charge invoice.
inline constexpr std::string_view kReverseChargeReasonCode = "VATEX-EU-AE";

// VAT category codes (UNTDID 5305) of BT-118 and BT-151.
namespace vat {
inline constexpr std::string_view kStandard = "S";
inline constexpr std::string_view kReverseCharge = "AE";
inline constexpr std::string_view kExempt = "E";
inline constexpr std::string_view kZeroRated = "Z";
inline constexpr std::string_view kIntraCommunity = "K";
inline constexpr std::string_view kExport = "G";
inline constexpr std::string_view kNotSubject = "O";
}  // namespace vat

// A free-text note (S_FTX): subject code (BT-21, D_4451) and text (BT-22, D_4440). The
// BT-24 identifier (DOC) and the exemption reason (AGM) have terms of their own.
struct Note {
  std::string subject;  // "PAI", "ALQ", "GEN", "AAI"
  std::string text;
};

// A preceding or supporting document (G_SG1 other than the payment reference).
struct DocumentReference {
  std::string code;            // D_1153: "ON" (BT-13), "CT" (BT-12), "OI" (BT-25), ...
  std::string id;              // D_1154
  std::string date;            // D_2380, "" when absent; BT-26 for "OI"
  std::string date_qualifier;  // D_2005: "384" for "OI", "171" otherwise; "" without a date
};

// A party (BG-4 seller, BG-7 buyer, BG-13/BG-15 deliver-to).
struct Party {
  std::string name;          // BT-27 / BT-44 / BT-70
  std::string street;        // BT-35 / BT-50 / BT-75
  std::string city;          // BT-37 / BT-52 / BT-77
  std::string postcode;      // BT-38 / BT-53 / BT-78
  std::string country;       // BT-40 / BT-55 / BT-80
  std::string iban;          // S_FII: BT-84 (RB) for the seller, NBT-010 (BB) for the buyer
  std::string bic;           // S_FII C_C088/D_3433: BT-86 / NBT-012
  std::string bank_name;     // S_FII C_C088/D_3432
  std::string vat_id;        // RFF VA: BT-31 / BT-48
  std::string tax_number;    // RFF AHP: BT-32 / NBT-013
  std::string registration;  // RFF 0199: BT-30 / BT-47
  std::string contact;       // S_CTA: BT-41 (SU) / BT-56 (PD)
};

// A line allowance (BG-27) or charge (BG-28), or one of the document (BG-20, BG-21: only
// documents read back have those; the terms in brackets are theirs).
struct AllowanceCharge {
  bool charge = false;                // S_ALC D_5463: "A" allowance, "C" charge
  std::string reason_code;            // BT-140 ("95") / BT-145 ("ABK") [BT-98 / BT-105]
  std::optional<Decimal> percentage;  // BT-138 / BT-143 [BT-94 / BT-101]
  std::optional<Decimal> amount;      // BT-136 / BT-141 (MOA 204 / 23) [BT-92 / BT-99]
  std::optional<Decimal> base;        // BT-137 / BT-142 (MOA 25) [BT-93 / BT-100]
  std::string vat_category;           // document level only: [BT-95 / BT-102]
  std::optional<Decimal> vat_rate;    // document level only: [BT-96 / BT-103]
  std::string reason;                 // BT-139 / BT-144 [BT-97 / BT-104]; only read back
};

// An invoice line (BG-25).
struct Line {
  std::string id;                           // BT-126
  std::string seller_item_id;               // BT-155
  std::string name;                         // BT-153
  std::optional<Decimal> quantity;          // BT-129
  std::string unit;                         // BT-130
  std::optional<Decimal> net_amount;        // BT-131 (MOA 203)
  std::optional<Decimal> amount_with_vat;   // NBT-031 (MOA 38)
  std::optional<Decimal> net_price;         // BT-146 (PRI AAA)
  std::optional<Decimal> gross_price;       // BT-148 (PRI AAB)
  std::string vat_category;                 // BT-151
  std::optional<Decimal> vat_rate;          // BT-152; absent for category O
  std::optional<Decimal> vat_base;          // NBT-032 (G_SG34 MOA 125)
  std::optional<Decimal> vat_amount;        // NBT-033 (G_SG34 MOA 124)
  std::vector<AllowanceCharge> allowances_charges;
};

// One VAT breakdown (BG-23) per category and rate.
struct VatBreakdown {
  std::string category;                   // BT-118
  std::optional<Decimal> rate;            // BT-119; absent for category O
  std::optional<Decimal> taxable_amount;  // BT-116
  std::optional<Decimal> tax_amount;      // BT-117
};

// Document totals (BG-22).
struct Totals {
  std::optional<Decimal> line_net_total;   // BT-106 (MOA 79)
  std::optional<Decimal> allowances;       // BT-107 (MOA 260); documents read back only
  std::optional<Decimal> charges;          // BT-108 (MOA 259); documents read back only
  std::optional<Decimal> tax_exclusive;    // BT-109 (MOA 389)
  std::optional<Decimal> tax_total;        // BT-110 (MOA 176)
  std::optional<Decimal> tax_inclusive;    // BT-112 (MOA 388)
  std::optional<Decimal> paid;             // BT-113 (MOA 113); absent when zero
  std::optional<Decimal> rounding;         // BT-114 (MOA 366); absent when zero
  std::optional<Decimal> payable;          // BT-115 (MOA 9)
};

struct Invoice {
  std::string message_reference;         // S_UNH/D_0062
  std::string type_code;                 // BT-3
  std::string number;                    // BT-1
  std::string issue_date;                // BT-2 (DTM 137)
  std::string vat_point_date;            // BT-7 (DTM 131); the work data has none
  std::string delivery_date;             // BT-72 (DTM 35)
  std::string period_start;              // BT-73 (DTM 167)
  std::string period_end;                // BT-74 (DTM 168)
  std::string specification_identifier;  // BT-24 (FTX DOC)
  std::vector<Note> notes;               // FTX PAI, ALQ, GEN, AAI in this order
  std::string exemption_reason_code;     // BT-121 (FTX AGM, C_C107/D_4441)
  std::string exemption_reason;          // BT-120 (FTX AGM, C_C108/D_4440)
  std::vector<DocumentReference> references;
  std::string payment_reference;         // BT-83 (RFF PQ, the last G_SG1)
  Party seller;
  Party buyer;
  std::string buyer_reference;           // BT-10 (buyer's RFF CR)
  std::optional<Party> deliver_to;       // name and address only
  std::string currency;                  // BT-5
  std::string due_date;                  // BT-9 (G_SG8 DTM 13)
  std::string payment_means_code;        // BT-81 (G_SG8 PAI); "" when none
  std::vector<Line> lines;
  std::vector<AllowanceCharge> allowances_charges;  // BG-20, BG-21; documents read back only
  Totals totals;
  std::vector<VatBreakdown> vat_breakdown;
};

}  // namespace eracuni::eslog20
