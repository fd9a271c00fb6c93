// The information and about windows: their layouts, and how a key, a click or closing puts
// them away; and how the calculator window reaches them.
#include "platform/controls.h"
#include "platform/shared_window.h"
#include "shell/about_wnd.h"
#include "shell/application.h"
#include "shell/qwindow.h"
#include "support/window_fixture.h"
#include "ui/control_wnd.h"

#include <QAccessible>
#include <QLabel>
#include <QtTest>

using namespace tavrel;

namespace {

struct Expected {
    const char* name;
    QRect bounds;
    int points; // 0 for a canvas
};

const Expected kInformation[] = {
    {"Canvas1", {211, 82, 192, 103}, 0},      {"Canvas2", {34, 82, 131, 112}, 0},
    {"StaticText2", {20, 305, 562, 181}, 11}, {"StaticText3", {22, 446, 560, 137}, 9},
    {"StaticText1", {34, 6, 534, 91}, 18},    {"Canvas3", {34, 152, 234, 103}, 0},
    {"StaticText4", {423, 82, 145, 112}, 12}, {"Canvas4", {418, 222, 133, 106}, 0},
    {"Canvas5", {34, 222, 263, 61}, 0},       {"StaticText5", {309, 161, 249, 94}, 12},
};

const Expected kAbout[] = {
    {"Canvas2", {94, 174, 150, 22}, 0},
    {"StaticText5", {3, 2, 319, 12}, 10},
    {"Canvas1", {100, 27, 125, 131}, 0},
};

QList<QWidget*> Controls(platform::Window& window) {
    return window.Content().findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

void CompareLayout(platform::Window& window, const Expected* expected, std::size_t count) {
    const QList<QWidget*> controls = Controls(window);
    QCOMPARE(std::size_t(controls.size()), count);
    for (std::size_t i = 0; i < count; ++i) {
        QCOMPARE(controls[i]->objectName(), QString::fromLatin1(expected[i].name));
        QCOMPARE(controls[i]->geometry(), expected[i].bounds);
        if (expected[i].points > 0) {
            QCOMPARE(controls[i]->font().pixelSize(), expected[i].points);
        } else {
            const auto* canvas = qobject_cast<platform::Canvas*>(controls[i]);
            QVERIFY(canvas->Backdrop());
            QVERIFY(canvas->Backdrop()->Size().width() <= canvas->width());
            QVERIFY(canvas->Backdrop()->Size().height() <= canvas->height());
            QCOMPARE(canvas->focusPolicy(), Qt::NoFocus);
        }
    }
}

// The height a wrapped label's text needs within its box's width.
int NeededHeight(const QLabel* label) {
    return QFontMetrics(label->font())
        .boundingRect(QRect(0, 0, label->width(), 10000), Qt::TextWordWrap, label->text())
        .height();
}

} // namespace

class InfoAboutTest : public QObject {
    Q_OBJECT

    QLabel* InfoText(const char* name) {
        return shell::Qwindow().Content().findChild<QLabel*>(name);
    }

  private slots:
    void initTestCase() { shell::InstallWindowLinks(); }
    void cleanup() { platform::DestroySharedWindows(); }

    void informationWindowLayout() {
        auto& info = shell::Qwindow();
        QCOMPARE(info.windowTitle(), QStringLiteral("Information"));
        QCOMPARE(info.Content().size(), QSize(602, 575));
        QCOMPARE(info.minimumSize(), info.maximumSize());
        QVERIFY(!info.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(info.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        CompareLayout(info, kInformation, std::size(kInformation));
        QCOMPARE(InfoText("StaticText1")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(InfoText("StaticText3")->palette().color(QPalette::WindowText), QColor(128, 0, 0));
        QCOMPARE(InfoText("StaticText2")->palette().color(QPalette::WindowText), QColor(Qt::black));
    }

    void referencesAreOnePerLine() {
        const QStringList lines = InfoText("StaticText2")->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 8); // five entries, then three line breaks
        QVERIFY(lines[0].startsWith(QLatin1String("    Cooke, D., Craven")));
        QVERIFY(
            lines[0].endsWith(QLatin1String("[Algorithm 8.4, normal probability calculation]")));
        QVERIFY(lines[1].startsWith(QLatin1String("   Grissom, R. (1994). Probability")));
        QVERIFY(!lines[1].startsWith(QLatin1String("    ")));
        QVERIFY(lines[2].startsWith(QLatin1String("    McGraw, K. O., & Wong, S. P. (1992)")));
        QVERIFY(lines[3].startsWith(QLatin1String("    Normand, S.-L. T. (1999).")));
        QVERIFY(lines[4].startsWith(QLatin1String("    Thompson, B. (2002). \"Statistical,\"")));
        QVERIFY(lines[5].isEmpty() && lines[6].isEmpty() && lines[7].isEmpty());
    }

    // Overlapping boxes must not hide any text: each wrapped text ends before the next one
    // starts, and the notice ends inside the window.
    void everyTextIsWholeAndUnhidden() {
        const QLabel* references = InfoText("StaticText2");
        const QLabel* notice = InfoText("StaticText3");
        const QLabel* heading = InfoText("StaticText1");
        const int referencesEnd =
            references->y() + NeededHeight(references) -
            3 * QFontMetrics(references->font()).lineSpacing(); // the trailing breaks
        QVERIFY2(referencesEnd <= notice->y(), qPrintable(QString::number(referencesEnd)));
        QVERIFY(notice->y() + NeededHeight(notice) <= 575);
        QVERIFY(heading->y() + NeededHeight(heading) <= 82); // above the first pictures
        for (const char* name : {"StaticText4", "StaticText5"}) {
            QVERIFY2(NeededHeight(InfoText(name)) <= InfoText(name)->height(), name);
        }
        // Labels and canvases leave their empty areas transparent.
        for (QWidget* control : Controls(shell::Qwindow())) {
            QVERIFY(!control->autoFillBackground());
        }
    }

    void informationWindowGoesAwayOnKeyClickOrClose() {
        auto& info = shell::Qwindow();
        info.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&info));
        QTest::keyClick(&info, Qt::Key_A);
        QVERIFY(!info.isVisible());

        info.Show();
        QTest::mouseClick(&info.Content(), Qt::LeftButton, {}, QPoint(590, 300));
        QVERIFY(!info.isVisible());

        // A press on a picture or a text reaches the window too.
        info.Show();
        QTest::mouseClick(info.Content().findChild<QWidget*>("Canvas2"), Qt::LeftButton);
        QVERIFY(!info.isVisible());
        info.Show();
        QTest::mouseClick(InfoText("StaticText2"), Qt::LeftButton);
        QVERIFY(!info.isVisible());

        info.Show();
        QVERIFY(info.close());
        QVERIFY(!info.isVisible());
        info.Show();
        QVERIFY(info.isVisible());
        QCOMPARE(&shell::Qwindow(), &info); // hidden, never destroyed
    }

    void iconShowsOneInformationWindow() {
        auto* icon = ui::ControlWnd().Content().findChild<QWidget*>("Canvas1");
        QTest::mouseClick(icon, Qt::LeftButton);
        QTest::mouseClick(icon, Qt::LeftButton);
        QCOMPARE(testing::CountWindows("Qwindow"), 1);
        QVERIFY(shell::Qwindow().isVisible());
    }

    // Opening the window anew, even after it was destroyed, reuses the pictures read once.
    void picturesAreReadOncePerRun() {
        const auto backdrop = [] {
            return shell::Qwindow().Content().findChild<platform::Canvas*>("Canvas1")->Backdrop();
        };
        const platform::PictureRef first = backdrop();
        platform::DestroySharedWindows();
        QCOMPARE(backdrop(), first);
    }

    void aboutWindowLayout() {
        auto& about = shell::AboutWnd();
        QCOMPARE(about.Content().size(), QSize(325, 200));
        QVERIFY(about.windowFlags().testFlag(Qt::FramelessWindowHint));
        CompareLayout(about, kAbout, std::size(kAbout));
        const auto* notice = about.Content().findChild<QLabel*>("StaticText5");
        QVERIFY(notice->font().bold());
        QVERIFY(notice->text().contains(QLatin1String("Tavrel authors")));
        QVERIFY(notice->text().contains(QLatin1String("All rights reserved")));
        QVERIFY(QFontMetrics(notice->font()).horizontalAdvance(notice->text()) <= notice->width());
        QVERIFY(about.isVisible()); // visible on creation
    }

    // What a screen reader finds: the windows by name, every text and picture described.
    void informationAndAboutWindowsAreAccessible() {
        const auto names = [](platform::Window& window) {
            QStringList found;
            for (QWidget* control : Controls(window)) {
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
                found << a->text(QAccessible::Name);
            }
            return found;
        };
        auto& info = shell::Qwindow();
        QCOMPARE(QAccessible::queryAccessibleInterface(&info)->text(QAccessible::Name),
                 QStringLiteral("Information"));
        for (const QString& name : names(info)) {
            QVERIFY(name.size() > 10);
        }
        auto& about = shell::AboutWnd();
        QCOMPARE(QAccessible::queryAccessibleInterface(&about)->text(QAccessible::Name),
                 QStringLiteral("About Tavrel"));
        const QStringList aboutNames = names(about);
        QCOMPARE(aboutNames[0], QStringLiteral("Tavrel"));
        QVERIFY(aboutNames[1].contains(QLatin1String("All rights reserved")));
        QVERIFY(aboutNames[2].contains(QLatin1String("normal distributions")));
        // Pictures without a click of their own are pictures, not buttons.
        QCOMPARE(QAccessible::queryAccessibleInterface(Controls(about)[2])->role(),
                 QAccessible::Graphic);
    }

    void activatingTheCalculatorHidesTheAboutWindow() {
        auto& about = shell::AboutWnd();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        auto& main = ui::ControlWnd();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QVERIFY(!about.isVisible());

        about.Show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        main.Show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(InfoAboutTest)
#include "info_about_test.moc"
