#pragma once

#include "cli/run.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace tavrel::cli::batchtest {

struct Result {
    int status;
    std::string out;
    std::string err;
};

// Runs tavrel-batch on `input` as standard input, capturing both outputs.
inline Result RunTool(const std::string& input, std::vector<std::string> args = {}) {
    std::FILE* in = fmemopen(const_cast<char*>(input.data()), input.size(), "rb");
    if (input.empty()) {
        in = std::fopen("/dev/null", "rb");
    }
    char* outData = nullptr;
    std::size_t outSize = 0;
    char* errData = nullptr;
    std::size_t errSize = 0;
    std::FILE* out = open_memstream(&outData, &outSize);
    std::FILE* err = open_memstream(&errData, &errSize);
    const int status = RunBatch(args, in, out, err);
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    Result result{status, std::string(outData, outSize), std::string(errData, errSize)};
    std::free(outData);
    std::free(errData);
    return result;
}

// A line of a table without quoted fields, split at its commas; a trailing comma ends an empty
// field.
inline std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream split(line + ",");
    for (std::string field; std::getline(split, field, ',');) {
        fields.push_back(field);
    }
    return fields;
}

} // namespace tavrel::cli::batchtest
