#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tavrel::sheet {

// Every value of a JSON summary, in its order, a nested object's by its path ("egger.p"), each
// written as the summary writes it ("0.058", "null", "REML"); lists (the subgroups, the
// coefficients) are left to the summary's text. Nothing for a text that is not JSON.
std::vector<std::pair<std::string, std::string>> SummaryValues(const std::string& json);

} // namespace tavrel::sheet
