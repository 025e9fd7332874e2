// How numbers appear in status texts.
#pragma once

#include <QString>
#include <cstdint>

namespace pelta {

// Whole numbers: plain decimal, leading minus when negative.
QString NumberText(int64_t value);
// Doubles: general format, at most 15 significant digits, no trailing zeros, no point for
// whole values, the user's decimal separator, no thousands separators.
QString NumberText(double value);
// Doubles as a person reads them in the capture summary: at most 3 decimals (more only for
// values below 0.01, which keep 3 significant digits rather than read as 0), otherwise as
// NumberText.
QString ReadableNumberText(double value);

}  // namespace pelta
