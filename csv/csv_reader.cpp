#include "csv/csv_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tavrel::csv {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsLineBreak(char c) {
    return c == '\n' || c == '\r';
}

// Whether `p` ends a line: an LF, or a CR not followed by one.
bool EndsLine(const char* p, const char* end) {
    return *p == '\n' || (*p == '\r' && (p + 1 == end || p[1] != '\n'));
}

} // namespace

CsvReader::CsvReader(std::FILE* input, char delimiter, std::size_t buffer,
                     std::size_t longestRecord)
    : input_(input), buffer_(std::max<std::size_t>(buffer, 1) + 1), longestRecord_(longestRecord) {
    if (delimiter != kDetect) {
        UseDelimiter(delimiter);
    }
}

void CsvReader::UseDelimiter(char delimiter) {
    delimiter_ = delimiter;
    quoting_ = delimiter != '\t';
    special_.fill(false);
    for (const char c : {delimiter, '\n', '\r'}) {
        special_[static_cast<unsigned char>(c)] = true;
    }
    special_[static_cast<unsigned char>('"')] = quoting_;
}

void CsvReader::DetectDelimiter() {
    long commas = 0;
    long semicolons = 0;
    bool quoted = false;
    for (std::size_t i = begin_; i < end_ && (quoted || !IsLineBreak(buffer_[i])); ++i) {
        const char c = buffer_[i];
        quoted = c == '"' ? !quoted : quoted;
        commas += !quoted && c == ',' ? 1 : 0;
        semicolons += !quoted && c == ';' ? 1 : 0;
    }
    UseDelimiter(semicolons > commas ? ';' : ',');
}

bool CsvReader::Refill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ + 1 == buffer_.size()) {
        // One record fills the buffer: make room, within reason.
        if (end_ >= longestRecord_) {
            throw MalformedInput(
                "a record is longer than " + std::to_string(longestRecord_ >> 20) + " MiB", line_);
        }
        buffer_.resize(std::min(2 * end_, longestRecord_) + 1);
    }
    const std::size_t read =
        std::fread(buffer_.data() + end_, 1, buffer_.size() - 1 - end_, input_);
    if (read == 0) {
        if (std::ferror(input_) != 0) {
            throw MalformedInput(std::string("cannot read the input: ") + std::strerror(errno), 0);
        }
        atEnd_ = true;
    }
    end_ += read;
    buffer_[end_] = '\n'; // stops every scan at the end of what is buffered
    return read > 0;
}

void CsvReader::ReadAll(const std::function<void(const Record&)>& onRecord) {
    Refill();
    while (!atEnd_ && end_ < kByteOrderMark.size() && Refill()) {
    }
    beginning_.assign(buffer_.data(), std::min(end_, kBeginningKept));
    if (std::string_view(buffer_.data(), end_).starts_with(kByteOrderMark)) {
        begin_ = kByteOrderMark.size();
    }
    if (delimiter_ == kDetect) {
        DetectDelimiter();
    }

    while (begin_ < end_ || !atEnd_) {
        char* const from = buffer_.data() + begin_;
        char* const stop = buffer_.data() + end_;
        char* recordEnd = SplitPlain(from);
        const bool plain = recordEnd != nullptr;
        if (!plain) {
            recordEnd = FindRecordEnd(from);
        }
        // The record may go on past the buffer, and a CR at its end may be half a CRLF.
        if (!atEnd_ && (recordEnd == stop || (recordEnd + 1 == stop && *recordEnd == '\r'))) {
            Refill();
            continue;
        }
        // Throws for a quote left open: at the end of the input that is where the record ends.
        const long breaks = plain ? 0 : SplitQuoted(from, recordEnd);

        if (recordEnd != from) {
            record_.line = line_;
            record_.plain = plain;
            onRecord(record_);
        }
        line_ += breaks;
        char* next = recordEnd;
        if (next < stop) {
            ++line_;
            next += (*next == '\r' && next + 1 < stop && next[1] == '\n') ? 2 : 1;
        }
        begin_ = static_cast<std::size_t>(next - buffer_.data());
    }
}

char* CsvReader::SplitPlain(char* from) {
    char* const stop = buffer_.data() + end_;
    record_.fields.clear();
    char* field = from;
    char* p = from;
    while (true) {
        while (!special_[static_cast<unsigned char>(*p)]) {
            ++p;
        }
        if (p == stop && !atEnd_) {
            return nullptr; // the record goes on past what is buffered
        }
        if (p < stop && *p == delimiter_) {
            record_.fields.emplace_back(field, static_cast<std::size_t>(p - field));
            field = ++p;
            continue;
        }
        if (p < stop && !IsLineBreak(*p)) {
            return nullptr; // a quote
        }
        if (p != from) {
            record_.fields.emplace_back(field, static_cast<std::size_t>(p - field));
        }
        return p;
    }
}

char* CsvReader::FindRecordEnd(char* from) {
    char* const stop = buffer_.data() + end_;
    bool quoted = false;
    char* p = from;
    for (; p < stop && (quoted || !IsLineBreak(*p)); ++p) {
        // A doubled quote inside a quoted field toggles twice.
        quoted = quoting_ && *p == '"' ? !quoted : quoted;
    }
    return p;
}

long CsvReader::SplitQuoted(char* from, char* to) {
    record_.fields.clear();
    long line = line_;
    char* p = from;
    while (true) {
        char* const field = p;
        if (p < to && *p == '"') {
            // Unquoted in place: `out` never passes `p`.
            const long opened = line;
            char* out = p;
            bool closed = false;
            for (++p; p < to && !closed; ++p) {
                if (*p != '"') {
                    line += EndsLine(p, to) ? 1 : 0;
                    *out++ = *p;
                } else if (p + 1 < to && p[1] == '"') {
                    *out++ = *++p;
                } else {
                    closed = true;
                }
            }
            if (!closed) {
                throw MalformedInput("a quoted field is not closed", opened);
            }
            record_.fields.emplace_back(field, static_cast<std::size_t>(out - field));
            if (p < to && *p != delimiter_) {
                throw MalformedInput("malformed quoting: a closing quote must end its field", line);
            }
        } else {
            p = std::find_if(p, to, [&](char c) { return c == delimiter_ || c == '"'; });
            if (p < to && *p == '"') {
                throw MalformedInput("malformed quoting: a quote inside an unquoted field", line);
            }
            record_.fields.emplace_back(field, static_cast<std::size_t>(p - field));
        }
        if (p == to) {
            return line - line_;
        }
        ++p; // past the delimiter
    }
}

} // namespace tavrel::csv
