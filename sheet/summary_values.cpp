#include "sheet/summary_values.h"

#include <nlohmann/json.hpp>

namespace tavrel::sheet {

namespace {

using Json = nlohmann::ordered_json;

void Add(const Json& object, const std::string& prefix,
         std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [key, value] : object.items()) {
        if (value.is_object()) {
            Add(value, prefix + key + ".", values);
        } else if (!value.is_array()) {
            values.emplace_back(prefix + key,
                                value.is_string() ? value.get<std::string>() : value.dump());
        }
    }
}

} // namespace

std::vector<std::pair<std::string, std::string>> SummaryValues(const std::string& json) {
    std::vector<std::pair<std::string, std::string>> values;
    const Json summary = Json::parse(json, nullptr, false);
    if (summary.is_object()) {
        Add(summary, "", values);
    }
    return values;
}

} // namespace tavrel::sheet
