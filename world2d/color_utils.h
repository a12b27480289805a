#pragma once
// Splitting, building and shading colour values for the drawings on the circuit.

#include "core/color.h"

namespace vorlanth {

// The three parts of a colour, each masked to 0..255.
void ColorToRGBParts(TColor color, int& r, int& g, int& b);
// Moves the colour toward white by Factor (negative darkens); 0 changes nothing.
void LightenColor(TColor& color, double factor);
// Scales the colour by a brightness-dependent power of Gamma; 1 changes nothing.
void ScaleColor(TColor& color, double gamma);

}  // namespace vorlanth
