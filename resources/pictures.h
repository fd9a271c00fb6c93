#pragma once

#include "platform/picture.h"

// The eight pictures the windows show, each read from the application's resources on first
// use and kept for the run. A picture that cannot be read yields nothing, and the next call
// tries again.
namespace tavrel::pictures {

platform::PictureRef NameBadge();              // the name at the foot of the about window
platform::PictureRef NormalCurves();           // the about window's two curves, d apart
platform::PictureRef PooledSDEquation();       // the pooled standard deviation
platform::PictureRef UnbiasedDEquation();      // Hedges's unbiased d and its correction factor
platform::PictureRef CohensDEquation();        // Cohen's d
platform::PictureRef CommonLanguageEquation(); // the common language effect size
platform::PictureRef UnbiasedDSDEquation();    // the standard deviation of the unbiased d
platform::PictureRef InformationIcon();        // the calculator's question mark

} // namespace tavrel::pictures
