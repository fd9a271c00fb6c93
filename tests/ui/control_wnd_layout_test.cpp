// The calculator window as laid out: every control with its kind, place, text, font, colour
// and flags, in creation order; the window's own properties; the focus order.
#include "platform/controls.h"
#include "support/window_fixture.h"
#include "ui/control_wnd.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace tavrel;

namespace {

struct Expected {
    const char* name;
    const char* kind;
    QRect bounds;
    const char* text;
};

// Independent of the code's own table: transcribed from the window's design.
const Expected kControls[] = {
    {"M1Fld", "EditField", {397, 87, 60, 20}, ""},
    {"SD1Fld", "EditField", {397, 113, 60, 20}, ""},
    {"N1Fld", "EditField", {397, 139, 60, 20}, ""},
    {"M2Fld", "EditField", {397, 173, 60, 20}, ""},
    {"SD2Fld", "EditField", {397, 199, 60, 20}, ""},
    {"N2Fld", "EditField", {397, 225, 60, 20}, ""},
    {"PooledSDFld", "EditField", {397, 268, 60, 20}, ""},
    {"MeanDiffFld", "EditField", {397, 291, 60, 20}, ""},
    {"dFld", "EditField", {397, 314, 60, 20}, ""},
    {"Separator2", "Separator", {67, -11, 424, 4}, ""},
    {"Separator1", "Separator", {72, -11, 63, 4}, ""},
    {"StaticText4", "StaticText", {60, -3, 400, 40}, "Tavrel"},
    {"CalcBtn", "PushButton", {21, 452, 80, 32}, "Calculate"},
    {"ClearBtn", "PushButton", {401, 452, 80, 32}, "Clear"},
    {"StaticText1", "StaticText", {38, 87, 230, 20}, "Mean of Control Group"},
    {"StaticText2", "StaticText", {38, 173, 334, 20}, "Mean of Experimental Group"},
    {"StaticText3", "StaticText", {38, 199, 314, 20}, "Standard Deviation of Experimental Group"},
    {"copyright", "StaticText", {173, 33, 184, 15}, nullptr},
    {"StaticText6", "StaticText", {38, 115, 270, 18}, "Standard Deviation of Control Group"},
    {"StaticText7", "StaticText", {38, 139, 285, 20}, "Number of Subjects in Control Group"},
    {"StaticText8", "StaticText", {38, 225, 328, 20}, "Number of Subjects in Experimental Group"},
    {"StaticText9", "StaticText", {38, 268, 227, 20}, "Pooled Standard Deviation"},
    {"StaticText10", "StaticText", {38, 291, 193, 20}, "Mean Difference"},
    {"EffectSizeText", "StaticText", {311, 314, 80, 20}, "Cohen's d"},
    {"StaticText11", "StaticText", {38, 337, 113, 20}, "r"},
    {"dCorrectFld", "EditField", {125, 337, 60, 20}, ""},
    {"StaticText12", "StaticText", {38, 383, 238, 20}, "Common Language Effect Size"},
    {"CLEFFld", "EditField", {397, 383, 60, 20}, ""},
    {"StaticText13", "StaticText", {230, 337, 160, 20}, "Hedges's Unbiased d"},
    {"HedgesFld", "EditField", {397, 337, 60, 20}, ""},
    {"StaticText14", "StaticText", {38, 360, 270, 20}, "Standard Deviation of Unbiased d"},
    {"sdFld", "EditField", {397, 360, 60, 20}, ""},
    {"Rectangle1", "Rectangle", {38, 256, 420, 2}, ""},
    {"StaticText15", "StaticText", {38, 314, 80, 20}, "Glass's \u2206"},
    {"gFld", "EditField", {125, 314, 60, 20}, ""},
    {"Canvas1", "Canvas", {232, 449, 38, 38}, ""},
};

const char* KindOf(const QWidget* w) {
    if (qobject_cast<const platform::Canvas*>(w) != nullptr) {
        return "Canvas";
    }
    if (dynamic_cast<const platform::EditField*>(w) != nullptr) {
        return "EditField";
    }
    if (dynamic_cast<const platform::RectangleControl*>(w) != nullptr) {
        return "Rectangle";
    }
    if (qobject_cast<const QLabel*>(w) != nullptr) {
        return "StaticText";
    }
    if (qobject_cast<const QPushButton*>(w) != nullptr) {
        return "PushButton";
    }
    if (qobject_cast<const QFrame*>(w) != nullptr) {
        return "Separator";
    }
    return "?";
}

const QColor kDarkRed(128, 0, 0);

} // namespace

class ControlWndLayoutTest : public QObject {
    Q_OBJECT

    testing::CountingLinks links_;
    QWidget& Content() { return ui::ControlWnd().Content(); }

  private slots:
    void initTestCase() { links_.Install(); }
    void cleanup() { platform::DestroySharedWindows(); }

    void windowProperties() {
        auto& w = ui::ControlWnd();
        QCOMPARE(Content().size(), QSize(500, 500));
        QCOMPARE(w.windowTitle(), QString());
        QCOMPARE(w.minimumSize(), w.maximumSize()); // not resizable
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QCOMPARE(Content().palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(w.isVisible());
    }

    void controlsInCreationOrder() {
        // The style adds animations of its own; only the widgets are controls.
        QList<QWidget*> children;
        for (QObject* child : Content().children()) {
            if (child->isWidgetType()) {
                children << static_cast<QWidget*>(child);
            }
        }
        QCOMPARE(children.size(), qsizetype(std::size(kControls)));
        for (qsizetype i = 0; i < children.size(); ++i) {
            const QWidget* control = children[i];
            const Expected& e = kControls[i];
            QCOMPARE(testing::NameOf(control), QString::fromLatin1(e.name));
            QCOMPARE(KindOf(control), e.kind);
            QCOMPARE(control->geometry(), e.bounds);
            if (const auto* field = dynamic_cast<const QLineEdit*>(control)) {
                QCOMPARE(field->text(), QString::fromUtf8(e.text));
            } else if (const auto* label = qobject_cast<const QLabel*>(control);
                       label != nullptr && e.text != nullptr) {
                QCOMPARE(label->text(), QString::fromUtf8(e.text));
            } else if (const auto* button = qobject_cast<const QPushButton*>(control)) {
                QCOMPARE(button->text(), QString::fromUtf8(e.text));
            }
        }
    }

    // Fonts are drawn one pixel per point: the heading 32, the notice 11, labels 14 bold,
    // fields 14 fixed-pitch, buttons 12.
    void fontsAndColours() {
        for (const auto* field : Content().findChildren<platform::EditField*>()) {
            QCOMPARE(field->font().pixelSize(), 14);
            QVERIFY(QFontInfo(field->font()).fixedPitch());
            QCOMPARE(field->palette().color(QPalette::Disabled, QPalette::Text), kDarkRed);
            QCOMPARE(field->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        }
        for (const auto* label : Content().findChildren<QLabel*>()) {
            QCOMPARE(label->palette().color(QPalette::WindowText), kDarkRed);
            const QString name = label->objectName();
            const int size = name == "StaticText4" ? 32 : name == "copyright" ? 11 : 14;
            QCOMPARE(label->font().pixelSize(), size);
            QCOMPARE(label->font().bold(), name != "copyright");
        }
        QCOMPARE(Content().findChild<QPushButton*>("CalcBtn")->font().pixelSize(), 12);
        QVERIFY(Content().findChild<QPushButton*>("CalcBtn")->isDefault());
        QVERIFY(!Content().findChild<QPushButton*>("ClearBtn")->isDefault());
    }

    // Only the program writes the outputs: disabled, never focused, yet not read-only.
    void outputsAreDisabledInputsTakeFocus() {
        for (const auto* field : Content().findChildren<platform::EditField*>()) {
            const bool input = field->objectName().endsWith(QLatin1String("1Fld")) ||
                               field->objectName().endsWith(QLatin1String("2Fld"));
            QCOMPARE(field->isEnabled(), input);
            QCOMPARE(field->focusPolicy(), input ? Qt::StrongFocus : Qt::NoFocus);
            QVERIFY(!field->isReadOnly());
        }
        QCOMPARE(Content().findChild<QWidget*>("Canvas1")->focusPolicy(), Qt::NoFocus);
    }

    // A label whose text is wider or taller than its box would be cut off on screen.
    void everyTextFitsItsBox() {
        for (const auto* label : Content().findChildren<QLabel*>()) {
            const QFontMetrics metrics(label->font());
            const QRect needed = metrics.boundingRect(
                label->rect(), label->alignment() | Qt::TextWordWrap, label->text());
            QVERIFY2(needed.width() <= label->width(), qPrintable(label->objectName()));
            if (label->objectName() != QLatin1String("StaticText4")) {
                QVERIFY2(metrics.height() <= label->height() + 1, qPrintable(label->objectName()));
            }
        }
        for (const auto* button : Content().findChildren<QPushButton*>()) {
            QVERIFY(button->sizeHint().width() <= button->width());
        }
    }

    void helpTagsOnlyWhereDesigned() {
        for (const auto* label : Content().findChildren<QLabel*>()) {
            const bool tagged = label->objectName() == QLatin1String("EffectSizeText") ||
                                label->objectName() == QLatin1String("StaticText12") ||
                                label->objectName() == QLatin1String("StaticText15");
            QCOMPARE(!label->toolTip().isEmpty(), tagged);
        }
        QVERIFY(Content().findChild<QLabel*>("StaticText12")->toolTip().contains("Grissom"));
    }

    void separatorsLieAboveTheVisibleArea() {
        for (const char* name : {"Separator1", "Separator2"}) {
            QVERIFY(Content().findChild<QWidget*>(name)->geometry().bottom() < 0);
        }
    }

    void iconShowsTheQuestionPicture() {
        const auto* canvas = Content().findChild<platform::Canvas*>("Canvas1");
        QVERIFY(canvas->Backdrop());
        QCOMPARE(canvas->Backdrop()->Size(), QSizeF(38, 38));
    }

    void accessibleNamesFollowTheLabels() {
        const QList<QPair<const char*, const char*>> names = {
            {"M1Fld", "Mean of Control Group"},
            {"SD1Fld", "Standard Deviation of Control Group"},
            {"N1Fld", "Number of Subjects in Control Group"},
            {"M2Fld", "Mean of Experimental Group"},
            {"SD2Fld", "Standard Deviation of Experimental Group"},
            {"N2Fld", "Number of Subjects in Experimental Group"},
            {"PooledSDFld", "Pooled Standard Deviation"},
            {"MeanDiffFld", "Mean Difference"},
            {"gFld", "Glass's \u2206"},
            {"dFld", "Cohen's d"},
            {"dCorrectFld", "r"},
            {"HedgesFld", "Hedges's Unbiased d"},
            {"sdFld", "Standard Deviation of Unbiased d"},
            {"CLEFFld", "Common Language Effect Size"},
            {"Canvas1", "Information"},
        };
        for (const auto& [name, accessible] : names) {
            auto* widget = Content().findChild<QWidget*>(name);
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(a != nullptr);
            QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(accessible));
        }
        auto* icon =
            QAccessible::queryAccessibleInterface(Content().findChild<QWidget*>("Canvas1"));
        QCOMPARE(icon->role(), QAccessible::Button);
        auto* calc =
            QAccessible::queryAccessibleInterface(Content().findChild<QWidget*>("CalcBtn"));
        QCOMPARE(calc->text(QAccessible::Name), QStringLiteral("Calculate"));
    }

    void tabVisitsInputsThenButtons() {
        auto& w = ui::ControlWnd();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Field("M1Fld").setFocus();
        QStringList visited;
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << testing::NameOf(QApplication::focusWidget());
        }
        QCOMPARE(visited, (QStringList{"SD1Fld", "N1Fld", "M2Fld", "SD2Fld", "N2Fld", "CalcBtn",
                                       "ClearBtn", "M1Fld"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(testing::NameOf(QApplication::focusWidget()), QStringLiteral("ClearBtn"));
    }
};

QTEST_MAIN(ControlWndLayoutTest)
#include "control_wnd_layout_test.moc"
