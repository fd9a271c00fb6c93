// Reads arbitrary bytes with CsvReader and compares every record, line number and verdict with
// a plain character-by-character reading of the same rules, which is slow but easy to check by
// eye. The first byte picks comma or tab and a read buffer of 1 to 64 bytes, so that records
// are cut by the end of a read at every possible place.
#include "csv/csv_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using tavrel::csv::CsvReader;
using tavrel::csv::MalformedInput;
using tavrel::csv::Record;

namespace {

struct Reading {
    std::vector<std::vector<std::string>> records;
    std::vector<long> lines;
    std::optional<long> errorLine; // set when the input was refused
    bool operator==(const Reading&) const = default;
};

Reading Reference(std::string_view text, char delimiter) {
    const bool quoting = delimiter != '\t';
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    Reading reading;
    long line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        const long recordLine = line;
        std::vector<std::string> fields;
        bool lineEnded = false;
        if (text[i] == '\r' || text[i] == '\n') {
            lineEnded = true; // a blank line
        }
        while (!lineEnded) {
            std::string field;
            if (quoting && i < text.size() && text[i] == '"') {
                const long opened = line;
                ++i;
                while (true) {
                    if (i == text.size()) {
                        reading.errorLine = opened; // never closed
                        return reading;
                    }
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    // LF, or a CR not followed by one, ends a line.
                    line += text[i] == '\n' || (text[i] == '\r' &&
                                                (i + 1 == text.size() || text[i + 1] != '\n'))
                                ? 1
                                : 0;
                    field += text[i++];
                }
                if (i < text.size() && text[i] != delimiter && text[i] != '\r' && text[i] != '\n') {
                    reading.errorLine = line; // something after the closing quote
                    return reading;
                }
            } else {
                while (i < text.size() && text[i] != delimiter && text[i] != '\r' &&
                       text[i] != '\n') {
                    if (quoting && text[i] == '"') {
                        reading.errorLine = line; // a quote inside an unquoted field
                        return reading;
                    }
                    field += text[i++];
                }
            }
            fields.push_back(field);
            if (i < text.size() && text[i] == delimiter) {
                ++i;
            } else {
                lineEnded = true;
            }
        }
        if (!fields.empty()) {
            reading.records.push_back(fields);
            reading.lines.push_back(recordLine);
        }
        if (i < text.size()) { // a line break: CRLF, LF or a lone CR
            i += text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
            ++line;
        }
    }
    return reading;
}

Reading Read(std::string& text, char delimiter, std::size_t buffer) {
    Reading reading;
    std::FILE* file = fmemopen(text.data(), text.size(), "rb");
    try {
        CsvReader(file, delimiter, buffer).ReadAll([&](const Record& record) {
            reading.records.emplace_back(record.fields.begin(), record.fields.end());
            reading.lines.push_back(record.line);
        });
    } catch (const MalformedInput& e) {
        reading.errorLine = e.Line();
    }
    std::fclose(file);
    return reading;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const char delimiter = data[0] % 2 == 0 ? ',' : '\t';
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Reading expected = Reference(text, delimiter);
    Reading actual = Read(text, delimiter, 1 + (data[0] >> 1) % 64);
    if (expected.errorLine) {
        // What was read before the error is not compared: the reader may stop at a different
        // point of the same record.
        actual.records.resize(std::min(actual.records.size(), expected.records.size()));
        actual.lines.resize(actual.records.size());
    }
    if (!(actual == expected)) {
        std::abort();
    }
    return 0;
}
