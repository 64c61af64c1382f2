#pragma once

#include <string_view>

namespace zemo {

// A number as a database writes it: [sign] digits [. digits] [e [sign] digits].
// Converts to the nearest double. `exact` tells whether a different number could round to the same
// double (false for more than 15 significant digits), so that ties between doubles can be settled
// by compareNumberText. False when the text is not a number.
bool parseNumberText(std::string_view text, double& value, bool& exact);

// Orders two number texts by their exact decimal values (-1, 0, 1), however many digits they have.
// Texts that are not plain decimals (inf, nan, words) compare by their doubles, then by their bytes.
int compareNumberText(std::string_view a, std::string_view b);

} // namespace zemo
