#include "cli/run.h"
#include "cli/standard_streams.h"

#include <cstdio>
#include <malloc.h>

int main(int argc, char** argv) {
    // The meta-analysis of a large table fits models whose vectors and matrices run to tens of
    // megabytes, made and freed many times over. By default glibc maps each afresh and gives
    // freed memory back at once, so every fit paid its page faults again (four times the fits'
    // arithmetic on a million studies); kept, the memory is reused.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    const tavrel::cli::StandardStreams streams = tavrel::cli::ClaimStandardStreams();
    return tavrel::cli::RunBatch({argv + 1, argv + argc}, streams.in, streams.out, stderr);
}
