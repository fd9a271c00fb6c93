// Each window drawn offscreen with the bundled fonts and compared with a reference picture:
// any control moved, resized, restyled, retitled or left without its picture shows here.
// TAVREL_UPDATE_REFERENCES=1 writes the pictures anew (look at them before committing).
#include "engine/quantities.h"
#include "windows/about_window.h"
#include "windows/calculator_window.h"
#include "windows/information_window.h"
#include "windows/input_field.h"

#include <QImage>
#include <QtTest>

using namespace tavrel;

namespace {

// Pixels may differ a little (antialiasing), but not many and not by much.
int StronglyDifferentPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            const int difference =
                std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                          std::abs(p.blue() - q.blue())});
            count += difference > 48 ? 1 : 0;
        }
    }
    return count;
}

void CompareWithReference(QMainWindow& window, const QString& name) {
    const QImage drawn =
        window.centralWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString path = QStringLiteral(TAVREL_REFERENCE_DIR "/") + name + QStringLiteral(".png");
    if (qEnvironmentVariableIsSet("TAVREL_UPDATE_REFERENCES")) {
        QVERIFY(drawn.save(path));
        return;
    }
    const QImage reference = QImage(path).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!reference.isNull(), qPrintable(path));
    QCOMPARE(drawn.size(), reference.size());
    const int different = StronglyDifferentPixels(drawn, reference);
    if (different > drawn.width() * drawn.height() / 1000) {
        drawn.save(QDir::temp().filePath(name + QStringLiteral("-drawn.png")));
        QFAIL(qPrintable(QStringLiteral("%1 pixels differ; drawn picture saved in %2")
                             .arg(different)
                             .arg(QDir::tempPath())));
    }
}

} // namespace

class RenderingTest : public QObject {
    Q_OBJECT

  private slots:
    // With the worked example calculated, so every result field shows its text.
    void calculator() {
        windows::CalculatorWindow window;
        const char* values[] = {"100", "15", "20", "110", "15", "20"};
        for (const engine::Input input : engine::kInputs) {
            window.FieldOf(input).setText(QString::fromLatin1(values[Index(input)]));
        }
        window.Calculate();
        CompareWithReference(window, QStringLiteral("calculator"));
    }
    void information() {
        windows::InformationWindow window;
        CompareWithReference(window, QStringLiteral("information"));
    }
    void about() {
        windows::AboutWindow window;
        CompareWithReference(window, QStringLiteral("about"));
    }
};

QTEST_MAIN(RenderingTest)
#include "rendering_test.moc"
