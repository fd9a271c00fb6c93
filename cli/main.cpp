#include "cli/run.h"
#include "cli/standard_streams.h"

#include <cstdio>

int main(int argc, char** argv) {
    const tavrel::cli::StandardStreams streams = tavrel::cli::ClaimStandardStreams();
    return tavrel::cli::RunBatch({argv + 1, argv + argc}, streams.in, streams.out, stderr);
}
