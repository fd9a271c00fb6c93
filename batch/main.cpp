#include "batch/run.h"
#include "batch/standard_streams.h"

#include <cstdio>

int main(int argc, char** argv) {
    const tavrel::batch::StandardStreams streams = tavrel::batch::ClaimStandardStreams();
    return tavrel::batch::RunBatch({argv + 1, argv + argc}, streams.in, streams.out, stderr);
}
