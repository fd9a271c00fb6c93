// Calculate, Clear, the information button, activation and closing of the calculator window.
#include "support/calculator_fixture.h"
#include "windows/message_box.h"

#include <QAccessible>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

using namespace tavrel;
using engine::Input;
using engine::Result;
using Texts = QMap<Result, QString>;

class CalculatorTest : public QObject, testing::CalculatorFixture {
    Q_OBJECT

    void PressCalculate() { QTest::mouseClick(&window->CalculateButton(), Qt::LeftButton); }

  private slots:
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    void calculateWritesOnlyTheResultsOfItsMode_data() {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<Texts>("written");
        QTest::newRow("worked example") << QStringList{"100", "15", "20", "110", "15", "20"}
                                        << Texts{{Result::MeanDifference, "+10.00"},
                                                 {Result::PooledSD, "15.00"},
                                                 {Result::GlassDelta, "+.667"},
                                                 {Result::CohensD, "+.667"},
                                                 {Result::R, "+.316"},
                                                 {Result::HedgesG, "+.653"},
                                                 {Result::HedgesGSD, "+.325"},
                                                 {Result::CommonLanguage, ".681"}};
        QTest::newRow("pooled SD only")
            << QStringList{"", "10", "20", "", "12", "25"} << Texts{{Result::PooledSD, "11.16"}};
        QTest::newRow("mean difference and Glass only")
            << QStringList{"100", "15", "", "110", "", ""}
            << Texts{{Result::MeanDifference, "+10.00"}, {Result::GlassDelta, "+.667"}};
    }
    void calculateWritesOnlyTheResultsOfItsMode() {
        QFETCH(QStringList, inputs);
        QFETCH(Texts, written);
        Enter(inputs);
        FillResults();
        PressCalculate();
        for (const Result result : engine::kResults) {
            QCOMPARE(Out(result).text(), written.value(result, QStringLiteral("old")));
        }
        QVERIFY(alerts->messages.isEmpty());
    }

    void inputErrorShowsOneMessageThenFocusesItsInput_data() {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Input>("focus");
        QTest::newRow("control mean") << QStringList{"0", "15", "30", "110", "15", "30"}
                                      << "Mean of Control Group Must > 0." << Input::ControlMean;
        QTest::newRow("control SD")
            << QStringList{"100", "0", "30", "110", "15", "30"}
            << "Standard Deviation of Control Group Must > 0." << Input::ControlSD;
        QTest::newRow("control size")
            << QStringList{"100", "15", "2", "0", "15", "30"}
            << "Number of Subjects in Control Group Must > 2." << Input::ControlSize;
        QTest::newRow("experimental mean")
            << QStringList{"100", "15", "30", "0", "15", "30"}
            << "Mean of Experimental Group Must > 0." << Input::ExperimentalMean;
    }
    void inputErrorShowsOneMessageThenFocusesItsInput() {
        QFETCH(QStringList, inputs);
        QFETCH(QString, message);
        QFETCH(Input, focus);
        QVERIFY(QTest::qWaitForWindowActive(&*window));
        Enter(inputs);
        FillResults();
        In(Input::ExperimentalSize).setFocus();
        PressCalculate();
        QCOMPARE(alerts->messages, QStringList{message});
        QCOMPARE(Focused(), &In(focus));
        QCOMPARE(Out(Result::CohensD).text(), QStringLiteral("old"));
    }

    // The real message box: modal, readable by a screen reader, and the focus moves only once
    // it is dismissed, back in the calculator.
    void realMessageBoxIsModalAndAccessible() {
        alerts.reset();
        connect(&*window, &windows::CalculatorWindow::MessageRequested, &windows::ShowMessageBox);
        QVERIFY(QTest::qWaitForWindowActive(&*window));
        Enter({"100", "0", "30", "110", "15", "30"});
        QString shown;
        QWidget* focusWhileShown = nullptr;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            shown = box->text();
            QVERIFY(QAccessible::queryAccessibleInterface(box)
                        ->text(QAccessible::Description)
                        .contains(shown));
            focusWhileShown = window->focusWidget();
            box->accept();
        });
        PressCalculate();
        QCOMPARE(shown, QStringLiteral("Standard Deviation of Control Group Must > 0."));
        QVERIFY(focusWhileShown != &In(Input::ControlSD));
        QTRY_COMPARE(Focused(), &In(Input::ControlSD));
    }

    // Wider than the field, but never cut: the whole text stays in the field and its tip.
    void wideResultsAreShownWhole() {
        Enter({"1", ".00001", "", "999999", "", ""});
        PressCalculate();
        QCOMPARE(Out(Result::GlassDelta).text(), QStringLiteral("+99999800000.000"));
        QCOMPARE(Out(Result::GlassDelta).toolTip(), Out(Result::GlassDelta).text());
        Enter({"100", "15", "20", "200", "15", "20"});
        PressCalculate();
        auto& difference = Out(Result::MeanDifference);
        QCOMPARE(difference.text(), QStringLiteral("+100.00"));
        QVERIFY(QFontMetrics(difference.font()).horizontalAdvance(difference.text()) <
                difference.contentsRect().width());
    }

    void clearEmptiesEverythingAndFocusesTheFirstInput() {
        QVERIFY(QTest::qWaitForWindowActive(&*window));
        Enter({"100", "15", "20", "110", "15", "20"});
        PressCalculate();
        In(Input::ExperimentalSD).setFocus();
        QTest::mouseClick(&window->ClearButton(), Qt::LeftButton);
        for (const Input input : engine::kInputs) {
            QVERIFY(In(input).text().isEmpty());
        }
        QVERIFY(ResultsEmpty());
        QCOMPARE(Focused(), &In(Input::ControlMean));
    }

    // Tab from field to field, then Space on Calculate: no mouse needed.
    void keyboardAloneCanCalculate() {
        QVERIFY(QTest::qWaitForWindowActive(&*window));
        In(Input::ControlMean).setFocus();
        for (const char* value : {"100", "15", "20", "110", "15", "20"}) {
            QTest::keyClicks(Focused(), QString::fromLatin1(value));
            QTest::keyClick(Focused(), Qt::Key_Tab);
        }
        QCOMPARE(Focused(), &window->CalculateButton());
        QTest::keyClick(Focused(), Qt::Key_Space);
        QCOMPARE(Out(Result::CommonLanguage).text(), QStringLiteral(".681"));
    }

    void informationButtonWorksByMouseAndScreenReader() {
        QSignalSpy requested(&*window, &windows::CalculatorWindow::InformationRequested);
        auto& button = window->InformationButton();
        QVERIFY(!button.icon().isNull());
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(1, 1));
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(37, 37));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
        QCOMPARE(accessible->role(), QAccessible::Button);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Information"));
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(requested.count(), 3);
    }

    // The window's texts are its Designer file's; a result's name for a screen reader is the
    // batch tool's column name too.
    void resultFieldsAreNamedAsTheirColumns() {
        for (const Result result : engine::kResults) {
            const std::string_view caption = engine::Describe(result).caption;
            QCOMPARE(Out(result).accessibleName(),
                     QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
        }
    }

    void closingEndsTheApplicationWithStatusZero() {
        QTimer::singleShot(0, &*window, [this] { window->close(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // never hang
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(CalculatorTest)
#include "calculator_test.moc"
