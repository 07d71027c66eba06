// The twelve named colour schemes of the gradient button: six graded, six flat.
#pragma once

#include <optional>

#include "TXiButton.h"

namespace XiButton {

// The colour that a named scheme writes at colour index `index` (0 to 24), or nothing where
// the scheme leaves the colour as it was. csCustom writes nothing.
std::optional<TColor> schemeColor(TColorScheme scheme, int index);

// True for the six graded schemes (csNeoDesert to csNeoSun), which turn Gradient on; the flat
// ones turn it off.
bool schemeHasGradient(TColorScheme scheme);

}  // namespace XiButton
