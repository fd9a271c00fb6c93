#pragma once

#include <string_view>

namespace tavrel::shell {

// The program's notices. They name the Tavrel authors, never a person.

// One line: the year, the authors and the reservation of rights (about window).
inline constexpr std::string_view kAboutNotice =
    "\u00a9 2026 the Tavrel authors. All rights reserved.";

// Three paragraphs: ownership and terms, how to cite, no warranty (information window).
inline constexpr std::string_view kInformationNotice =
    "Tavrel is \u00a9 2026 the Tavrel authors. You may use it and pass it on free of charge, "
    "unchanged and with this notice. Donations toward its upkeep are welcome through the "
    "Tavrel project.\r\r"
    "To cite: The Tavrel authors (2026). Tavrel: standardized effect sizes from summary "
    "statistics [Computer software].\r\r"
    "Tavrel is provided as is, without warranty of any kind. The authors accept no liability "
    "for any decision made on the basis of its results.";

} // namespace tavrel::shell
