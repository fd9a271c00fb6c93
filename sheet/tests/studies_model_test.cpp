// The model through QAbstractItemModelTester, which checks every signal an edit sends against
// what the model then says; undo and redo of every kind of edit, addressed by row ids; and the
// computed columns and row marks as tavrel-batch computes them.
#include "project/studies_project.h"
#include "sheet/studies_model.h"

#include <QAbstractItemModelTester>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace tavrel::sheet {
namespace {

project::StudiesProject ThreeStudies() {
    project::StudiesProject studies;
    studies.columns = {"study", "m1", "sd1", "n1", "m2", "sd2", "n2"};
    studies.rows = {{"A", "100", "15", "20", "110", "15", "20"},
                    {"B", "100", "15", "40", "104", "16", "35"},
                    {"C", "100", "15", "25", "99", "14", "30"}};
    return studies;
}

class StudiesModelTest : public ::testing::Test {
  protected:
    StudiesModelTest()
        : model_(&undo_), tester_(&model_, QAbstractItemModelTester::FailureReportingMode::Fatal) {
        model_.Reset(StudiesSheet(ThreeStudies()));
    }
    QString Text(int row, int column) const {
        return model_.data(model_.index(row, column), Qt::DisplayRole).toString();
    }
    int Computed(std::string_view name) const {
        for (std::size_t i = 0; i < StudiesModel::kComputedColumns.size(); ++i) {
            if (StudiesModel::kComputedColumns[i] == name) {
                return model_.InputColumns() + static_cast<int>(i);
            }
        }
        return -1;
    }
    std::string Saved() const { return project::ProjectText(model_.Sheet().Project()); }

    QUndoStack undo_;
    StudiesModel model_;
    QAbstractItemModelTester tester_;
};

TEST_F(StudiesModelTest, EveryEditIsUndoneToTheSameProjectText) {
    const std::string before = Saved();
    model_.setData(model_.index(1, 1), "101.50", Qt::EditRole);
    model_.InsertEmptyRows(0, 2);
    model_.RemoveRows({4, 0});
    model_.MoveRow(0, 2);
    model_.InsertColumn(1, "year");
    model_.RenameColumn(0, "author");
    model_.RemoveColumn(7);
    model_.SetOption("method", "DL");
    model_.SetOption("trim-fill", std::nullopt);
    EXPECT_TRUE(model_.Paste("n1\tm1\n30\t99\n", 0, 0));
    EXPECT_TRUE(model_.Paste("x\t1,5\ny\t2,5\n", 3, 6));
    const std::string after = Saved();
    EXPECT_NE(after, before);
    EXPECT_EQ(model_.Sheet().View().options.size(), 2U);

    while (undo_.canUndo()) {
        undo_.undo();
    }
    EXPECT_EQ(Saved(), before);
    while (undo_.canRedo()) {
        undo_.redo();
    }
    EXPECT_EQ(Saved(), after);
}

TEST_F(StudiesModelTest, EditsFollowTheirRowWhereverItMoves) {
    model_.setData(model_.index(2, 0), "C2", Qt::EditRole); // C's row
    model_.MoveRow(2, 0);
    model_.InsertEmptyRows(0, 1);
    EXPECT_EQ(Text(1, 0), "C2");
    undo_.undo(); // the inserted row
    undo_.undo(); // the move
    EXPECT_EQ(Text(2, 0), "C2");
    undo_.undo(); // the edit, of C's row wherever it stands
    EXPECT_EQ(Text(2, 0), "C");
    // A deleted row comes back where it stood, with its id: a later redo of its edit finds it.
    model_.RemoveRows({1});
    EXPECT_EQ(Text(1, 0), "C");
    undo_.undo();
    EXPECT_EQ(Text(1, 0), "B");
}

TEST_F(StudiesModelTest, APasteIsOneStepAndReadsItsHeader) {
    EXPECT_TRUE(model_.Paste("study\tn1\tyear\r\nD\t12\t2001\r\nE\t14\t2003\r\n", 1, 1));
    EXPECT_EQ(model_.rowCount(), 5);
    EXPECT_EQ(model_.InputColumns(), 8);
    EXPECT_EQ(Text(4, 0), "E");
    EXPECT_EQ(Text(4, 3), "14");
    EXPECT_EQ(Text(4, 7), "2003");
    undo_.undo();
    EXPECT_EQ(model_.rowCount(), 3);
    EXPECT_EQ(model_.InputColumns(), 7);
    EXPECT_FALSE(model_.Paste("", 0, 0));
    EXPECT_EQ(model_.CopyText({2, 0}, {0, 3}), "study\tn1\nC\t25\nA\t20\n");
}

TEST_F(StudiesModelTest, ComputedColumnsAreReadOnlyAndMarkWhatTheToolFinds) {
    const int g = Computed("hedges_g");
    EXPECT_FALSE(model_.flags(model_.index(0, g)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model_.setData(model_.index(0, g), "1", Qt::EditRole));
    EXPECT_EQ(model_.headerData(g, Qt::Horizontal, Qt::DisplayRole).toString(), "hedges_g");
    // Each row is computed as it is entered (A: d = 10 / 15, J(38) = 0.98010).
    EXPECT_TRUE(Text(0, g).startsWith("0.6534")) << Text(0, g).toStdString();
    EXPECT_EQ(Text(0, Computed("computed_from")), "means");

    model_.setData(model_.index(1, 3), "1", Qt::EditRole); // a size of 1
    EXPECT_EQ(model_.data(model_.index(1, 0), StudiesModel::kRowStateRole).toInt(),
              StudiesModel::Failed);
    EXPECT_TRUE(model_.data(model_.index(1, 2), Qt::ToolTipRole).toString().contains("n1"));
    EXPECT_EQ(model_.data(model_.index(1, 2), Qt::AccessibleDescriptionRole),
              model_.data(model_.index(1, 2), Qt::ToolTipRole));
    EXPECT_TRUE(Text(1, g).isEmpty());

    // A reported t that its means cannot give.
    model_.InsertColumn(7, "t");
    model_.setData(model_.index(2, 7), "5.0", Qt::EditRole);
    EXPECT_EQ(model_.data(model_.index(2, 0), StudiesModel::kRowStateRole).toInt(),
              StudiesModel::ToCheck);
    EXPECT_TRUE(
        model_.data(model_.index(2, 0), Qt::ToolTipRole).toString().startsWith("t: reported 5.0"))
        << model_.data(model_.index(2, 0), Qt::ToolTipRole).toString().toStdString();
    undo_.undo();
    EXPECT_EQ(model_.data(model_.index(2, 0), StudiesModel::kRowStateRole).toInt(),
              StudiesModel::Computed);

    // In another measure the same columns show its yi and interval, under the tool's names.
    undo_.undo(); // the column t
    const auto analyse = [this] { // as the window's runner does, off its thread
        const project::StudiesProject& studies = model_.Sheet().Project();
        std::vector<RowId> ids;
        for (int row = 0; row < model_.rowCount(); ++row) {
            ids.push_back(model_.Sheet().IdAt(row));
        }
        model_.ShowEvaluation(Evaluate(studies, AnalysisOptions(studies)), ids, true);
    };
    model_.SetOption("measure", "MD");
    analyse();
    EXPECT_EQ(model_.headerData(g, Qt::Horizontal, Qt::DisplayRole).toString(), "yi");
    EXPECT_EQ(Text(0, g), "10");
    EXPECT_EQ(model_.headerData(Computed("g_ci_low"), Qt::Horizontal, Qt::DisplayRole).toString(),
              "ci_low");
    undo_.undo();
    analyse();
    EXPECT_EQ(model_.headerData(g, Qt::Horizontal, Qt::DisplayRole).toString(), "hedges_g");
}

TEST(Evaluation, ShowsTheRowsWhenTheStudiesCannotBePooled) {
    project::StudiesProject one = ThreeStudies();
    one.rows.resize(1);
    const Evaluation pooledAlone = Evaluate(one, AnalysisOptions(one));
    EXPECT_NE(pooledAlone.failure.find("pooling needs at least 2"), std::string::npos)
        << pooledAlone.failure;
    ASSERT_EQ(pooledAlone.rows.size(), 1U);
    EXPECT_FALSE(pooledAlone.analysis);

    project::StudiesProject noSizes = ThreeStudies();
    noSizes.columns[3] = "size";
    const Evaluation unread = Evaluate(noSizes, AnalysisOptions(noSizes));
    EXPECT_FALSE(unread.failure.empty());
    EXPECT_TRUE(unread.rows.empty());

    const Evaluation whole = Evaluate(ThreeStudies(), AnalysisOptions(ThreeStudies()));
    EXPECT_TRUE(whole.failure.empty()) << whole.failure;
    ASSERT_TRUE(whole.analysis);
    EXPECT_EQ(whole.pooled->PlotRows().size(), 3U);
    EXPECT_NE(whole.messages.find("Random-effects model (REML), k = 3"), std::string::npos)
        << whole.messages;
    EXPECT_GE(whole.ColumnOf("cooks_distance"), 0);

    // Called off, as a newer edit calls off the run it makes old: nothing of it counts.
    const Evaluation calledOff =
        Evaluate(ThreeStudies(), AnalysisOptions(ThreeStudies()), [] { return true; });
    EXPECT_TRUE(calledOff.cancelled);
    EXPECT_FALSE(calledOff.analysis);
}

} // namespace
} // namespace tavrel::sheet
