// Calculate, Clear, the information icon, activation and closing of the calculator window.
#include "platform/alerts.h"
#include "platform/controls.h"
#include "support/recording_alerts.h"
#include "support/window_fixture.h"
#include "ui/control_wnd.h"

#include <QAccessible>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace tavrel;

namespace {

using Texts = QMap<QString, QString>;

} // namespace

using testing::Field;
using testing::FillOutputs;
using testing::kInputs;
using testing::kOutputs;

class ControlWndBehaviourTest : public QObject {
    Q_OBJECT

    testing::CountingLinks links_;
    std::optional<testing::RecordingAlerts> alerts_;

    void Enter(const QStringList& values) {
        for (qsizetype i = 0; i < kInputs.size(); ++i) {
            Field(kInputs[i]).SetText(values[i]);
        }
    }
    Texts AllTexts() {
        Texts texts;
        for (const QString& name : kInputs + kOutputs) {
            texts[name] = Field(name).text();
        }
        return texts;
    }
    void PressCalculate() {
        QTest::mouseClick(ui::ControlWnd().Content().findChild<QPushButton*>("CalcBtn"),
                          Qt::LeftButton);
    }

  private slots:
    void initTestCase() { links_.Install(); }
    void init() { alerts_.emplace(); }
    void cleanup() {
        platform::DestroySharedWindows();
        alerts_.reset();
        links_ = {};
        links_.Install();
    }

    void calculateWritesOnlyTheFieldsOfItsMode_data() {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<Texts>("written");
        QTest::newRow("overview example")
            << QStringList{"100", "15", "20", "110", "15", "20"}
            << Texts{{"MeanDiffFld", "+10.00"}, {"PooledSDFld", "15.00"}, {"gFld", "+.667"},
                     {"dFld", "+.667"},         {"dCorrectFld", "+.316"}, {"HedgesFld", "+.653"},
                     {"sdFld", "+.325"},        {"CLEFFld", ".681"}};
        QTest::newRow("pooled SD only")
            << QStringList{"", "10", "20", "", "12", "25"} << Texts{{"PooledSDFld", "11.16"}};
        QTest::newRow("mean difference and Glass only")
            << QStringList{"100", "15", "", "110", "", ""}
            << Texts{{"MeanDiffFld", "+10.00"}, {"gFld", "+.667"}};
    }
    void calculateWritesOnlyTheFieldsOfItsMode() {
        QFETCH(QStringList, inputs);
        QFETCH(Texts, written);
        Enter(inputs);
        FillOutputs(QStringLiteral("old"));
        PressCalculate();
        for (const QString& name : kOutputs) {
            QCOMPARE(Field(name).text(), written.value(name, QStringLiteral("old")));
        }
        QVERIFY(alerts_->messages.isEmpty());
        // A second press without an edit rewrites the same texts.
        const Texts before = AllTexts();
        PressCalculate();
        QCOMPARE(AllTexts(), before);
    }

    void inputErrorShowsOneMessageThenFocusesItsField_data() {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("control mean")
            << QStringList{"0", "15", "30", "110", "15", "30"} << "Mean of Control Group Must > 0."
            << "M1Fld";
        QTest::newRow("control SD") << QStringList{"100", "0", "30", "110", "15", "30"}
                                    << "Standard Deviation of Control Group Must > 0."
                                    << "SD1Fld";
        QTest::newRow("control size") << QStringList{"100", "15", "2", "0", "15", "30"}
                                      << "Number of Subjects in Control Group Must > 2."
                                      << "N1Fld";
        QTest::newRow("experimental mean") << QStringList{"100", "15", "30", "0", "15", "30"}
                                           << "Mean of Experimental Group Must > 0."
                                           << "M2Fld";
        QTest::newRow("empty window")
            << QStringList{"", "", "", "", "", ""} << "Mean of Control Group Must > 0."
            << "M1Fld";
    }
    void inputErrorShowsOneMessageThenFocusesItsField() {
        QFETCH(QStringList, inputs);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QVERIFY(QTest::qWaitForWindowActive(&ui::ControlWnd()));
        Enter(inputs);
        FillOutputs(QStringLiteral("old"));
        Field("N2Fld").setFocus();
        const Texts before = AllTexts();
        PressCalculate();
        QCOMPARE(alerts_->messages, QStringList{message});
        QCOMPARE(testing::NameOf(QApplication::focusWidget()), focus);
        QCOMPARE(AllTexts(), before);
    }

    // The real message box: modal, readable by a screen reader, and the focus moves only
    // once it is dismissed.
    void realMessageBoxIsModalAndAccessible() {
        alerts_.reset();
        auto& window = ui::ControlWnd();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Enter({"100", "0", "30", "110", "15", "30"});
        QString shown;
        QString focusWhileShown;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            shown = box->text();
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
            QVERIFY(a->text(QAccessible::Description).contains(shown));
            focusWhileShown = testing::NameOf(window.focusWidget());
            box->accept();
        });
        PressCalculate();
        QCOMPARE(shown, QStringLiteral("Standard Deviation of Control Group Must > 0."));
        QVERIFY(focusWhileShown != QLatin1String("SD1Fld"));
        // The calculator is active again, with the keyboard in the field the message names.
        QTRY_COMPARE(testing::NameOf(QApplication::focusWidget()), QStringLiteral("SD1Fld"));
    }

    // Wider than the field, but never cut: the whole text stays in the field and its tip.
    void wideResultsAreShownWhole() {
        Enter({"1", ".00001", "", "999999", "", ""});
        PressCalculate();
        QCOMPARE(Field("MeanDiffFld").text(), QStringLiteral("+999998.00"));
        QCOMPARE(Field("gFld").text(), QStringLiteral("+99999800000.000"));
        QCOMPARE(Field("gFld").toolTip(), Field("gFld").text());

        Enter({"100", "15", "20", "200", "15", "20"});
        PressCalculate();
        auto& diff = Field("MeanDiffFld");
        QCOMPARE(diff.text(), QStringLiteral("+100.00"));
        QVERIFY(QFontMetrics(diff.font()).horizontalAdvance(diff.text()) <
                diff.contentsRect().width());
    }

    void clearEmptiesEverythingAndFocusesTheFirstField() {
        QVERIFY(QTest::qWaitForWindowActive(&ui::ControlWnd()));
        Enter({"100", "15", "20", "110", "15", "20"});
        PressCalculate();
        Field("SD2Fld").setFocus();
        QTest::mouseClick(ui::ControlWnd().Content().findChild<QPushButton*>("ClearBtn"),
                          Qt::LeftButton);
        for (const QString& text : AllTexts()) {
            QVERIFY(text.isEmpty());
        }
        QCOMPARE(testing::NameOf(QApplication::focusWidget()), QStringLiteral("M1Fld"));
        QCOMPARE(alerts_->beeps, 0);
    }

    void keyboardAloneCanCalculate() {
        auto& window = ui::ControlWnd();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Field("M1Fld").setFocus();
        for (const char* value : {"100", "15", "20", "110", "15", "20"}) {
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(value));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(testing::NameOf(QApplication::focusWidget()), QStringLiteral("CalcBtn"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(Field("CLEFFld").text(), QStringLiteral(".681"));
    }

    void iconAsksForTheInformationWindow() {
        auto* icon = ui::ControlWnd().Content().findChild<platform::Canvas*>("Canvas1");
        QTest::mouseClick(icon, Qt::LeftButton, {}, QPoint(1, 1));
        QTest::mouseClick(icon, Qt::LeftButton, {}, QPoint(37, 37));
        QCOMPARE(links_.showInformation, 2);
        // Without its picture the icon still works.
        icon->SetBackdrop(nullptr);
        QTest::mouseClick(icon, Qt::LeftButton, {}, QPoint(19, 19));
        QCOMPARE(links_.showInformation, 3);
        // A screen reader presses it as a button.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(icon);
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(links_.showInformation, 4);
    }

    void activationAsksToHideTheAboutWindow() {
        auto& window = ui::ControlWnd();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(links_.hideAbout, 1);
    }

    void missingShellLinkFailsLoudly() {
        ui::InstallShellLinks({});
        QVERIFY_THROWS_EXCEPTION(std::logic_error, ui::ControlWnd().Canvas1_MouseDown(0, 0));
    }

    void closingEndsTheApplicationWithStatusZero() {
        auto& window = ui::ControlWnd();
        QTimer::singleShot(0, &window, [&window] { window.close(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // never hang
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(ControlWndBehaviourTest)
#include "control_wnd_behaviour_test.moc"
