// The command line as GNU tools take it, and an output header a data tool can read.
#include "batch_test_support.h"
#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tavrel::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, EveryUsualFormOfAnOptionAndItsValue) {
    for (const Args& args : {Args{"--level=0.9", "-oout.csv", "in.csv"},
                             Args{"in.csv", "--level", "0.9", "-o", "out.csv"},
                             Args{"--output=out.csv", "--lev=0.9", "in.csv"},
                             Args{"-o", "out.csv", "--level", "0.9", "--", "in.csv"}}) {
        const Options options = ParseOptions(args);
        EXPECT_EQ(options.level, 0.9);
        EXPECT_EQ(options.output, "out.csv");
        EXPECT_EQ(options.input, "in.csv");
    }
    // After --, a name that starts with a dash is a file.
    EXPECT_EQ(ParseOptions({"--", "-odd.tsv"}).input, "-odd.tsv");
    EXPECT_TRUE(ParseOptions({"--", "-odd.tsv"}).tsv);
    EXPECT_EQ(ParseOptions({"-"}).input, "-");
    EXPECT_TRUE(ParseOptions({"--ci=noncentral", "--tsv"}).noncentral);
}

// Every option of the pooling asks for it; a plot's extension is read in any case.
TEST(CommandLine, PoolingOptionsImplyMetaAndExtensionsIgnoreCase) {
    for (const Args& args :
         {Args{"--method=DL"}, Args{"--test=knha"}, Args{"--label=study"}, Args{"--summary=-"},
          Args{"--forest=f.svg"}, Args{"--favours=Worse,Better"}}) {
        EXPECT_TRUE(ParseOptions(args).meta) << args[0];
    }
    EXPECT_FALSE(ParseOptions({"--level=0.9"}).meta);
    EXPECT_EQ(ParseOptions({"--forest=F.SVG"}).forestFormat, plots::Format::Svg);
    EXPECT_EQ(ParseOptions({"--forest=f.Png"}).forestFormat, plots::Format::Png);
    EXPECT_EQ(ParseOptions({"--forest=f.PDF"}).forestFormat, plots::Format::Pdf);
    const Options favours =
        ParseOptions({"--favours", "Favours placebo,Favours drug, twice daily"});
    EXPECT_EQ(favours.favoursLeft, "Favours placebo");
    EXPECT_EQ(favours.favoursRight, "Favours drug, twice daily");
}

TEST(CommandLine, MistakesNameTheOptionAndTheValue) {
    const auto message = [](const Args& args) {
        try {
            ParseOptions(args);
        } catch (const UsageError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message({"in.csv", "--level"}), "--level needs a value");
    EXPECT_EQ(message({"-o"}), "-o needs a value");
    EXPECT_EQ(message({"--level=1.5"}), "--level takes a number between 0 and 1, not \"1.5\"");
    EXPECT_EQ(message({"--ci", "exact"}), "--ci takes \"noncentral\", not \"exact\"");
    EXPECT_EQ(message({"--frobnicate=3"}), "unknown option --frobnicate");
    EXPECT_EQ(message({"-x"}), "unknown option -x");
    EXPECT_EQ(message({"--meta", "-hx"}), "unknown option -x");
    // As the user typed them: a value an option does not take, and prefixes of two options.
    EXPECT_EQ(message({"--meta=foo"}), "--meta takes no value, not \"foo\"");
    EXPECT_EQ(message({"--version=1"}), "--version takes no value, not \"1\"");
    EXPECT_EQ(message({"--help=2"}), "--help takes no value, not \"2\"");
    EXPECT_EQ(message({"--ts=x"}), "--tsv takes no value, not \"x\"");
    EXPECT_EQ(message({"--l", "0.9"}),
              "ambiguous option --l: it could be --level, --label, --leave-one-out");
    EXPECT_EQ(message({"--me"}), "ambiguous option --me: it could be --measure, --meta, --method");
    EXPECT_EQ(message({"--favours=Placebo"}),
              "--favours takes two phrases separated by a comma, as \"Favours placebo,Favours "
              "drug\", not \"Placebo\"");
    EXPECT_EQ(message({"a.csv", "b.csv"}), "only one input FILE can be given");
    // And the program says so with exit status 2.
    const batchtest::Result result = batchtest::RunTool("", {"--frobnicate"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "tavrel-batch: unknown option --frobnicate\n"
                          "Try 'tavrel-batch --help'.\n");
}

// Tools that ignore case in column names (SPSS, SQL engines) must see no name twice.
TEST(CommandLine, NoTwoOutputColumnsDifferOnlyInCase) {
    const batchtest::Result result =
        batchtest::RunTool("m1,sd1,n1,m2,sd2,n2\n", {"--ci", "noncentral"});
    std::istringstream header(result.out.substr(0, result.out.find('\n')));
    std::set<std::string> seen;
    for (std::string name; std::getline(header, name, ',');) {
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        EXPECT_TRUE(seen.insert(name).second) << name;
    }
}

// The manual page lists every option of --help, with the same words.
TEST(CommandLine, HelpAndManualPageSayTheSame) {
    std::ifstream source(TAVREL_BATCH_MANUAL_SOURCE);
    const std::string page{std::istreambuf_iterator<char>(source), {}};
    ASSERT_FALSE(page.empty());
    std::istringstream usage(kUsage);
    int options = 0;
    for (std::string line; std::getline(usage, line);) {
        constexpr std::size_t kDescriptionColumn = 22;
        if (!line.starts_with("  ") || line.size() < kDescriptionColumn ||
            line.find_first_not_of(' ') >= kDescriptionColumn) {
            continue;
        }
        ++options;
        // Flags too long for their column stand alone, the description on the next line.
        std::string flagText = line.substr(0, kDescriptionColumn);
        std::string description = line.substr(kDescriptionColumn);
        if (line[kDescriptionColumn - 1] != ' ') {
            flagText = line;
            std::getline(usage, description);
            description = description.substr(kDescriptionColumn);
        }
        EXPECT_NE(page.find("\t" + description + "\n"), std::string::npos) << description;
        std::istringstream flags(flagText);
        for (std::string flag; flags >> flag;) {
            flag = flag.substr(0, flag.find_first_of("=,"));
            EXPECT_NE(page.find("*" + flag + "*"), std::string::npos) << flag;
        }
    }
    const std::string section =
        page.substr(page.find("# OPTIONS"), page.find("# OUTPUT COLUMNS") - page.find("# OPTIONS"));
    int entries = 0;
    for (std::size_t at = 0; (at = section.find("\n*-", at)) != std::string::npos; ++at) {
        ++entries;
    }
    EXPECT_EQ(entries, options);
}

} // namespace
} // namespace tavrel::cli
