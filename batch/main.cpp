#include "batch/run.h"

#include <cstdio>

int main(int argc, char** argv) {
    return tavrel::batch::RunBatch({argv + 1, argv + argc}, stdin, stdout, stderr);
}
