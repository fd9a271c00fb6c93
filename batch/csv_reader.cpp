#include "batch/csv_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <csv.h>

namespace tavrel::batch {

struct CsvReader::Parser {
    csv_parser state{};
};

namespace {

// Spaces around unquoted fields are data, not padding.
int NoSpaceCharacters(unsigned char) {
    return 0;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

CsvReader::CsvReader(std::FILE* input, char delimiter) : input_(input), parser_(new Parser) {
    if (csv_init(&parser_->state, CSV_STRICT | CSV_STRICT_FINI | CSV_REPALL_NL) != 0) {
        delete parser_;
        throw InputError("cannot set up the CSV parser", 0);
    }
    csv_set_delim(&parser_->state, static_cast<unsigned char>(delimiter));
    csv_set_space_func(&parser_->state, &NoSpaceCharacters);
    if (delimiter == '\t') {
        csv_set_quote(&parser_->state, '\0');
    }
}

CsvReader::~CsvReader() {
    csv_free(&parser_->state);
    delete parser_;
}

void CsvReader::ReadAll(const std::function<void(const Record&)>& onRecord) {
    onRecord_ = &onRecord;
    std::array<char, 1 << 16> buffer; // NOLINT: filled by fread before use
    bool first = true;
    while (true) {
        const std::size_t size = std::fread(buffer.data(), 1, buffer.size(), input_);
        if (size == 0) {
            if (std::ferror(input_) != 0) {
                throw InputError(std::string("cannot read the input: ") + std::strerror(errno), 0);
            }
            break;
        }
        std::string_view chunk(buffer.data(), size);
        if (first && chunk.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
            chunk.remove_prefix(kByteOrderMark.size());
        }
        first = false;
        Check(csv_parse(&parser_->state, chunk.data(), chunk.size(), &OnField, &OnRecordEnd, this),
              chunk.size());
    }
    if (csv_fini(&parser_->state, &OnField, &OnRecordEnd, this) != 0) {
        throw InputError("a quoted field is not closed", recordLine_);
    }
}

void CsvReader::Check(std::size_t parsed, std::size_t size) {
    if (parsed != size) {
        throw InputError(csv_error(&parser_->state) == CSV_EPARSE
                             ? "malformed quoting"
                             : csv_strerror(csv_error(&parser_->state)),
                         offsets_.empty() ? line_ : recordLine_);
    }
}

void CsvReader::OnField(void* data, std::size_t size, void* self) {
    auto& reader = *static_cast<CsvReader*>(self);
    if (reader.offsets_.empty()) {
        reader.recordLine_ = reader.line_;
        reader.arena_.clear();
    }
    reader.offsets_.push_back(reader.arena_.size());
    const auto* text = static_cast<const char*>(data);
    reader.arena_.append(text, size);
    // Line breaks inside a quoted field still count as lines.
    reader.line_ += std::count(text, text + size, '\n');
}

void CsvReader::OnRecordEnd(int terminator, void* self) {
    static_cast<CsvReader*>(self)->EndRecord(terminator);
}

void CsvReader::EndRecord(int terminator) {
    if (!offsets_.empty()) {
        offsets_.push_back(arena_.size());
        record_.fields.clear();
        for (std::size_t i = 0; i + 1 < offsets_.size(); ++i) {
            record_.fields.emplace_back(arena_.data() + offsets_[i], offsets_[i + 1] - offsets_[i]);
        }
        record_.line = recordLine_;
        offsets_.clear();
        (*onRecord_)(record_);
    }
    // A record ending in CR is followed by its LF, which is reported on its own.
    if (terminator == '\n') {
        ++line_;
    }
}

} // namespace tavrel::batch
