#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrel::csv {

// What a file that begins with `beginning` is, where its first bytes say it is no text table:
// "a PDF document", "an Excel workbook or other Office Open XML file (.xlsx, .docx)", "text in
// UTF-16". Nullopt for anything that may be a table.
std::optional<std::string> ForeignFileKind(std::string_view beginning);

// What to tell the user of such a file, `name` ("data.xlsx", "the input"): what it is, and
// what to do instead.
std::string NotATable(const std::string& name, const std::string& kind);

} // namespace tavrel::csv
