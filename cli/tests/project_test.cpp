// A saved project is a script: tavrel-batch reads it with its options and writes what the same
// table as CSV gives with the same options, byte for byte; a project it cannot use is refused
// before any file is written.
#include "batch_test_support.h"
#include "program_fixture.h"
#include "project/project_file.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrel::cli {
namespace {

using batchtest::RunTool;

// A cell with a comma, one with a quote, a decimal written with trailing zeros, a missing
// value, a row the pooling leaves out, and a grouping column.
project::StudiesProject Studies() {
    project::StudiesProject studies;
    studies.columns = {"study", "lab", "m1", "sd1", "n1", "m2", "sd2", "n2"};
    studies.rows = {{"Ames, 2019", "north", "100", "15", "20", "110", "15.0", "20"},
                    {"Berg \"B\"", "south", "100", "15", "40", "104", "16", "35"},
                    {"Cole", "north", "100.50", "15", "25", "99", "14", "30"},
                    {"Diaz", "south", "NA", "15", "25", "99", "14", "30"},
                    {"Egan", "south", "98", "12", "32", "103", "13", "31"}};
    return studies;
}

// The same table as CSV, quoted where a field needs it.
std::string CsvOf(const project::StudiesProject& studies) {
    std::string csv;
    const auto line = [&](const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const bool quoted = fields[i].find_first_of(",\"\n") != std::string::npos;
            std::string field = fields[i];
            for (std::size_t at = 0; (at = field.find('"', at)) != std::string::npos; at += 2) {
                field.insert(at, 1, '"');
            }
            csv += (i == 0 ? "" : ",") + (quoted ? "\"" + field + "\"" : field);
        }
        csv += "\n";
    };
    line(studies.columns);
    for (const auto& row : studies.rows) {
        line(row);
    }
    return csv;
}

class ProjectRunTest : public batchtest::ProgramTest {
  protected:
    // Every output of a run on `input` with `args`, read back, with the exit status and what
    // went to standard error.
    std::vector<std::string> Outputs(const std::string& input, std::vector<std::string> args) {
        for (const char* name : {"out.csv", "s.json", "loo.csv", "f.svg"}) {
            // Left from the run before, they would make a failed run look the same.
            std::filesystem::remove(dir_ / name);
        }
        args.insert(args.end(), {input, "-o", Path("out.csv"), "--summary", Path("s.json"),
                                 "--leave-one-out", Path("loo.csv"), "--forest", Path("f.svg")});
        std::string errors;
        const int status = Run("", args, &errors); // the real program, which loads the plots
        return {std::to_string(status), errors,
                Read(dir_ / "out.csv"), Read(dir_ / "s.json"),
                Read(dir_ / "loo.csv"), Read(dir_ / "f.svg")};
    }
};

TEST_F(ProjectRunTest, GivesWhatTheSameTableAsCsvGivesWithTheSameOptions) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    project::StudiesProject studies = Studies();
    studies.SetOption("method", "PM");
    studies.SetOption("by", "lab");
    studies.SetOption("level", "0.90");
    studies.SetOption("favours", "Favours placebo,Favours drug");
    studies.SetOption("ci", "noncentral");
    project::SaveProject(studies, Path("studies.tavrel"), stderr);
    std::ofstream(dir_ / "studies.csv") << CsvOf(studies);

    const std::vector<std::string> fromProject = Outputs(Path("studies.tavrel"), {});
    EXPECT_EQ(fromProject[0], "1") << fromProject[1]; // Diaz's missing mean
    EXPECT_NE(fromProject[2].find("\"Berg \"\"B\"\"\",south"), std::string::npos);
    EXPECT_NE(fromProject[3].find("\"subgroups\""), std::string::npos);
    EXPECT_EQ(fromProject, Outputs(Path("studies.csv"),
                                   {"--meta", "--method=PM", "--by=lab", "--level=0.90",
                                    "--favours=Favours placebo,Favours drug", "--ci=noncentral"}));

    // The command line overrides the project.
    EXPECT_EQ(Outputs(Path("studies.tavrel"), {"--method", "DL", "--level=0.95"}),
              Outputs(Path("studies.csv"),
                      {"--method=DL", "--by=lab", "--level=0.95",
                       "--favours=Favours placebo,Favours drug", "--ci=noncentral"}));
}

TEST_F(ProjectRunTest, OneItCannotUseIsRefusedBeforeAnyFileIsWritten) {
    const auto refused = [&](const std::string& text, std::vector<std::string> args = {}) {
        std::ofstream(dir_ / "p.tavrel") << text;
        args.insert(args.end(), {Path("p.tavrel"), "-o", Path("out.csv")});
        const auto run = RunTool("", args);
        EXPECT_EQ(run.status, 2) << text;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "out.csv")) << text;
        EXPECT_EQ(FilesInDir(), 1);
        return run.err;
    };
    const std::string head = R"({"format": "tavrel-studies", "version": 1,
        "columns": ["study", "m1", "sd1", "n1", "m2", "sd2", "n2"], "rows": [])";
    EXPECT_EQ(refused(R"({"format": "tavrel-studies", "version": 3, "rows": []})"),
              "tavrel-batch: " + Path("p.tavrel") +
                  ": it was saved by a newer version of Tavrel (project version 3); this version "
                  "reads version 1\n");
    EXPECT_NE(refused(head + ", \"options\": {\"method\": \"XX\"}}")
                  .find("p.tavrel: its options cannot be used: --method takes one of"),
              std::string::npos);
    EXPECT_NE(refused(head + ", \"options\": {\"by\": \"lab\"}}").find("--by names no column"),
              std::string::npos);
    EXPECT_NE(refused(head + ", \"options\": {\"by\": \"study\"}}", {"--mods=n1"})
                  .find("--mods cannot be combined with --by, which is for a model without "
                        "moderators, with the options of"),
              std::string::npos);
    EXPECT_NE(
        refused(head + "}", {"--summary", Path("p.tavrel")}).find("would overwrite the input"),
        std::string::npos);
    // Nor is a project replaced by a table.
    std::ofstream(dir_ / "p.tavrel") << head << "}";
    const auto over = RunTool("", {Path("p.tavrel"), "-o", Path("p.tavrel")});
    EXPECT_EQ(over.status, 2);
    EXPECT_NE(over.err.find("-o " + Path("p.tavrel") + " would overwrite the input"),
              std::string::npos)
        << over.err;
}

// A damaged workbook or a PDF given as the table is named as what it is, not refused for its
// quoting or its columns.
TEST_F(ProjectRunTest, AFileThatIsNoTableIsNamedAsWhatItIs) {
    std::ofstream(dir_ / "studies.xlsx", std::ios::binary)
        << std::string("PK\x03\x04", 4) << std::string(26, '\x01') << "[Content_Types].xml"
        << std::string(200, '\x02') << "\"\n";
    const auto workbook = RunTool("", {Path("studies.xlsx"), "-o", Path("out.csv")});
    EXPECT_EQ(workbook.status, 2);
    EXPECT_EQ(workbook.err, "tavrel-batch: " + Path("studies.xlsx") +
                                " is an Excel workbook (.xlsx): cannot open it as a workbook: Not "
                                "a zip archive\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.csv"));
    const auto pdf = RunTool("%PDF-1.5\nstudy,m1\n");
    EXPECT_EQ(pdf.status, 2);
    EXPECT_NE(pdf.err.find("the input is a PDF document, not a CSV"), std::string::npos) << pdf.err;
    // A table whose columns are missing is still told so.
    const auto table = RunTool("study,x\nA,1\n");
    EXPECT_NE(table.err.find("missing"), std::string::npos) << table.err;
}

} // namespace
} // namespace tavrel::cli
