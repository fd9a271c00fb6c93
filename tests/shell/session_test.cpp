// Start-up and lifetime: the about window first, the calculator after the pause or at a key
// or click, quitting at any time; and how the three windows reach each other.
#include "support/session_fixture.h"
#include "windows/input_field.h"
#include "windows/result_field.h"

#include <QAccessible>
#include <QLabel>
#include <QToolButton>

using namespace tavrel;

class SessionTest : public QObject, testing::SessionFixture {
    Q_OBJECT

  private:
    // A pause of its own, short enough to wait out.
    static constexpr std::chrono::milliseconds kPause{800};
    void startWithPause() {
        TearDown();
        SetUp(kPause);
    }

  private slots:
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    void aboutWindowAloneUntilThePauseEnds() {
        startWithPause();
        auto& about = session->About();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QVERIFY(!session->HasCalculator());
        QTest::qWait(static_cast<int>(kPause.count()) - 500);
        QVERIFY(!session->HasCalculator());
        QTRY_VERIFY(session->HasCalculator() && session->Calculator().isVisible());
        QVERIFY(!about.isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&session->Calculator()));
    }

    void keyOrClickDuringThePauseShowsTheCalculatorAtOnce_data() {
        QTest::addColumn<bool>("click");
        QTest::newRow("key") << false;
        QTest::newRow("click") << true;
    }
    void keyOrClickDuringThePauseShowsTheCalculatorAtOnce() {
        QFETCH(bool, click);
        startWithPause();
        auto& about = session->About();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        if (click) {
            QTest::mouseClick(about.centralWidget(), Qt::LeftButton, {}, QPoint(10, 100));
        } else {
            QTest::keyClick(&about, Qt::Key_X);
        }
        QVERIFY(session->HasCalculator() && session->Calculator().isVisible());
        QVERIFY(!about.isVisible());
        // The pause's end later makes no second window and leaves the about window hidden.
        windows::CalculatorWindow* calculator = &session->Calculator();
        QTest::qWait(static_cast<int>(kPause.count()) + 100);
        QCOMPARE(&session->Calculator(), calculator);
        QVERIFY(!about.isVisible());
    }

    void quitDuringThePauseNeverMakesTheCalculator() {
        auto& about = session->About();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QCOMPARE(
            RunUntilQuit([&about] { QTest::keyClick(&about, Qt::Key_Q, Qt::ControlModifier); }), 0);
        QVERIFY(!session->HasCalculator());
    }

    void iconShowsOneInformationWindowWhichAnyKeyOrClickPutsAway() {
        auto& calculator = Calculator();
        QTest::mouseClick(&calculator.InformationButton(), Qt::LeftButton);
        auto& information = session->Information();
        QVERIFY(QTest::qWaitForWindowActive(&information));
        QTest::mouseClick(&calculator.InformationButton(), Qt::LeftButton);
        QCOMPARE(&session->Information(), &information);

        QTest::keyClick(&information, Qt::Key_A);
        QVERIFY(!information.isVisible());
        // A press on a picture or a text reaches the window too.
        const QList<QLabel*> labels = information.findChildren<QLabel*>();
        const auto picture = std::find_if(labels.begin(), labels.end(),
                                          [](QLabel* label) { return !label->pixmap().isNull(); });
        const auto text = std::find_if(labels.begin(), labels.end(),
                                       [](QLabel* label) { return !label->text().isEmpty(); });
        QVERIFY(picture != labels.end() && text != labels.end());
        for (QLabel* control : {*picture, *text}) {
            session->ShowInformation();
            QTest::mouseClick(control, Qt::LeftButton);
            QVERIFY(!information.isVisible());
        }
        session->ShowInformation();
        QVERIFY(information.close());
        QVERIFY(!information.isVisible());
    }

    void activatingTheCalculatorPutsTheAboutWindowAway() {
        auto& calculator = Calculator();
        session->ShowAbout();
        QVERIFY(QTest::qWaitForWindowActive(&session->About()));
        windows::ShowInFront(calculator);
        QVERIFY(QTest::qWaitForWindowActive(&calculator));
        QVERIFY(!session->About().isVisible());
    }

    // What a screen reader finds: the windows by name, every text and picture described, the
    // pictures as pictures, the icon as a button.
    void windowsAreNamedForScreenReaders() {
        const auto name = [](QWidget* widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        };
        QCOMPARE(name(&session->About()), QStringLiteral("About Tavrel"));
        QCOMPARE(name(&session->Information()), QStringLiteral("Information"));
        QCOMPARE(name(&Calculator()), QStringLiteral("Tavrel"));
        for (QWidget* window : {static_cast<QWidget*>(&session->About()),
                                static_cast<QWidget*>(&session->Information())}) {
            int pictures = 0;
            for (QLabel* label : window->findChildren<QLabel*>()) {
                if (!label->pixmap().isNull()) {
                    ++pictures;
                    QVERIFY(name(label).size() >= 6);
                    QCOMPARE(QAccessible::queryAccessibleInterface(label)->role(),
                             QAccessible::Graphic);
                }
            }
            QVERIFY(pictures >= 2);
        }
        QCOMPARE(name(&session->Calculator().FieldOf(engine::Input::ControlSD)),
                 QStringLiteral("Standard Deviation of Control Group"));
        QCOMPARE(name(&session->Calculator().FieldOf(engine::Result::GlassDelta)),
                 QStringLiteral("Glass's \u2206"));
    }
};

QTEST_MAIN(SessionTest)
#include "session_test.moc"
