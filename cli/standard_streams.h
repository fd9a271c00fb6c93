#pragma once

#include <cstdio>

namespace tavrel::cli {

// Standard input and output as the program was given them. A descriptor that was closed at
// start is taken by /dev/null, so that no file the program opens gets its number and is read
// or written in its place (an output file read as the input); its stream is then null, and
// using it is reported as the error it is.
struct StandardStreams {
    std::FILE* in;
    std::FILE* out;
};
StandardStreams ClaimStandardStreams();

} // namespace tavrel::cli
