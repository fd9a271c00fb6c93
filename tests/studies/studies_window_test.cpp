// The Studies window as a user meets it: a table opened from a file, its computed columns as
// tavrel-batch computes them, edits and a paste undone, the project saved and the results
// exported exactly as tavrel-batch writes them, the question before closing with changes, and
// the commands every window shares.
#include "cli/run.h"
#include "project/project_file.h"
#include "project/table_file.h"
#include "shell/menu_commands.h"
#include "studies/plot_export.h"
#include "studies/plot_view.h"
#include "studies/studies_window.h"
#include "support/session_fixture.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>

using namespace tavrel;

namespace {

const char kStudies[] = "study,lab,m1,sd1,n1,m2,sd2,n2\n"
                        "\"Ames, 2019\",north,100,15,20,110,15,20\n"
                        "Berg,south,100,15,40,104,16,35\n"
                        "Cole,north,100.50,15,25,99,14,30\n"
                        "Diaz,south,NA,15,25,99,14,30\n"
                        "Egan,south,98,12,32,103,13,31\n";

QString ReadFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

// tavrel-batch itself on `args`; its exit status.
int Batch(const std::vector<std::string>& args) {
    std::FILE* err = std::fopen("/dev/null", "w");
    const int status = cli::RunBatch(args, nullptr, nullptr, err);
    std::fclose(err);
    return status;
}

} // namespace

class StudiesWindowTest : public QObject, testing::SessionFixture {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.filePath(name); }
    // A window with `name` (written from `bytes`, where given) open and its analysis done.
    studies::StudiesWindow& Opened(const QString& name, const QByteArray& bytes) {
        if (!bytes.isEmpty()) {
            WriteFile(Path(name), bytes);
        }
        session->OpenFile(Path(name));
        studies::StudiesWindow& window = *session->StudiesWindows().last();
        Settle(window);
        return window;
    }
    static void Settle(studies::StudiesWindow& window) {
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!window.Runner().Running(), 20000); }();
        QCoreApplication::processEvents();
    }
    static QString Cell(studies::StudiesWindow& window, int row, const QString& column) {
        sheet::StudiesModel& model = window.Model();
        for (int c = 0; c < model.columnCount(); ++c) {
            if (model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == column) {
                return model.index(row, c).data().toString();
            }
        }
        return QStringLiteral("(no column %1)").arg(column);
    }
    // The column `name` of tavrel-batch's output of `path`, with `args`, row by row.
    QStringList BatchColumn(const QString& path, const QString& name,
                            std::vector<std::string> args = {}) {
        args.insert(args.end(), {path.toStdString(), "-o", Path("batch.csv").toStdString()});
        Batch(args);
        project::TableFileNotes notes;
        const project::StudiesProject out =
            project::LoadStudies(Path("batch.csv").toStdString(), notes);
        const auto column = std::find(out.columns.begin(), out.columns.end(), name.toStdString());
        QStringList values;
        for (const auto& row : out.rows) {
            values << QString::fromStdString(row.at(column - out.columns.begin()));
        }
        return values;
    }

    // Answers the next message box with `button`; `text` gets what it said.
    static void Answer(QMessageBox::StandardButton button, QString* text = nullptr) {
        QTimer::singleShot(0, [button, text] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            if (text != nullptr) {
                *text = box->text();
            }
            box->button(button)->click();
        });
    }

  private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QStandardPaths::setTestModeEnabled(true);
        SetUp();
    }
    void cleanup() { TearDown(); }

    void showsWhatTheToolComputesAndMarksTheRowsItCouldNot() {
        studies::StudiesWindow& window = Opened(QStringLiteral("studies.csv"), kStudies);
        QCOMPARE(window.windowTitle(), QStringLiteral("studies.csv[*] — Tavrel"));
        QVERIFY(!window.isWindowModified());
        const QStringList g = BatchColumn(Path("studies.csv"), QStringLiteral("hedges_g"));
        const QStringList weight =
            BatchColumn(Path("studies.csv"), QStringLiteral("weight"), {"--meta"});
        for (int row = 0; row < 5; ++row) {
            QCOMPARE(Cell(window, row, QStringLiteral("hedges_g")), g[row]);
            QCOMPARE(Cell(window, row, QStringLiteral("weight")), weight[row]);
        }
        sheet::StudiesModel& model = window.Model();
        QCOMPARE(model.index(3, 0).data(sheet::StudiesModel::kRowStateRole).toInt(),
                 int(sheet::StudiesModel::Failed));
        QCOMPARE(model.index(3, 0).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("InputError: m1 is missing"));
        QVERIFY(!model.index(3, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(window.Forest().HasPlot());
        QVERIFY(window.Funnel().HasPlot());
        // The summary's values, in its order, copied out as a spreadsheet reads them.
        QTableWidget* results = nullptr;
        for (QTableWidget* table : window.findChildren<QTableWidget*>()) {
            results = table->accessibleName() == QStringLiteral("Results") ? table : results;
        }
        QVERIFY(results != nullptr);
        results->setRangeSelected(QTableWidgetSelectionRange(0, 0, 3, 1), true);
        results->actions().first()->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("method\tREML\ntest\tz\nlevel\t0.95\nk\t4\n"));
        // Only the rows with problems, through the view's filter; the rows keep their ids.
        QAction* problemsOnly = window.Menus()[2]->actions().first();
        problemsOnly->trigger();
        QCOMPARE(window.Table().model()->rowCount(), 1);
        QCOMPARE(window.Table().model()->index(0, 0).data().toString(), QStringLiteral("Diaz"));
        window.Table().setCurrentIndex(window.Table().model()->index(0, 2));
        model.setData(model.index(3, 2), QStringLiteral("100"), Qt::EditRole);
        QCOMPARE(window.Table().model()->rowCount(), 0);
        problemsOnly->trigger();
        QCOMPARE(window.Table().model()->rowCount(), 5);
    }

    void editsAndAPasteAreUndoneAndTheProjectSavedAndExportedAsTheToolWritesIt() {
        WriteFile(Path("in.csv"), kStudies);
        project::TableFileNotes notes;
        project::StudiesProject studies = project::LoadStudies(Path("in.csv").toStdString(), notes);
        studies.SetOption("method", "DL");
        project::SaveProject(studies, Path("s.tavrel").toStdString(), stderr);
        studies::StudiesWindow& window = Opened(QStringLiteral("s.tavrel"), {});
        const QString saved = ReadFile(Path("s.tavrel"));

        sheet::StudiesModel& model = window.Model();
        model.setData(model.index(1, 2), QStringLiteral("101"), Qt::EditRole);
        QVERIFY(window.isWindowModified());
        QCOMPARE(window.windowTitle(), QStringLiteral("s.tavrel[*] — Tavrel"));
        QGuiApplication::clipboard()->setText(
            QStringLiteral("study\tm1\tsd1\tn1\tm2\tsd2\tn2\r\n"
                           "Ford\t99,5\t14\t22\t104\t15\t21\r\n"));
        window.Table().setCurrentIndex(window.Table().model()->index(0, 0));
        for (QAction* action : window.Menus()[0]->actions()) {
            if (action->text() == QStringLiteral("&Paste")) {
                action->trigger();
            }
        }
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(Cell(window, 5, QStringLiteral("m1")), QStringLiteral("99.5"));
        QCOMPARE(Cell(window, 5, QStringLiteral("lab")), QString());
        QVERIFY(window.Save());
        QVERIFY(!window.isWindowModified());
        const QString edited = ReadFile(Path("s.tavrel"));
        QVERIFY(edited.contains(QStringLiteral("[\"Ford\", \"\", \"99.5\", \"14\"")));

        // Exported as tavrel-batch writes it from the saved project.
        Settle(window);
        QUndoStack* undo = &window.UndoStack();
        QString why;
        const QStringList written = window.ExportResultsTo(Path("out/w.csv"), &why);
        QVERIFY2(written.isEmpty(), "the folder does not exist: nothing is written");
        QDir(dir_.path()).mkdir(QStringLiteral("out"));
        QDir(dir_.path()).mkdir(QStringLiteral("tool"));
        QCOMPARE(window.ExportResultsTo(Path("out/w.csv"), &why).size(), 5);
        const QStringList names = {"w.csv", "w.json", "w-leave-one-out.csv", "w-funnel.svg",
                                   "w-forest.svg"};
        QCOMPARE(Batch({Path("s.tavrel").toStdString(), "-o", Path("tool/w.csv").toStdString(),
                        "--summary", Path("tool/w.json").toStdString(), "--leave-one-out",
                        Path("tool/w-leave-one-out.csv").toStdString(), "--funnel",
                        Path("tool/w-funnel.svg").toStdString(), "--forest",
                        Path("tool/w-forest.svg").toStdString()}),
                 1); // Diaz's missing mean
        for (const QString& name : names) {
            QVERIFY2(!ReadFile(Path("out/" + name)).isEmpty(), qPrintable(name));
            QCOMPARE(ReadFile(Path("out/" + name)), ReadFile(Path("tool/" + name)));
        }
        // From the menu it runs on another thread, and the window edits on meanwhile.
        QDir(dir_.path()).mkdir(QStringLiteral("later"));
        window.StartExport(Path("later/w.csv"));
        model.setData(model.index(0, 0), QStringLiteral("Ames"), Qt::EditRole);
        QTRY_VERIFY(window.statusBar()->currentMessage().startsWith(QStringLiteral("Exported")));
        QCOMPARE(ReadFile(Path("later/w-forest.svg")), ReadFile(Path("tool/w-forest.svg")));
        undo->undo();

        // Every step undone: the project's text is as it was.
        while (undo->canUndo()) {
            undo->undo();
        }
        QCOMPARE(QString::fromStdString(project::ProjectText(model.Sheet().Project())), saved);
        QVERIFY(window.isWindowModified()); // the saved file has the edits
    }

    void closingWithChangesAsksAndCancelKeepsTheWindow() {
        studies::StudiesWindow& window = Opened(QStringLiteral("c.csv"), kStudies);
        window.Model().InsertEmptyRows(0, 1);
        QString asked;
        Answer(QMessageBox::Cancel, &asked);
        QVERIFY(!window.close());
        QCOMPARE(asked, QStringLiteral("Save the changes to c.csv before closing?"));
        QCOMPARE(session->StudiesWindows().size(), 1);
        // Quit asks too, and Cancel keeps the application going.
        Answer(QMessageBox::Cancel);
        Commands().quit->trigger();
        QCOMPARE(session->StudiesWindows().size(), 1);
        Answer(QMessageBox::Discard);
        QVERIFY(window.close());
        QTRY_COMPARE(session->StudiesWindows().size(), 0);
    }

    void aFileThatCannotBeOpenedSaysWhyAndLeavesNoWindow() {
        WriteFile(Path("new.tavrel"), R"({"format": "tavrel-studies", "version": 9})");
        QString said;
        Answer(QMessageBox::Ok, &said);
        session->OpenFile(Path("new.tavrel"));
        QVERIFY(said.contains(QStringLiteral("newer version of Tavrel")));
        QTRY_COMPARE(session->StudiesWindows().size(), 0);
    }

    void theSharedCommandsAndTheWindowMenuReachEveryWindow() {
        Calculator();
        studies::StudiesWindow& first = Opened(QStringLiteral("a.csv"), kStudies);
        Opened(QStringLiteral("b.csv"), kStudies);
        // The same file again: its window comes to the front, no second one.
        session->OpenFile(Path("a.csv"));
        QCOMPARE(session->StudiesWindows().size(), 2);
        Commands().newStudies->trigger();
        QCOMPARE(session->StudiesWindows().size(), 3);
        QCOMPARE(session->StudiesWindows().last()->windowTitle(),
                 QStringLiteral("Untitled[*] — Tavrel"));
        QMenu* windowMenu = nullptr;
        for (QAction* action : first.menuBar()->actions()) {
            if (action->text() == QStringLiteral("Window")) {
                windowMenu = action->menu();
            }
        }
        QVERIFY(windowMenu != nullptr);
        emit windowMenu->aboutToShow();
        QStringList items;
        for (QAction* action : windowMenu->actions()) {
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        QCOMPARE(items, (QStringList{"Control", "About Tavrel", "-", "Tavrel", "a.csv — Tavrel",
                                     "b.csv — Tavrel", "Untitled — Tavrel"}));
        QCOMPARE(shell::MenuCommands::RecentFiles().mid(0, 2),
                 (QStringList{Path("b.csv"), Path("a.csv")}));
    }

    void aColumnTakesARoleAndAPlotIsExportedAtTheSizeAsked() {
        studies::StudiesWindow& window = Opened(QStringLiteral("r.csv"), kStudies);
        window.Table().setCurrentIndex(window.Table().model()->index(0, 1)); // lab
        QMenu* table = window.Menus()[1];
        emit table->aboutToShow();
        QAction* subgroups = nullptr;
        for (QAction* action : table->actions()) {
            if (action->text() == QStringLiteral("Column Forms &Subgroups")) {
                subgroups = action;
            }
        }
        QVERIFY(subgroups != nullptr && !subgroups->isChecked());
        subgroups->trigger();
        QCOMPARE(*window.Model().Sheet().View().Option("by"), std::optional<std::string>("lab"));
        QCOMPARE(window.Model().headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QStringLiteral("lab: subgroups"));
        Settle(window);
        QVERIFY(window.Model().Sheet().View().Option("by") != nullptr);
        window.UndoStack().undo();
        QVERIFY(window.Model().Sheet().View().Option("by") == nullptr);
        QVERIFY(!subgroups->isChecked());

        QString why;
        QVERIFY2(studies::ExportPlot(window.Forest(), Path("f.png"), QSize(400, 300), &why),
                 qPrintable(why));
        const QImage image(Path("f.png"));
        QCOMPARE(image.size(), QSize(400, 300) * 2); // PNG at twice its points
        QVERIFY(studies::ExportPlot(window.Funnel(), Path("u.svg"), QSize(500, 500), &why));
        QVERIFY(ReadFile(Path("u.svg")).contains(QStringLiteral("viewBox=\"0 0 500 500\"")));
        QVERIFY(!studies::ExportPlot(window.Funnel(), Path("u.gif"), QSize(500, 500), &why));
        QVERIFY(!QFile::exists(Path("u.gif")));
    }

    void aClusterColumnGivesTheThreeLevelModelAndRobustTests() {
        studies::StudiesWindow& window =
            Opened(QStringLiteral("c.csv"), "study,yi,vi,paper\nE1,0.1,0.02,P1\nE2,0.35,0.02,P1\n"
                                            "E3,0.6,0.02,P2\nE4,0.75,0.02,P2\nE5,-0.1,0.02,P3\n"
                                            "E6,0.05,0.02,P3\nE7,0.2,0.02,P1\n");
        window.Table().setCurrentIndex(window.Table().model()->index(0, 3)); // paper
        QMenu* table = window.Menus()[1];
        emit table->aboutToShow();
        QAction* clusters = nullptr;
        for (QAction* action : table->actions()) {
            clusters = action->text() == QStringLiteral("Column Names Each Row's Clust&er")
                           ? action
                           : clusters;
        }
        QVERIFY(clusters != nullptr && !clusters->isChecked());
        clusters->trigger();
        QCOMPARE(*window.Model().Sheet().View().Option("cluster"),
                 std::optional<std::string>("paper"));
        Settle(window);
        QPlainTextEdit* summary = nullptr;
        QCheckBox* robust = nullptr;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (widget->accessibleName() == QStringLiteral("Summary")) {
                summary = qobject_cast<QPlainTextEdit*>(widget);
            } else if (widget->accessibleName() == QStringLiteral("Cluster-robust tests")) {
                robust = qobject_cast<QCheckBox*>(widget);
            }
        }
        QVERIFY(summary != nullptr && robust != nullptr);
        QVERIFY2(summary->toPlainText().contains(
                     QStringLiteral("Three-level model (REML), k = 7 in 3 clusters")),
                 qPrintable(summary->toPlainText()));
        robust->setChecked(true);
        QVERIFY(window.Model().Sheet().View().Option("robust") != nullptr);
        Settle(window);
        QVERIFY(
            summary->toPlainText().contains(QStringLiteral("Cluster-robust (CR2), 3 clusters")));
        window.UndoStack().undo();
        QVERIFY(window.Model().Sheet().View().Option("robust") == nullptr);
        QVERIFY(!robust->isChecked());
    }

    void everyControlHasAnAccessibleName() {
        studies::StudiesWindow& window = Opened(QStringLiteral("n.csv"), kStudies);
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(&window) || !widget->focusPolicy()) {
                continue;
            }
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(accessible != nullptr && !accessible->text(QAccessible::Name).isEmpty(),
                     qPrintable(widget->metaObject()->className()));
        }
        // A marked row's cell says why to a screen reader.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&window.Table());
        QAccessibleTableInterface* cells = table->tableInterface();
        QVERIFY(cells != nullptr);
        QCOMPARE(cells->columnDescription(0), QStringLiteral("study"));
        QAccessibleInterface* cell = cells->cellAt(3, 2);
        QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("InputError: m1 is missing"));
    }
};

QTEST_MAIN(StudiesWindowTest)
#include "studies_window_test.moc"
