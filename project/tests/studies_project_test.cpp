#include "outputs/output_error.h"
#include "project/project_file.h"
#include "project/studies_project.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrel::project {
namespace {

StudiesProject TwoStudies() {
    StudiesProject project;
    project.columns = {"study", "m1", "sd1", "n1", "m2", "sd2", "n2"};
    project.rows = {{"Ames, 2019", "1.50", "1", "20", "2", "1", "20"},
                    {"B \"quoted\"\nline", "", "NA", "20", "2.0", "1", "20"}};
    project.SetOption("trim-fill", std::nullopt);
    project.SetOption("method", "DL");
    project.SetOption("favours", "Favours placebo,Favours drüg");
    return project;
}

TEST(ProjectText, HasItsKeysInOrderARowToALineAndReadsBackTheSame) {
    const StudiesProject project = TwoStudies();
    const std::string text = ProjectText(project);
    EXPECT_EQ(text,
              "{\n"
              "  \"format\": \"tavrel-studies\",\n"
              "  \"version\": 1,\n"
              "  \"columns\": [\"study\", \"m1\", \"sd1\", \"n1\", \"m2\", \"sd2\", \"n2\"],\n"
              "  \"rows\": [\n"
              "    [\"Ames, 2019\", \"1.50\", \"1\", \"20\", \"2\", \"1\", \"20\"],\n"
              "    [\"B \\\"quoted\\\"\\nline\", \"\", \"NA\", \"20\", \"2.0\", \"1\", \"20\"]\n"
              "  ],\n"
              "  \"options\": {\n"
              "    \"method\": \"DL\",\n"
              "    \"trim-fill\": true,\n"
              "    \"favours\": \"Favours placebo,Favours drüg\"\n"
              "  }\n"
              "}\n");
    EXPECT_EQ(ReadProject(text), project);
    EXPECT_EQ(OptionArguments(project),
              (std::vector<std::string>{"--method=DL", "--trim-fill",
                                        "--favours=Favours placebo,Favours drüg"}));
}

TEST(ProjectText, OfAnEmptyTableIsStillAProject) {
    StudiesProject empty;
    empty.columns = {"m1"};
    const std::string text = ProjectText(empty);
    EXPECT_NE(text.find("\"rows\": [],\n  \"options\": {}\n}\n"), std::string::npos) << text;
    EXPECT_EQ(ReadProject(text), empty);
}

TEST(ProjectText, RefusesATextThatIsNotUtf8) {
    StudiesProject project = TwoStudies();
    project.rows[0][0] = "M\xfcller"; // Latin-1
    EXPECT_THROW(ProjectText(project), ProjectError);
}

TEST(ProjectOptions, KeepTheirOrderAndAFlagTurnedOffIsLeftOut) {
    StudiesProject project;
    project.SetOption("ci", "noncentral");
    project.SetOption("level", "0.90");
    project.SetOption("method", "PM");
    project.SetOption("level", "0.99");
    project.ClearOption("method");
    EXPECT_EQ(OptionArguments(project),
              (std::vector<std::string>{"--level=0.99", "--ci=noncentral"}));
    const StudiesProject read = ReadProject(R"({"format": "tavrel-studies", "version": 1,
        "columns": [], "rows": [], "options": {"funnel-contours": false, "test": "knha"}})");
    EXPECT_EQ(OptionArguments(read), std::vector<std::string>{"--test=knha"});
}

// Each damaged or foreign file is refused whole, with why.
TEST(ReadProject, RefusesWhatIsNotAWholeProjectOfThisVersion) {
    const std::string head = R"({"format": "tavrel-studies", "version": 1, )";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {R"({"format": "tavrel-studies", "version": 2, "columns": [], "rows": []})",
         "it was saved by a newer version of Tavrel (project version 2); this version reads "
         "version 1"},
        {R"({"format": "other", "version": 1})", "it is not a Tavrel studies project"},
        {R"([1, 2])", "it is not a Tavrel studies project"},
        {"study,m1\nA,1\n", "the project is damaged: it is not valid JSON at line 1, column 1"},
        {head + "\"columns\": [\"m1\"],\n \"rows\": [[\"1\"],\n [\"2\" [", "line 3, column"},
        {head + R"("columns": ["m1"], "rows": [["1"])", "the project is damaged: it ends early"},
        {R"({"format": "tavrel-studies", "version": 0.5, "columns": [], "rows": []})",
         "\"version\" is missing or not a whole number"},
        {head + R"("columns": ["m1", "n1"], "rows": [["1", "2"], ["1"]]})",
         "row 2 has 1 cells where there are 2 columns"},
        {head + R"("columns": ["m1"], "rows": [[1.50]]})",
         "row 1 holds number 1.5, where a text belongs"},
        {head + R"("columns": ["m1"], "rows": [["1"]], "options": {"forest": "f.svg"}})",
         "\"forest\", which is not an option a project keeps"},
        {head + R"("columns": ["m1"], "rows": [], "options": {"trim-fill": "yes"}})",
         "the option \"trim-fill\" is \"yes\", where true or false belongs"},
        {head + R"("columns": ["m1"], "rows": [], "options": {"level": 0.9}})",
         "the option \"level\" is 0.9, where a text belongs"},
        {head + R"("columns": ["m1"]})", "it lacks its \"columns\" or its \"rows\""},
        {head + R"("columns": ["m1"], "rows": [], "notes": ""})", "it holds \"notes\""},
    };
    for (const auto& [text, message] : cases) {
        try {
            ReadProject(text);
            ADD_FAILURE() << "read: " << text;
        } catch (const ProjectError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos)
                << e.what() << "\nfor: " << text;
        }
    }
}

TEST(ProjectFile, IsSavedWholeOrNotAtAll) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "tavrel-project-file-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "studies.tavrel").string();
    SaveProject(TwoStudies(), path, stderr);
    EXPECT_EQ(LoadProject(path), TwoStudies());

    StudiesProject unwritable = TwoStudies();
    unwritable.columns[0] = "\xff";
    EXPECT_THROW(SaveProject(unwritable, path, stderr), ProjectError);
    EXPECT_THROW(SaveProject(TwoStudies(), (dir / "none" / "x.tavrel").string(), stderr),
                 outputs::OutputError);
    EXPECT_EQ(LoadProject(path), TwoStudies()); // the old file as it was
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    try {
        LoadProject((dir / "missing.tavrel").string());
        ADD_FAILURE();
    } catch (const ProjectError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot read"), std::string::npos) << e.what();
    }
    std::filesystem::remove_all(dir);
}

TEST(ProjectPath, IsKnownByItsExtensionInAnyCase) {
    EXPECT_TRUE(IsProjectPath("a/b.tavrel"));
    EXPECT_TRUE(IsProjectPath("B.TAVREL"));
    EXPECT_FALSE(IsProjectPath("b.csv"));
    EXPECT_FALSE(IsProjectPath("tavrel"));
}

} // namespace
} // namespace tavrel::project

namespace tavrel::project {
namespace {

// The example shipped in docs/ is what the window would save of it, so that it shows the
// format as it is written.
TEST(ExampleProject, IsWrittenAsTheProgramWritesIt) {
    const std::string path = TAVREL_EXAMPLE_PROJECT;
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    const StudiesProject example = ReadProject(text);
    EXPECT_EQ(example.rows.size(), 20U);
    EXPECT_EQ(ProjectText(example), text);
}

} // namespace
} // namespace tavrel::project
