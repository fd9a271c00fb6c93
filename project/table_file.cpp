#include "project/table_file.h"

#include "csv/file_kind.h"
#include "project/project_file.h"
#include "workbook/workbook.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

namespace tavrel::project {

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xe  ? 3
                                   : (lead >> 3) == 0x1e ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size() || (length == 2 && lead < 0xc2)) {
            return false;
        }
        std::uint32_t code = length == 1 ? lead : lead & (0x7f >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xc0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3f);
        }
        // Overlong forms, surrogates and code points past Unicode's last.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10ffff)) ||
            (code >= 0xd800 && code <= 0xdfff)) {
            return false;
        }
        i += length;
    }
    return true;
}

namespace {

// A number written with a decimal comma ("-0,25", "1,5e3", blanks around it aside) is given a
// point; any other text (a label "Smith, 2001", "1.000,5") is left as written.
bool PointForDecimalComma(std::string& cell) {
    const std::size_t comma = cell.find(',');
    if (comma == std::string::npos || cell.find(',', comma + 1) != std::string::npos) {
        return false;
    }
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = cell.find_first_not_of(" \t");
    i += i < cell.size() && (cell[i] == '-' || cell[i] == '+') ? 1 : 0;
    while (i < cell.size() && digit(cell[i])) {
        ++i;
    }
    if (i != comma || i + 1 >= cell.size() || !digit(cell[i + 1])) {
        return false;
    }
    i += 1;
    while (i < cell.size() && digit(cell[i])) {
        ++i;
    }
    if (i < cell.size() && (cell[i] == 'e' || cell[i] == 'E')) {
        i += i + 1 < cell.size() && (cell[i + 1] == '-' || cell[i + 1] == '+') ? 2 : 1;
        const std::size_t exponent = i;
        while (i < cell.size() && digit(cell[i])) {
            ++i;
        }
        if (i == exponent) {
            return false;
        }
    }
    if (cell.find_first_not_of(" \t", i) != std::string::npos) {
        return false;
    }
    cell[comma] = '.';
    return true;
}

using RecordSink = std::function<void(const csv::Record&)>;

// Reads every record `readAll` gives into `studies`: the first names the columns. `delimiter`
// says whether decimal commas are to be read (';').
void ReadRows(const std::function<void(const RecordSink&)>& readAll,
              const std::function<char()>& delimiter, StudiesProject& studies, bool& headerRead,
              TableFileNotes& notes, const std::function<void()>& refuseForeign) {
    readAll([&](const csv::Record& record) {
        if (!headerRead) {
            refuseForeign();
        }
        std::vector<std::string> fields(record.fields.begin(), record.fields.end());
        for (std::string& field : fields) {
            notes.notUtf8 = notes.notUtf8 || !IsUtf8(field);
            if (headerRead && delimiter() == ';' && PointForDecimalComma(field)) {
                ++notes.decimalCommas;
            }
        }
        if (!headerRead) {
            studies.columns = std::move(fields);
            headerRead = true;
            return;
        }
        if (fields.size() < studies.columns.size()) {
            ++notes.shortRows;
        } else if (fields.size() > studies.columns.size()) {
            ++notes.longRows;
            for (std::size_t added = studies.columns.size(); added < fields.size(); ++added) {
                studies.columns.push_back("column " + std::to_string(added + 1));
                for (std::vector<std::string>& row : studies.rows) {
                    row.emplace_back();
                }
            }
        }
        fields.resize(studies.columns.size());
        studies.rows.push_back(std::move(fields));
    });
}

} // namespace

StudiesProject ProjectFromTable(std::FILE* file, char delimiter, TableFileNotes& notes) {
    StudiesProject studies;
    bool headerRead = false;
    csv::CsvReader reader(file, delimiter);
    // A file that is no table is refused by what it is, before it is read as one.
    const auto refuseForeign = [&reader] {
        if (const std::optional<std::string> kind = csv::ForeignFileKind(reader.Beginning())) {
            throw ProjectError(csv::NotATable("it", *kind));
        }
    };
    try {
        ReadRows([&](const RecordSink& sink) { reader.ReadAll(sink); },
                 [&] { return reader.Delimiter(); }, studies, headerRead, notes, refuseForeign);
    } catch (const csv::TableLineError&) {
        refuseForeign();
        throw;
    }
    if (!headerRead) {
        refuseForeign();
        throw ProjectError("the table is empty: its first row must name the columns");
    }
    return studies;
}

std::optional<StudiesProject> LoadWorkbook(const std::string& path, const std::string& sheet,
                                           TableFileNotes& notes) {
    std::string beginning(128, '\0');
    {
        std::ifstream file(path, std::ios::binary);
        file.read(beginning.data(), static_cast<std::streamsize>(beginning.size()));
        beginning.resize(static_cast<std::size_t>(file.gcount()));
    }
    const std::optional<workbook::Kind> kind = workbook::KindOf(beginning);
    if (!kind) {
        return std::nullopt;
    }
    try {
        workbook::Table table = workbook::ReadTable(path, *kind, sheet);
        StudiesProject studies;
        bool headerRead = false;
        ReadRows(
            [&](const RecordSink& sink) {
                csv::Record record;
                for (const std::vector<std::string>& row : table.rows) {
                    record.fields.assign(row.begin(), row.end());
                    record.plain = false;
                    ++record.line;
                    sink(record);
                }
            },
            [] { return ','; }, studies, headerRead, notes, [] {});
        if (!headerRead) {
            throw ProjectError("the " + (table.sheet.empty() ? "table" : "sheet " + table.sheet) +
                               " is empty: its first row must name the columns");
        }
        notes.sheet = std::move(table.sheet);
        return studies;
    } catch (const workbook::WorkbookError& e) {
        throw ProjectError(path + " is " + workbook::KindName(*kind) + ": " + e.what());
    }
}

StudiesProject LoadStudies(const std::string& path, TableFileNotes& notes) {
    if (IsProjectPath(path)) {
        return LoadProject(path);
    }
    if (std::optional<StudiesProject> studies = LoadWorkbook(path, {}, notes)) {
        return std::move(*studies);
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        throw ProjectError("cannot read " + path + ": " + std::strerror(errno));
    }
    try {
        return ProjectFromTable(file.get(),
                                HasExtension(path, ".tsv") ? '\t' : csv::CsvReader::kDetect, notes);
    } catch (const csv::TableLineError& e) {
        throw ProjectError(path + ": " + e.what() + " (line " + std::to_string(e.Line()) + ")");
    } catch (const ProjectError& e) {
        throw ProjectError(path + ": " + e.what());
    }
}

} // namespace tavrel::project
