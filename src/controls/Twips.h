// Window geometry is given in twips (15 twips = 1 pixel at 96 dots per inch). Every window
// converts through this one function, so a size comes out the same wherever it is used.
#pragma once

namespace pelta {

// Rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips) { return (twips + 7) / 15; }

}  // namespace pelta
