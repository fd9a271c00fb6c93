#include "cli/options.h"

#include "meta/study/intervals.h"
#include "project/studies_project.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <getopt.h>
#include <initializer_list>
#include <mutex>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace tavrel::cli {

const char* const kUsage =
    "Usage: tavrel-batch [OPTIONS] [FILE]\n"
    "Computes the effect sizes of every row of a table of studies, with the same engine as the\n"
    "Tavrel calculator. Reads CSV from FILE (or standard input, also as \"-\") and writes CSV.\n"
    "\n"
    "The first row names the columns. m1, sd1, n1 (control group) and m2, sd2, n2\n"
    "(experimental group) are found by name, in any case; every other column is passed on.\n"
    "A field is a number as a whole, or missing (empty, NA, NaN or .); means may be any\n"
    "finite number, SDs at least 0 (not both 0), sizes whole numbers of at least 2.\n"
    "A row may instead give what its paper reports: se1/se2 or ci1_low, ci1_high, ci2_low,\n"
    "ci2_high (with ci_level) for a missing SD; t, f or p (f and p with sign: + or -) with\n"
    "n1 and n2; d or g with n1 and n2; es with es_var or es_se; median1 with q1_1, q3_1\n"
    "and/or min1, max1 for a skewed group (and ...2; Luo 2018, Wan 2014). The most direct\n"
    "complete source is used (computed_from says which), and the row's other reported\n"
    "numbers are checked against it, allowing for their rounding (consistency).\n"
    "\n"
    "Measures (--measure), as metafor's escalc computes them, experimental against control:\n"
    "SMD   Hedges's g (default); events1 n1 events2 n2 alone: d from ln(OR) (Chinn 2000)\n"
    "MD    m1 sd1 n1 m2 sd2 n2: m2 - m1\n"
    "ROM   the same, means above 0: ln(m2/m1) (Hedges, Gurevitch & Curtis 1999)\n"
    "OR    events1 n1 events2 n2, or ai bi ci di: the log odds ratio (Woolf 1955)\n"
    "RR    the same: the log risk ratio; RD: the risk difference (zero cells get 1/2)\n"
    "COR   r n, or ri ni: r; ZCOR: Fisher's z = atanh(r)\n"
    "MC    m_pre sd_pre m_post sd_post n r_prepost: post - pre\n"
    "SMCC  the same, standardized by the change's SD (Gibbons, Hedeker & Davis 1993)\n"
    "SMCR  the same, standardized by the pre-test SD (Becker 1988)\n"
    "Ratios and ZCOR are also shown back-transformed (exp, tanh).\n"
    "\n"
    "A FILE ending in .tavrel is a project saved by the Tavrel window: its table, with its\n"
    "analysis's options as if given first on the command line, pooled as with --meta.\n"
    "An Excel (.xlsx) or OpenDocument (.ods) workbook, or an SPSS (.sav) or Stata (.dta)\n"
    "data file, is read as the same table in CSV would be.\n"
    "\n"
    "Options:\n"
    "  -o, --output=FILE   write to FILE (replaced only once complete); - is standard output\n"
    "      --tsv           read and write tab-separated values (the default for a .tsv FILE)\n"
    "      --delimiter=D   , ; (decimal commas too) or tab; by default by the header\n"
    "      --sheet=NAME    the sheet of an .xlsx or .ods workbook to read (default: its first)\n"
    "      --measure=M     the effect measure (default SMD); see MEASURES in the manual\n"
    "      --level=L       confidence level of the intervals, between 0 and 1 (default 0.95)\n"
    "      --ci=noncentral add the noncentral-t interval for Cohen's d\n"
    "      --meta          pool the rows' unbiased d; a summary goes to standard error\n"
    "      --method=M      REML (default), ML, DL, PM, SJ, HE, HS, EB, FE, EE or CE\n"
    "      --test=T        z (default) or knha (Knapp-Hartung, t with k - 1 df; of a\n"
    "                      three-level model, t with k - p df and no scaling)\n"
    "      --summary=FILE  write the pooled result as JSON to FILE; - is standard output\n"
    "      --forest=FILE   draw a forest plot, SVG, PDF or PNG by FILE's extension\n"
    "      --funnel=FILE   draw a funnel plot, SVG, PDF or PNG by FILE's extension\n"
    "      --funnel-contours\n"
    "                      shade the funnel plot where a study's p is below .10, .05, .01\n"
    "      --trim-fill     add trim-and-fill's missing studies, and the model with them\n"
    "      --label=COLUMN  the column that names the studies in the plot\n"
    "      --by=COLUMN     pool the subgroups that COLUMN's texts form, and test them\n"
    "      --cluster=COLUMN\n"
    "                      rows that share COLUMN's text are one study's: fit the\n"
    "                      three-level model (REML or ML)\n"
    "      --robust        cluster-robust (CR2) tests with Satterthwaite's df, by --cluster\n"
    "      --leave-one-out=FILE\n"
    "                      write the model without each study in turn as CSV to FILE\n"
    "      --mods=COLUMN[,COLUMN...]\n"
    "                      a meta-regression on these moderators (text: categorical)\n"
    "      --favours=L,R   the plot's phrases left and right of no effect\n"
    "  -h, --help          show this help\n"
    "      --version       show the version\n"
    "\n"
    "--method, --test, --summary, --forest, --funnel, --trim-fill, --label, --favours, --by,\n"
    "--cluster, --robust, --leave-one-out and --mods imply --meta.\n"
    "Options and FILE may come in any order; -- ends the options.\n"
    "\n"
    "Exit status: 0 when every row was computed, 1 when some rows had errors (every row is\n"
    "still written, with its error), 2 when the input cannot be used at all.\n";

namespace {

// The moderators' columns, separated by commas: none empty, none twice.
std::vector<std::string> Moderators(const std::string& option, std::string_view list) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string name(list.substr(start, comma - start));
        if (name.empty()) {
            throw UsageError(option + " takes column names separated by commas, not \"" +
                             std::string(list) + "\"");
        }
        if (std::find(names.begin(), names.end(), name) != names.end()) {
            throw UsageError(option + " names the column " + name + " twice");
        }
        names.push_back(std::move(name));
        start = comma + 1;
    }
    return names;
}

double ParseLevel(const std::string& text) {
    double level = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), level);
    if (error != std::errc{} || end != text.data() + text.size() || !(level > 0 && level < 1)) {
        throw UsageError("--level takes a number between 0 and 1, not \"" + text + "\"");
    }
    // So close to 1 that half of what it leaves out rounds to nothing: no finite interval.
    if (!std::isfinite(meta::TwoSidedZ(level))) {
        throw UsageError("--level " + text + " is too close to 1: its intervals would be infinite");
    }
    return level;
}

// The plot's format, by its file's extension.
plots::Format PlotFormat(const std::string& option, const std::string& name) {
    for (const auto& [extension, format] :
         {std::pair{".svg", plots::Format::Svg}, std::pair{".pdf", plots::Format::Pdf},
          std::pair{".png", plots::Format::Png}}) {
        if (project::HasExtension(name, extension)) {
            return format;
        }
    }
    throw UsageError(option + " writes a .svg, .pdf or .png file, not \"" + name + "\"");
}

// "--favours LEFT,RIGHT": the two phrases, split at the first comma.
std::pair<std::string, std::string> Favours(const std::string& option, const std::string& value) {
    const std::size_t comma = value.find(',');
    if (comma == std::string::npos || comma == 0 || comma + 1 == value.size()) {
        throw UsageError(option + " takes two phrases separated by a comma, as \"Favours " +
                         "placebo,Favours drug\", not \"" + value + "\"");
    }
    return {value.substr(0, comma), value.substr(comma + 1)};
}

// What getopt_long refused: a long option as the user typed it in `word` ("--me",
// "--meta=foo"), unknown, ambiguous or given a value it does not take; or a short one.
// A short option getopt_long does not know is in `refusedOption`; a long one refused for any
// reason leaves 0 there, or its own code (ours are 256 and up, and h and o take no value and
// need one, so `--help=x` is the one long option that leaves a letter).
std::string Refused(const std::string& word, int refusedOption, const option* options) {
    if (refusedOption > 0 && refusedOption < 256 && refusedOption != 'h') {
        return "unknown option -" + std::string(1, static_cast<char>(refusedOption));
    }
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
    std::vector<std::string> candidates;
    for (const option* o = options; o->name != nullptr; ++o) {
        if (o->name == name) {
            return "--" + name + " takes no value, not \"" + word.substr(equals + 1) + "\"";
        }
        if (std::string_view(o->name).starts_with(name)) {
            candidates.push_back(std::string("--") + o->name);
        }
    }
    if (candidates.size() == 1) {
        return candidates[0] + " takes no value, not \"" + word.substr(equals + 1) + "\"";
    }
    if (candidates.empty()) {
        return "unknown option --" + name;
    }
    std::string list;
    for (const std::string& candidate : candidates) {
        list += (list.empty() ? "" : ", ") + candidate;
    }
    return "ambiguous option --" + name + ": it could be " + list;
}

std::string FileName(const std::string& option, const char* value) {
    if (*value == '\0') {
        throw UsageError(option + " needs a file name");
    }
    return value;
}

// The choice `value` names, among `choices`.
template <class T, std::size_t N>
T OneOf(const std::string& option, std::string_view value,
        const std::array<meta::Named<T>, N>& choices) {
    std::string names;
    for (const auto& [name, choice] : choices) {
        if (name == value) {
            return choice;
        }
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    throw UsageError(option + " takes one of " + names + ", not \"" + std::string(value) + "\"");
}

} // namespace

namespace {

// One option of the command line: its long name (and letter), whether it takes a value,
// whether it asks for the pooling, and what it sets. `written` is the option as the user wrote
// it, for messages; `value` is null for an option without one.
struct OptionEntry {
    const char* name;
    char letter;
    bool takesValue;
    bool impliesMeta;
    void (*apply)(Options& options, const std::string& written, const char* value);
};

// Every option, in the order --help lists them.
constexpr OptionEntry kOptionEntries[] = {
    {"output", 'o', true, false,
     [](Options& o, const std::string& written, const char* value) {
         o.output = value;
         if (o.output.empty()) {
             throw UsageError(written + " needs a file name (or - for standard output)");
         }
     }},
    {"tsv", 0, false, false, [](Options& o, const std::string&, const char*) { o.tsv = true; }},
    {"delimiter", 0, true, false,
     [](Options& o, const std::string& written, const char* value) {
         const std::string_view text = value;
         if (text == "tab" || text == "\t") {
             o.tsv = true;
         } else if (text == "," || text == ";") {
             o.delimiter = text[0];
         } else {
             throw UsageError(written + " takes \",\", \";\" or \"tab\", not \"" +
                              std::string(text) + "\"");
         }
     }},
    {"sheet", 0, true, false,
     [](Options& o, const std::string& written, const char* value) {
         o.sheet = value;
         if (o.sheet.empty()) {
             throw UsageError(written + " needs the name of a sheet");
         }
     }},
    {"measure", 0, true, false,
     [](Options& o, const std::string& written, const char* value) {
         const std::optional<table::Measure> measure = table::MeasureNamed(value);
         if (!measure) {
             std::string names;
             for (const table::MeasureInfo& info : table::kMeasures) {
                 names += (names.empty() ? "" : ", ") + std::string(info.name);
             }
             throw UsageError(written + " takes one of " + names + ", not \"" + value + "\"");
         }
         o.measure = *measure;
     }},
    {"level", 0, true, false,
     [](Options& o, const std::string&, const char* value) { o.level = ParseLevel(value); }},
    {"ci", 0, true, false,
     [](Options& o, const std::string&, const char* value) {
         if (std::string_view(value) != "noncentral") {
             throw UsageError(std::string("--ci takes \"noncentral\", not \"") + value + "\"");
         }
         o.noncentral = true;
     }},
    {"meta", 0, false, true, [](Options&, const std::string&, const char*) {}},
    {"method", 0, true, true,
     [](Options& o, const std::string& written, const char* value) {
         o.method = OneOf(written, value, meta::kMethodNames);
     }},
    {"test", 0, true, true,
     [](Options& o, const std::string& written, const char* value) {
         o.test = OneOf(written, value, meta::kTestNames);
     }},
    {"summary", 0, true, true,
     [](Options& o, const std::string& written, const char* value) {
         o.summary = FileName(written, value);
     }},
    {"forest", 0, true, true,
     [](Options& o, const std::string& written, const char* value) {
         o.forest = FileName(written, value);
         o.forestFormat = PlotFormat(written, o.forest);
     }},
    {"funnel", 0, true, true,
     [](Options& o, const std::string& written, const char* value) {
         o.funnel = FileName(written, value);
         o.funnelFormat = PlotFormat(written, o.funnel);
     }},
    {"funnel-contours", 0, false, false,
     [](Options& o, const std::string&, const char*) { o.funnelContours = true; }},
    {"trim-fill", 0, false, true,
     [](Options& o, const std::string&, const char*) { o.trimFill = true; }},
    {"label", 0, true, true,
     [](Options& o, const std::string&, const char* value) { o.label = value; }},
    {"by", 0, true, true, [](Options& o, const std::string&, const char* value) { o.by = value; }},
    {"cluster", 0, true, true,
     [](Options& o, const std::string&, const char* value) { o.cluster = value; }},
    {"robust", 0, false, true,
     [](Options& o, const std::string&, const char*) { o.robust = true; }},
    {"leave-one-out", 0, true, true,
     [](Options& o, const std::string& written, const char* value) {
         o.leaveOneOut = FileName(written, value);
     }},
    {"mods", 0, true, true,
     [](Options& o, const std::string& written, const char* value) {
         o.moderators = Moderators(written, value);
     }},
    {"favours", 0, true, true,
     [](Options& o, const std::string& written, const char* value) {
         std::tie(o.favoursLeft, o.favoursRight) = Favours(written, value);
     }},
    {"help", 'h', false, false, [](Options& o, const std::string&, const char*) { o.help = true; }},
    {"version", 0, false, false,
     [](Options& o, const std::string&, const char*) { o.version = true; }},
};
constexpr int kFirstLongOnly = 256; // getopt_long's code of a long option without a letter

// getopt_long's table of the options above: each returns its letter, or kFirstLongOnly plus
// its place in kOptionEntries.
std::vector<option> LongOptions() {
    std::vector<option> options;
    for (std::size_t i = 0; i < std::size(kOptionEntries); ++i) {
        const OptionEntry& entry = kOptionEntries[i];
        options.push_back(
            {entry.name, entry.takesValue ? required_argument : no_argument, nullptr,
             entry.letter != 0 ? entry.letter : kFirstLongOnly + static_cast<int>(i)});
    }
    options.push_back({nullptr, 0, nullptr, 0});
    return options;
}

// The option getopt_long returned `code` for.
const OptionEntry* EntryOf(int code) {
    if (code >= kFirstLongOnly &&
        code - kFirstLongOnly < static_cast<int>(std::size(kOptionEntries))) {
        return &kOptionEntries[code - kFirstLongOnly];
    }
    for (const OptionEntry& entry : kOptionEntries) {
        if (entry.letter != 0 && entry.letter == code) {
            return &entry;
        }
    }
    return nullptr;
}

// --cluster's model and --robust's clusters: the three-level model is fitted by REML or ML, and
// has no small-study refits; the other methods take clusters for --robust alone.
void CheckClusterOptions(const Options& options) {
    if (options.robust && options.cluster.empty()) {
        throw UsageError("--robust needs the clusters: give --cluster too");
    }
    if (options.cluster.empty()) {
        return;
    }
    const bool levels = meta::FitsLevels(options.method);
    if (!levels && !options.robust) {
        throw UsageError("--cluster fits the three-level model by REML or ML; with --method " +
                         std::string(meta::Name(options.method)) +
                         " it serves --robust alone: give --robust, or --method REML or ML");
    }
    if (!levels) {
        return;
    }
    for (const auto& [given, option] :
         {std::pair{options.trimFill, "--trim-fill"},
          std::pair{!options.leaveOneOut.empty(), "--leave-one-out"}}) {
        if (given) {
            throw UsageError(std::string(option) +
                             " is of the two-level model, and --cluster fits the three-level "
                             "one: give one of them");
        }
    }
}

} // namespace

Options ParseOptions(const std::vector<std::string>& args) {
    static const std::vector<option> kLongOptions = LongOptions();
    // getopt_long keeps its place in globals: one parse at a time, whichever thread asks (a
    // window parses its options while it exports on another).
    static std::mutex parsing;
    const std::lock_guard<std::mutex> oneAtATime(parsing);
    // getopt_long permutes what it is given: a copy, with the program's name in front.
    std::vector<std::string> words{"tavrel-batch"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    // The option just read, as the user wrote it, without its value, for messages.
    const auto written = [&] {
        auto at = static_cast<std::size_t>(optind - 1);
        if (optarg != nullptr && optarg == argv[at] && at > 1) {
            --at; // the value stood on its own, after the option
        }
        const std::string word = argv[at];
        return word.starts_with("--") ? word.substr(0, word.find('=')) : word.substr(0, 2);
    };

    Options options;
    bool tsvChosen = false;
    optind = 0; // start afresh: the parser keeps its place between calls
    opterr = 0; // its messages are ours to write
    for (int code;
         (optarg = nullptr,
         code = getopt_long(argc, argv.data(), ":ho:", kLongOptions.data(), nullptr)) != -1;) {
        if (code == ':') {
            throw UsageError(written() + " needs a value");
        }
        const OptionEntry* entry = code == '?' ? nullptr : EntryOf(code);
        if (entry == nullptr) {
            throw UsageError(
                Refused(argv[static_cast<std::size_t>(optind - 1)], optopt, kLongOptions.data()));
        }
        entry->apply(options, written(), optarg);
        options.meta = options.meta || entry->impliesMeta;
        tsvChosen = tsvChosen || options.tsv;
    }
    if (argc - optind > 1) {
        throw UsageError("only one input FILE can be given");
    }
    if (optind < argc) {
        options.input = argv[static_cast<std::size_t>(optind)];
    }
    if (options.funnelContours && options.funnel.empty()) {
        throw UsageError("--funnel-contours shades the funnel plot: give --funnel too");
    }
    if (!options.moderators.empty()) {
        // A meta-regression is one model of all the studies: no plot, subgroups, refits or
        // tests of small-study effects of an intercept alone beside it.
        for (const auto& [given, option] :
             {std::pair{!options.forest.empty(), "--forest"},
              std::pair{!options.funnel.empty(), "--funnel"},
              std::pair{options.trimFill, "--trim-fill"}, std::pair{!options.by.empty(), "--by"},
              std::pair{!options.leaveOneOut.empty(), "--leave-one-out"}}) {
            if (given) {
                throw UsageError(std::string("--mods cannot be combined with ") + option +
                                 ", which is for a model without moderators");
            }
        }
    }
    CheckClusterOptions(options);
    if (options.output == "-") {
        options.output.clear();
    }
    if (options.tsv && options.delimiter != '\0') {
        throw UsageError("--tsv and --delimiter each choose the delimiter: give one");
    }
    if (!tsvChosen && options.delimiter == '\0' && project::HasExtension(options.input, ".tsv")) {
        options.tsv = true;
    }
    return options;
}

} // namespace tavrel::cli
