// tavrel-batch end to end: every row by the data rules with the window's texts, errors kept
// in their rows, and the exit statuses.
#include "batch_test_support.h"
#include "csv/csv_reader.h"
#include "engine/calculation.h"
#include "scratch_dir.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavrel::cli {
namespace {

using batchtest::RunTool;

constexpr char kWorkedRow[] = "m1,sd1,n1,m2,sd2,n2\n100,15,20,110,15,20\n";
using Row = std::map<std::string, std::string>;

// The output table, each row as column name -> text.
std::vector<Row> Table(const std::string& csv, char delimiter = ',') {
    std::FILE* file = fmemopen(const_cast<char*>(csv.data()), csv.size(), "rb");
    std::vector<std::string> header;
    std::vector<Row> rows;
    csv::CsvReader(file, delimiter).ReadAll([&](const csv::Record& record) {
        if (header.empty()) {
            header.assign(record.fields.begin(), record.fields.end());
            return;
        }
        EXPECT_EQ(record.fields.size(), header.size()) << "line " << record.line;
        Row row;
        for (std::size_t i = 0; i < header.size() && i < record.fields.size(); ++i) {
            row[header[i]] = std::string(record.fields[i]);
        }
        rows.push_back(row);
    });
    std::fclose(file);
    return rows;
}

double Number(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// J(df) = Gamma(df/2) / (sqrt(df/2) Gamma((df-1)/2)), by lgamma: independent of the tool's way.
double ExactJ(double df) {
    return std::exp(std::lgamma(df / 2) - std::lgamma((df - 1) / 2)) / std::sqrt(df / 2);
}

// Where the window would compute every result, its texts; the numbers use the exact
// correction at every df.
TEST(Batch, WindowTextsAndExactValues) {
    const std::vector<engine::InputTexts> inputs = {
        {"100", "15", "20", "110", "15", "20"},
        {"100", "15", "40", "90", "20", "60"},
        {"50", "10", "3", "55", "12", "3"},
    };
    std::string csv = "m1,sd1,n1,m2,sd2,n2\n";
    for (const auto& row : inputs) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            csv += std::string(row[i]) + (i + 1 < row.size() ? "," : "\n");
        }
    }
    const batchtest::Result result = RunTool(csv);
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<Row> rows = Table(result.out);
    ASSERT_EQ(rows.size(), inputs.size());

    for (std::size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        const auto calculation = std::get<engine::Calculation>(engine::Calculate(inputs[i]));
        for (const engine::ResultText& shown : calculation.shown) {
            EXPECT_EQ(rows[i].at(std::string(engine::Describe(shown.result).caption)), shown.text);
        }
        const double df = Number(rows[i].at("df"));
        const double d = Number(rows[i].at("cohen_d"));
        EXPECT_EQ(d, calculation.values.CohenD);
        EXPECT_NEAR(Number(rows[i].at("bias_factor")), ExactJ(df), 1e-14);
        EXPECT_NEAR(Number(rows[i].at("yi")), ExactJ(df) * d, 1e-14 * std::fabs(d));
        EXPECT_EQ(rows[i].at("yi"), rows[i].at("hedges_g"));
        const double n1 = Number(rows[i].at("n1"));
        const double n2 = Number(rows[i].at("n2"));
        const double g = Number(rows[i].at("yi"));
        EXPECT_NEAR(Number(rows[i].at("vi")), 1 / n1 + 1 / n2 + g * g / (2 * (n1 + n2)), 1e-15);
        EXPECT_NEAR(Number(rows[i].at("g_ci_high")) - g,
                    1.959963984540054 * std::sqrt(Number(rows[i].at("vi"))), 1e-12);
    }
    EXPECT_EQ(rows[0].at("Mean Difference"), "+10.00");
    // At 4 df the window's table says .7979, the exact factor 0.79788...
    EXPECT_NEAR(Number(rows[2].at("bias_factor")), 0.7978845608028654, 1e-15); // sqrt(2/pi)
}

// Real tables: change scores below 0, groups of 2, missing values spelt every usual way, and
// text that is not a number. Every row either gives g or says exactly why not.
TEST(Batch, DataRulesNotWindowRules) {
    const batchtest::Result result = RunTool("Study,M1,SD1,N1,M2,SD2,N2\n"
                                             "negative,-1.5,1,10,-0.5,1,12\n"
                                             "zero,0,2,10,1,2,10\n"
                                             "pairs,1,1,2,2,1,2\n"
                                             "written,1,1,10.0,2,1,1e1\n"
                                             "flat,5,0,10,6,2,10\n"
                                             "empty,1,1,10,2,,10\n"
                                             "na,1,1,10,2, NA ,10\n"
                                             "nan,1,1,10,2,nan,10\n"
                                             "dot,1,1,10,2,.,10\n"
                                             "no n,1,1,10,2,1,\n"
                                             "no means,,1,10,NA,1,10\n"
                                             "one mean,1,1,10,,1,10\n"
                                             "slash,1/2,1,10,2,1,10\n"
                                             "dashes,1,1,10,--5,1,10\n"
                                             "suffix,1,12abc,10,2,1,10\n"
                                             "below,1,1,10,2,1,<.001\n"
                                             "single,1,1,1,2,1,10\n"
                                             "half,1,1,10.5,2,1,10\n"
                                             "negative n,1,1,-3,2,1,10\n"
                                             "negative sd,1,-1,10,2,1,10\n"
                                             "no spread,1,0,10,2,0,10\n"
                                             "infinite,1,1,10,inf,1,10\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "17 of 22 rows had errors\n");
    const std::vector<Row> rows = Table(result.out);
    ASSERT_EQ(rows.size(), 22u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(rows[i].at("mode"), "AllResults") << rows[i].at("Study");
        EXPECT_EQ(rows[i].at("error"), "") << rows[i].at("Study");
    }
    EXPECT_EQ(Number(rows[0].at("cohen_d")), 1); // (-0.5 - -1.5) / 1
    EXPECT_NEAR(Number(rows[0].at("yi")), ExactJ(20), 1e-14);
    EXPECT_EQ(rows[0].at("Mean Difference"), "+1.00");
    EXPECT_EQ(rows[1].at("mean_diff"), "1");
    EXPECT_NEAR(Number(rows[2].at("yi")), 1 / std::sqrt(std::acos(-1.0)),
                1e-15); // J(2) = 1/sqrt(pi)
    EXPECT_EQ(rows[3].at("df"), "18");
    EXPECT_EQ(rows[4].at("glass_delta"), "Inf"); // a control group without spread
    EXPECT_NE(rows[4].at("yi"), "");

    const std::vector<std::array<std::string, 4>> expected = {
        {"MeanDiffGlassOnly", "SD2 is missing", "SD2", "+1.00"},
        {"MeanDiffGlassOnly", "SD2 is missing", "SD2", "+1.00"},
        {"MeanDiffGlassOnly", "SD2 is missing", "SD2", "+1.00"},
        {"MeanDiffGlassOnly", "SD2 is missing", "SD2", "+1.00"},
        {"MeanDiffGlassOnly", "N2 is missing", "N2", "+1.00"},
        {"PooledSDOnly", "M1 and M2 are missing", "M1", ""},
        {"InputError", "M2 is missing", "M2", ""},
        {"InputError", "M1 is not a number: \"1/2\"", "M1", ""},
        {"InputError", "M2 is not a number: \"--5\"", "M2", ""},
        {"InputError", "SD1 is not a number: \"12abc\"", "SD1", ""},
        {"InputError", "N2 is not a number: \"<.001\"", "N2", ""},
        {"InputError", "N1 must be a whole number of at least 2: \"1\"", "N1", ""},
        {"InputError", "N1 must be a whole number of at least 2: \"10.5\"", "N1", ""},
        {"InputError", "N1 must be a whole number of at least 2: \"-3\"", "N1", ""},
        {"InputError", "SD1 must not be negative: \"-1\"", "SD1", ""},
        {"InputError", "SD1 and SD2 are both 0: the groups have no spread to standardize by", "SD1",
         ""},
        {"InputError", "M2 is not a finite number: \"inf\"", "M2", ""},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Row& row = rows[5 + i];
        SCOPED_TRACE(row.at("Study"));
        EXPECT_EQ(row.at("mode"), expected[i][0]);
        EXPECT_EQ(row.at("error"), expected[i][1]);
        EXPECT_EQ(row.at("error_field"), expected[i][2]);
        EXPECT_EQ(row.at("Mean Difference"), expected[i][3]);
        EXPECT_EQ(row.at("yi"), "");
    }
    EXPECT_EQ(rows[10].at("Pooled Standard Deviation"), "1.00");
}

TEST(Batch, OtherColumnsPassThroughUnchangedAndInPlace) {
    const batchtest::Result result =
        RunTool("\xEF\xBB\xBF"
                "label, m1 ,sd1,n1,m2,sd2,n2,note\r\n"
                "\"Smith, 1999\",100,15,20,110,15,20,\"said \"\"ok\"\"\r\nthen more\"\r\n"
                "\r\n"
                "  padded ,100,15,20,110,15,20,\r\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, 33), "label, m1 ,sd1,n1,m2,sd2,n2,note,");
    const std::vector<Row> rows = Table(result.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("label"), "Smith, 1999");
    EXPECT_EQ(rows[0].at("note"), "said \"ok\"\r\nthen more");
    EXPECT_EQ(rows[1].at("label"), "  padded ");
    EXPECT_EQ(rows[1].at("note"), "");
    EXPECT_EQ(rows[1].at("Cohen's d"), "+.667");
}

// Rows from what papers report are pooled with rows of means; standard error counts them.
TEST(Batch, ReportedStatisticsArePooledWithMeans) {
    const batchtest::Result result = RunTool("study,m1,sd1,n1,m2,sd2,n2,t,p,sign\n"
                                             "A,100,15,20,110,15,20,,,\n"
                                             "B,,,20,,,20,2.108,,\n"
                                             "C,,,20,,,20,,.0415,+\n"
                                             "D,100,15,20,110,15,20,3.10,,\n",
                                             {"--meta"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<Row> rows = Table(result.out);
    EXPECT_EQ(rows[1].at("computed_from"), "t");
    EXPECT_EQ(rows[2].at("computed_from"), "p");
    EXPECT_EQ(rows[1].at("Pooled Standard Deviation"), ""); // a t gives no SDs
    EXPECT_EQ(rows[1].at("Cohen's d"), "+.667");
    EXPECT_EQ(rows[3].at("consistency"), "t: reported 3.10, the means and SDs give 1.84 to 2.40");
    EXPECT_NE(result.err.find("pooled 4 of 4 rows"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("effect sizes from means 2, t 1, p 1; 1 row has reported numbers "
                              "that disagree"),
              std::string::npos)
        << result.err;
}

// A table that is itself an output: its computed columns are replaced in place, never twice.
TEST(Batch, AnOutputReadAgainGivesEachColumnOnce) {
    const batchtest::Result first = RunTool(kWorkedRow);
    const batchtest::Result second = RunTool(first.out);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(std::count(second.err.begin(), second.err.end(), '\n'), 1) << second.err;
    EXPECT_NE(second.err.find("are replaced by the computed ones"), std::string::npos);
}

TEST(Batch, WrongFieldCountsBecomeErrorRowsNamingTheirLine) {
    const batchtest::Result result = RunTool("id,m1,sd1,n1,m2,sd2,n2\n"
                                             "a,100,15,20,110,15,20\n"
                                             "\n"
                                             "b,100,15\n"
                                             "c,100,15,20,110,15,20,extra\n");
    EXPECT_EQ(result.status, 1);
    const std::vector<Row> rows = Table(result.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].at("id"), "b");
    EXPECT_EQ(rows[1].at("mode"), "RowError");
    EXPECT_EQ(rows[1].at("error"), "line 4: 3 fields where the header has 7");
    EXPECT_EQ(rows[2].at("error"), "line 5: 8 fields where the header has 7");
}

TEST(Batch, TabSeparatedByOptionOrExtension) {
    const std::string tsv = "m1\tsd1\tn1\tm2\tsd2\tn2\tnote\n100\t15\t20\t110\t15\t20\ta, \"b\"\n";
    const batchtest::Result result = RunTool(tsv, {"--tsv"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<Row> rows = Table(result.out, '\t');
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("note"), "a, \"b\"");
    EXPECT_EQ(rows[0].at("r"), "+.316");

    const auto path = std::filesystem::temp_directory_path() / "tavrel-batch-test.tsv";
    std::ofstream(path) << tsv;
    const batchtest::Result byName = RunTool("", {path.string()});
    std::filesystem::remove(path);
    EXPECT_EQ(byName.out, result.out);
}

// A table as R's write.csv2 and spreadsheets in many locales write it: ';' between fields and
// decimal commas, read digit for digit (the consistency check sees "1,25" as 1.25 written to two
// decimals) and written back the same way.
TEST(Batch, SemicolonsAndDecimalCommas) {
    const std::string points = "study,m1,sd1,n1,m2,sd2,n2,t\nA,100,15.5,20,110.25,15,20,2.13\n";
    const std::string commas = "study;m1;sd1;n1;m2;sd2;n2;t\nA;100;15,5;20;110,25;15;20;2,13\n";
    const batchtest::Result plain = RunTool(points);
    const batchtest::Result european = RunTool(commas);
    ASSERT_EQ(european.status, 0) << european.err;
    const Row row = Table(european.out, ';').at(0);
    std::string g = Table(plain.out).at(0).at("hedges_g");
    std::replace(g.begin(), g.end(), '.', ',');
    EXPECT_EQ(row.at("hedges_g"), g);
    EXPECT_EQ(row.at("yi"), g);
    EXPECT_EQ(row.at("consistency"), Table(plain.out).at(0).at("consistency"));
    EXPECT_EQ(row.at("sd1"), "15,5"); // input fields as written
    EXPECT_EQ(RunTool(commas, {"--delimiter=;"}).out, european.out);
    // Chosen by hand, a comma-separated table stays one whatever its header holds.
    EXPECT_EQ(RunTool(points, {"--delimiter", ","}).out, plain.out);
    EXPECT_EQ(RunTool(points, {"--delimiter=|"}).status, 2);
    EXPECT_EQ(RunTool(points, {"--tsv", "--delimiter=;"}).status, 2);
}

// Each measure's columns, its output columns and its summary back-transformed, on the first
// BCG trial (4/123 vaccinated, 11/139 not); the formulas themselves are checked on their own.
TEST(Batch, MeasuresOfTwoByTwoTables) {
    const std::string table = "trial,events1,n1,events2,n2\nAronson,11,139,4,123\n"
                              "Ferguson,29,303,6,306\nRosenthal,11,220,3,231\n";
    const batchtest::Result risk = RunTool(table, {"--measure=RR", "--meta"});
    ASSERT_EQ(risk.status, 0) << risk.err;
    const Row row = Table(risk.out).at(0);
    EXPECT_EQ(row.at("mode"), "Computed");
    EXPECT_EQ(row.at("computed_from"), "counts");
    EXPECT_NEAR(Number(row.at("yi")), std::log((4.0 / 123) / (11.0 / 139)), 1e-15);
    EXPECT_NEAR(Number(row.at("yi_transformed")), (4.0 / 123) / (11.0 / 139), 1e-15);
    EXPECT_EQ(row.count("hedges_g"), 0u);
    EXPECT_NE(risk.err.find("log RR = "), std::string::npos) << risk.err;
    EXPECT_NE(risk.err.find(" (RR "), std::string::npos) << risk.err;
    // Under SMD the same rows give d from the log odds ratio, and pool.
    const batchtest::Result d = RunTool(table, {"--meta"});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(Table(d.out).at(0).at("computed_from"), "counts (d from the log odds ratio)");
    // A row that cannot be a 2x2 table says why; a table given both ways is refused.
    const batchtest::Result wrong =
        RunTool("events1,n1,events2,n2\n12,10,1,10\n", {"--measure=OR"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(Table(wrong.out).at(0).at("error"), "events1 is above n1: \"12\" of \"10\"");
    const batchtest::Result both = RunTool("events1,n1,events2,n2,ai,bi,ci,di\n", {"--measure=OR"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("the columns events1 and ai give the same 2x2 table two ways"),
              std::string::npos)
        << both.err;
    EXPECT_EQ(RunTool(table, {"--measure=OR2"}).status, 2);
    const batchtest::Result columns = RunTool("r,n\n0.3,20\n", {"--measure=OR"});
    EXPECT_NE(columns.err.find("missing column: events1, n1, events2, n2"), std::string::npos);
}

// escalc's yi and vi are effect sizes as given, in any measure, where the table has no other
// source; es with es_var or es_se are the same in our names.
TEST(Batch, EffectSizesAsGivenInAnyMeasure) {
    const std::string table = "study,yi,vi\nA,-0.5,0.1\nB,0.25,0.04\n";
    const batchtest::Result odds = RunTool(table, {"--measure=OR"});
    ASSERT_EQ(odds.status, 0) << odds.err;
    const Row row = Table(odds.out).at(0);
    EXPECT_EQ(row.at("computed_from"), "es");
    EXPECT_EQ(row.at("vi"), "0.1");
    EXPECT_EQ(Number(row.at("yi_transformed")), std::exp(-0.5));
    const batchtest::Result g = RunTool(table);
    ASSERT_EQ(g.status, 0) << g.err;
    EXPECT_EQ(Table(g.out).at(1).at("hedges_g"), "0.25");
    EXPECT_EQ(Table(RunTool("es,es_se\n0.3,0.2\n", {"--measure=ZCOR"}).out).at(0).at("vi"),
              "0.04000000000000001");
    const batchtest::Result both = RunTool("es,yi,vi\n1,1,1\n");
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("the columns es and yi give the same quantity (escalc's yi is es)"),
              std::string::npos)
        << both.err;
}

// A workbook or data file is read as the same table in CSV would be: every output byte alike.
TEST(Batch, WorkbooksAndDataFilesAreTheirTableInCsv) {
    const std::string samples = TAVREL_WORKBOOK_SAMPLES;
    const std::string csv = "study,m1,sd1,n1,m2,sd2,n2\n\"Smith, 2001\",100,15.5,20,110,15,20\n"
                            "Jones,27.25,7,31,29,4,32\n";
    const batchtest::Result expected = RunTool(csv + "Lee,5,,12,6,1.25,12\n");
    const batchtest::Result excel = RunTool("", {samples + "/two-sheets.xlsx"});
    EXPECT_EQ(excel.status, 1);
    EXPECT_EQ(excel.out, expected.out);
    const batchtest::Result ods = RunTool("", {samples + "/two-sheets.ods", "--sheet=Studies"});
    EXPECT_EQ(ods.out, RunTool(csv).out);
    const batchtest::Result spss = RunTool("", {samples + "/labelled.sav"});
    EXPECT_NE(spss.out.find(",Children,"), std::string::npos) << spss.out;
    const batchtest::Result noSheet = RunTool("", {samples + "/two-sheets.xlsx", "--sheet=Other"});
    EXPECT_EQ(noSheet.status, 2);
    EXPECT_NE(noSheet.err.find("it has no sheet named \"Other\""), std::string::npos);
    EXPECT_EQ(RunTool(csv, {"--sheet=Studies"}).status, 2); // standard input is no workbook
    // The same table as R's write.csv2 writes it gives the same numbers, with decimal commas.
    const batchtest::Result csv2 = RunTool("", {samples + "/write-csv2.csv"});
    EXPECT_EQ(csv2.status, 1);
    const std::vector<Row> european = Table(csv2.out, ';');
    const std::vector<Row> plain = Table(excel.out);
    ASSERT_EQ(european.size(), plain.size());
    for (std::size_t row = 0; row < plain.size(); ++row) {
        for (const char* column : {"hedges_g", "vi", "g_ci_low", "pooled_sd", "error"}) {
            std::string value = european[row].at(column);
            std::replace(value.begin(), value.end(), ',', '.');
            EXPECT_EQ(value, plain[row].at(column)) << column << " of row " << row;
        }
    }
}

TEST(Batch, UnusableInputsExitWithTwoAndSayWhy) {
    const auto status = [](const std::string& input, std::vector<std::string> args = {}) {
        return RunTool(input, std::move(args));
    };
    auto missing = status("m1,sd1,n1,m2\n1,2,3,4\n");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("missing column: sd2, n2"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");

    auto twice = status("m1,sd1,n1,m2,sd2,n2,M1\n");
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("m1 is given more than once"), std::string::npos);

    auto empty = status("");
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.err.find("empty"), std::string::npos);

    auto quoting = status("m1,sd1,n1,m2,sd2,n2\n1,2,3,4,5,6\n\"7\"x,1,1,1,1,1\n");
    EXPECT_EQ(quoting.status, 2);
    EXPECT_NE(quoting.err.find("line 3"), std::string::npos) << quoting.err;

    EXPECT_EQ(status("", {"/no/such/file.csv"}).status, 2);
    EXPECT_EQ(status("", {"--level", "1.5"}).status, 2);
    EXPECT_EQ(status("", {"--ci", "exact"}).status, 2);
    EXPECT_EQ(status("", {"--frobnicate"}).status, 2);
}

// metafor's escalc names keep escalc's direction: its group 1 (m1i) is our experimental group,
// so a table copied from an R script gives the same g as escalc, never a flipped sign.
TEST(Batch, EscalcNamesAreReadInEscalcsDirectionAndSaidSo) {
    const auto ours = RunTool("study,m1,sd1,n1,m2,sd2,n2\nA,100,15,20,110,15,22\n");
    const auto escalc = RunTool("study,m1i,sd1i,n1i,m2i,sd2i,n2i\nA,110,15,22,100,15,20\n");
    ASSERT_EQ(escalc.status, 0) << escalc.err;
    const std::string g = Table(escalc.out).at(0).at("hedges_g");
    EXPECT_EQ(g, Table(ours.out).at(0).at("hedges_g"));
    EXPECT_GT(Number(g), 0); // 110 in escalc's first group above 100 in its second
    EXPECT_NE(escalc.err.find("read as escalc reads them: group 1 is the experimental group"),
              std::string::npos)
        << escalc.err;
    EXPECT_EQ(ours.err.find("escalc"), std::string::npos);

    const auto mixed = RunTool("study,m1,m2i,sd1,n1,m2,sd2,n2\nA,1,1,1,20,2,1,20\n");
    EXPECT_EQ(mixed.status, 2);
    EXPECT_NE(mixed.err.find("the columns m1 and m2i give the same quantity (escalc's m2i is "
                             "m1, its group 1 being the experimental group): keep one"),
              std::string::npos)
        << mixed.err;
}

TEST(Batch, HeaderOnlyGivesTheHeaderAndSuccess) {
    const batchtest::Result result = RunTool("m1,sd1,n1,m2,sd2,n2\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.substr(0, 31), "m1,sd1,n1,m2,sd2,n2,mode,error,");
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1);
}

// The intervals' columns, each where its row has g; the values are checked in meta's tests.
TEST(Batch, IntervalColumnsWhereTheRowHasG) {
    const batchtest::Result result = RunTool(
        "m1,sd1,n1,m2,sd2,n2\n100,15,20,110,15,20\n100,15,,110,,\n", {"--ci", "noncentral"});
    ASSERT_EQ(result.status, 1) << result.err; // the last row has no g
    const std::vector<Row> rows = Table(result.out);
    EXPECT_NEAR(Number(rows[0].at("d_ci_low")), 0.02498393779716, 1e-9);
    EXPECT_NEAR(Number(rows[0].at("g_ci_high")) - Number(rows[0].at("yi")),
                1.959963984540054 * std::sqrt(Number(rows[0].at("vi"))), 1e-12);
    for (const char* column : {"d_ci_low", "d_ci_high", "g_ci_low", "yi", "vi"}) {
        EXPECT_EQ(rows[1].at(column), "") << column;
    }
}

TEST(Batch, HelpAndVersion) {
    EXPECT_NE(RunTool("", {"--help"}).out.find("Usage: tavrel-batch"), std::string::npos);
    const std::string version = RunTool("", {"--version"}).out;
    EXPECT_TRUE(std::regex_match(version, std::regex("tavrel-batch [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version;
}

} // namespace
} // namespace tavrel::cli
