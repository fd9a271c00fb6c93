// The least a run of tavrel-batch has to do, without the engine: read the table with the same
// reader, pass every column on, and write eight short texts and thirteen shortest round-trip
// numbers a row with the same writer. What tavrel-batch takes beyond this is the press.
//   tavrel_batch_floor IN.csv OUT.csv
#include "csv/csv_reader.h"
#include "csv/csv_writer.h"

#include <charconv>
#include <cstdio>

using namespace tavrel::csv;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: tavrel_batch_floor IN.csv OUT.csv\n", stderr);
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    std::FILE* out = std::fopen(argv[2], "wb");
    if (in == nullptr || out == nullptr) {
        std::perror("tavrel_batch_floor");
        return 2;
    }
    CsvWriter writer(out, ',');
    CsvReader(in, ',').ReadAll([&](const Record& record) {
        for (const std::string_view field : record.fields) {
            writer.PlainField(field);
        }
        // Thirteen different numbers of full precision, from the row's own columns.
        double seed = 0;
        const std::string_view m1 = record.fields.size() > 2 ? record.fields[2] : "";
        std::from_chars(m1.data(), m1.data() + m1.size(), seed);
        for (int i = 0; i < 8; ++i) {
            writer.PlainField("+.123");
        }
        for (int i = 1; i <= 13; ++i) {
            writer.Number((seed + i) / 7.3);
        }
        writer.EndRow();
    });
    const bool written = writer.Flush();
    std::fclose(in);
    return std::fclose(out) == 0 && written ? 0 : 1;
}
