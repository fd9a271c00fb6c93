#include "project/studies_project.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace tavrel::project {

namespace {

using nlohmann::json;

const KeptOption* KeptOptionNamed(std::string_view name) {
    const auto* found = std::find_if(kKeptOptions.begin(), kKeptOptions.end(),
                                     [&](const KeptOption& kept) { return kept.name == name; });
    return found == kKeptOptions.end() ? nullptr : found;
}

std::size_t OrderOf(std::string_view name) {
    return static_cast<std::size_t>(KeptOptionNamed(name) - kKeptOptions.data());
}

[[noreturn]] void Damaged(const std::string& why) {
    throw ProjectError("the project is damaged: " + why);
}

// Where the `byte`th byte of `text` (from 1, as the parser counts) stands, as "line L, column C".
std::string PlaceOf(std::string_view text, std::size_t byte) {
    const std::string_view before = text.substr(0, byte == 0 ? 0 : byte - 1);
    const auto line = 1 + std::count(before.begin(), before.end(), '\n');
    const std::size_t lineBreak = before.rfind('\n');
    const std::size_t column =
        before.size() - (lineBreak == std::string_view::npos ? 0 : lineBreak + 1) + 1;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

json Parse(std::string_view text) {
    try {
        return json::parse(text);
    } catch (const json::parse_error& e) {
        if (e.byte > text.size()) {
            Damaged("it ends early");
        }
        Damaged("it is not valid JSON at " + PlaceOf(text, e.byte));
    }
}

std::vector<std::string> Texts(const json& array, const std::string& what) {
    if (!array.is_array()) {
        Damaged(what + " is not a list");
    }
    std::vector<std::string> texts;
    texts.reserve(array.size());
    for (const json& text : array) {
        if (!text.is_string()) {
            Damaged(what + " holds " + std::string(text.type_name()) + " " + text.dump() +
                    ", where a text belongs (cells are kept as typed, in quotes)");
        }
        texts.push_back(text.get<std::string>());
    }
    return texts;
}

void CheckFormatAndVersion(const json& document) {
    const auto format = document.find("format");
    if (!document.is_object() || format == document.end() || *format != kFormat) {
        throw ProjectError("it is not a Tavrel studies project (its \"format\" must be \"" +
                           std::string(kFormat) + "\")");
    }
    const auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer() || *version < 1) {
        Damaged("its \"version\" is missing or not a whole number from 1");
    }
    if (*version > kVersion) {
        throw ProjectError("it was saved by a newer version of Tavrel (project version " +
                           version->dump() + "); this version reads version " +
                           std::to_string(kVersion));
    }
}

void ReadOptions(const json& options, StudiesProject& project) {
    if (!options.is_object()) {
        Damaged("\"options\" is not an object");
    }
    for (const auto& [name, value] : options.items()) {
        const KeptOption* kept = KeptOptionNamed(name);
        if (kept == nullptr) {
            Damaged("\"options\" holds \"" + name + "\", which is not an option a project keeps");
        }
        if (kept->flag && value.is_boolean()) {
            if (value.get<bool>()) {
                project.SetOption(name, std::nullopt);
            }
        } else if (!kept->flag && value.is_string()) {
            project.SetOption(name, value.get<std::string>());
        } else {
            Damaged("the option \"" + name + "\" is " + value.dump() + ", where " +
                    (kept->flag ? "true or false" : "a text") + " belongs");
        }
    }
}

// `text` as a JSON string. Throws ProjectError where it is not UTF-8.
std::string Quoted(const std::string& text) {
    try {
        return json(text).dump(-1, ' ', false, json::error_handler_t::strict);
    } catch (const json::type_error&) {
        throw ProjectError("the text \"" + text + "\" is not UTF-8, which a project holds");
    }
}

std::string QuotedList(const std::vector<std::string>& texts) {
    std::string list = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        list += (i == 0 ? "" : ", ") + Quoted(texts[i]);
    }
    return list + "]";
}

} // namespace

const std::optional<std::string>* StudiesProject::Option(std::string_view name) const {
    for (const auto& [kept, value] : options) {
        if (kept == name) {
            return &value;
        }
    }
    return nullptr;
}

void StudiesProject::SetOption(std::string_view name, std::optional<std::string> value) {
    ClearOption(name);
    const auto place = std::find_if(options.begin(), options.end(), [&](const auto& option) {
        return OrderOf(option.first) > OrderOf(name);
    });
    options.emplace(place, std::string(name), std::move(value));
}

void StudiesProject::ClearOption(std::string_view name) {
    std::erase_if(options, [&](const auto& option) { return option.first == name; });
}

StudiesProject ReadProject(std::string_view text) {
    const json document = Parse(text);
    CheckFormatAndVersion(document);
    for (const auto& [key, value] : document.items()) {
        if (key != "format" && key != "version" && key != "columns" && key != "rows" &&
            key != "options") {
            Damaged("it holds \"" + key + "\", which a project of version 1 does not have");
        }
    }
    if (!document.contains("columns") || !document.contains("rows")) {
        Damaged("it lacks its \"columns\" or its \"rows\"");
    }
    StudiesProject project;
    project.columns = Texts(document["columns"], "\"columns\"");
    const json& rows = document["rows"];
    if (!rows.is_array()) {
        Damaged("\"rows\" is not a list");
    }
    project.rows.reserve(rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string name = "row " + std::to_string(row + 1);
        project.rows.push_back(Texts(rows[row], name));
        if (project.rows.back().size() != project.columns.size()) {
            Damaged(name + " has " + std::to_string(project.rows.back().size()) +
                    " cells where there are " + std::to_string(project.columns.size()) +
                    " columns");
        }
    }
    if (document.contains("options")) {
        ReadOptions(document["options"], project);
    }
    return project;
}

std::string ProjectText(const StudiesProject& project) {
    std::string text = "{\n  \"format\": " + Quoted(std::string(kFormat)) +
                       ",\n  \"version\": " + std::to_string(kVersion) +
                       ",\n  \"columns\": " + QuotedList(project.columns) + ",\n  \"rows\": [";
    for (std::size_t row = 0; row < project.rows.size(); ++row) {
        text += (row == 0 ? "\n    " : ",\n    ") + QuotedList(project.rows[row]);
    }
    text += project.rows.empty() ? "],\n  \"options\": {" : "\n  ],\n  \"options\": {";
    for (std::size_t i = 0; i < project.options.size(); ++i) {
        const auto& [name, value] = project.options[i];
        text += (i == 0 ? "\n    " : ",\n    ") + Quoted(name) + ": " +
                (value ? Quoted(*value) : std::string("true"));
    }
    text += project.options.empty() ? "}\n}\n" : "\n  }\n}\n";
    return text;
}

std::vector<std::string> OptionArguments(const StudiesProject& project) {
    std::vector<std::string> arguments;
    for (const auto& [name, value] : project.options) {
        arguments.push_back("--" + name + (value ? "=" + *value : std::string()));
    }
    return arguments;
}

void ForEachRecord(const StudiesProject& project,
                   const std::function<void(const csv::Record&)>& onRecord) {
    // No line of the file applies: a project's rows are not lines of a table.
    csv::Record record;
    record.plain = false; // a cell may hold a comma, a quote or a line break
    record.fields.assign(project.columns.begin(), project.columns.end());
    onRecord(record);
    for (const std::vector<std::string>& row : project.rows) {
        record.fields.assign(row.begin(), row.end());
        onRecord(record);
    }
}

bool HasExtension(std::string_view path, std::string_view extension) {
    return path.size() >= extension.size() &&
           std::equal(extension.begin(), extension.end(), path.end() - extension.size(),
                      [](char wanted, char given) {
                          return wanted ==
                                 (given >= 'A' && given <= 'Z' ? given - 'A' + 'a' : given);
                      });
}

bool IsProjectPath(std::string_view path) {
    return HasExtension(path, kExtension);
}

} // namespace tavrel::project
