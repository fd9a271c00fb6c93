#include "batch/options.h"

#include "batch/intervals.h"

#include <charconv>
#include <cmath>

namespace tavrel::batch {

const char* const kUsage =
    "Usage: tavrel-batch [OPTIONS] [FILE]\n"
    "Computes the effect sizes of every row of a table of studies, with the same engine as the\n"
    "Tavrel calculator. Reads CSV from FILE (or standard input, also as \"-\") and writes CSV.\n"
    "\n"
    "The first row names the columns. m1, sd1, n1 (control group) and m2, sd2, n2\n"
    "(experimental group) are found by name, in any case; every other column is passed on.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   write to FILE (replaced only once complete); - is standard output\n"
    "      --tsv           read and write tab-separated values (the default for a .tsv FILE)\n"
    "      --level L       confidence level of the intervals, between 0 and 1 (default 0.95)\n"
    "      --ci noncentral add the exact noncentral-t interval for Cohen's d\n"
    "  -h, --help          show this help\n"
    "      --version       show the version\n"
    "\n"
    "Exit status: 0 when every row was computed, 1 when some rows had errors (every row is\n"
    "still written, with its error), 2 when the input cannot be used at all.\n";

namespace {

double ParseLevel(const std::string& text) {
    double level = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), level);
    if (error != std::errc{} || end != text.data() + text.size() || !(level > 0 && level < 1)) {
        throw UsageError("--level takes a number between 0 and 1, not \"" + text + "\"");
    }
    // So close to 1 that half of what it leaves out rounds to nothing: no finite interval.
    if (!std::isfinite(TwoSidedZ(level))) {
        throw UsageError("--level " + text + " is too close to 1: its intervals would be infinite");
    }
    return level;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    bool tsvChosen = false;
    bool inputGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw UsageError(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "-o" || arg == "--output") {
            options.output = value();
            if (options.output.empty()) {
                throw UsageError(arg + " needs a file name (or - for standard output)");
            }
        } else if (arg == "--tsv") {
            options.tsv = tsvChosen = true;
        } else if (arg == "--level") {
            options.level = ParseLevel(value());
        } else if (arg == "--ci") {
            if (value() != "noncentral") {
                throw UsageError("--ci takes \"noncentral\"");
            }
            options.noncentral = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            throw UsageError("unknown option " + arg);
        } else if (inputGiven) {
            throw UsageError("only one input FILE can be given");
        } else {
            options.input = arg;
            inputGiven = true;
        }
    }
    if (options.output == "-") {
        options.output.clear();
    }
    if (!tsvChosen && EndsWith(options.input, ".tsv")) {
        options.tsv = true;
    }
    return options;
}

} // namespace tavrel::batch
