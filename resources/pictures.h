#pragma once

#include "platform/picture.h"

// The eight pictures the windows show, each read from the application's resources on first
// use and kept for the run. A picture that cannot be read yields nothing, and the next call
// tries again.
namespace tavrel::pictures {

platform::PictureRef VeskhzSm(); // 168: the name badge at the foot of the about window
platform::PictureRef d();        // 169: the about window's picture of d
platform::PictureRef SpEqt();    // 170: the pooled standard deviation
platform::PictureRef duEqt();    // 171: Hedges's unbiased d and its correction factor
platform::PictureRef dEqt();     // 172: Cohen's d
platform::PictureRef CLEqt();    // 173: the common language effect size
platform::PictureRef SdEqt();    // 174: the standard deviation of the unbiased d
platform::PictureRef Question(); // 175: the main window's information icon

} // namespace tavrel::pictures
