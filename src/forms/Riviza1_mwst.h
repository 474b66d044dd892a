// The VAT rates of the year and the recomputation of a voucher from its positions (form
// library, application shell).
//
// Money is computed in whole cents: every amount a table holds as a floating-point number is
// taken to the nearest cent (quantities to the nearest thousandth, rates to the nearest
// hundredth of a percent) and every quotient is rounded to the cent with ties to even, the
// processor's rounding the Windows program relied on. So 19 % of 10,00 is exactly 1,90 and a
// total of many positions is the sum of what the positions show.
#pragma once

#include <optional>
#include <string_view>

#include "platform/result.h"

namespace riviza {

// A VAT rate as typed ("19", "7", "5,5", " 16,00 "): digits with a German decimal comma and
// at most two decimals, 0 to 100; in hundredths of a percent. nullopt for anything else.
std::optional<long long> mwstSatzLesen(std::string_view text);

// The amount a/b to the nearest whole unit, ties to even (b > 0).
long long rundenGerade(long long zaehler, long long nenner);

// Recomputes the current voucher of Table1 from its positions selected in Table2: positions
// without HM Nummer and Pharmazentralnummer are deleted, the others numbered 1, 2, ... and
// given their net, gross and co-payment indicator, and the voucher its gross and co-payment
// sums. The position cursor goes back to record `positionSatz` (the nearest one left).
Status BelegSummenNeuBerechnen(int positionSatz);

}  // namespace riviza
