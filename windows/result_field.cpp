#include "windows/result_field.h"

namespace tavrel::windows {

namespace {

// QLineEdit keeps this much room between its frame and the text on each side.
constexpr int kLineEditInnerMargin = 2;
constexpr int kSmallestFittedPixels = 8;

} // namespace

ResultField::ResultField(QWidget* parent) : QLineEdit(parent) {
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text != result_) {
            setText(result_);
        }
    });
}

void ResultField::SetResult(const QString& text) {
    result_ = text;
    setText(text);
    FitText();
}

void ResultField::FitText() {
    if (!designedFont_) {
        designedFont_ = font();
    }
    QFont fitted = *designedFont_;
    const QMargins margins = textMargins();
    const int available =
        contentsRect().width() - margins.left() - margins.right() - 2 * kLineEditInnerMargin;
    while (fitted.pixelSize() > kSmallestFittedPixels &&
           QFontMetrics(fitted).horizontalAdvance(text()) > available) {
        fitted.setPixelSize(fitted.pixelSize() - 1);
    }
    setFont(fitted);
    const bool fits = QFontMetrics(fitted).horizontalAdvance(text()) <= available;
    setToolTip(fits ? QString() : text());
    // Where the text still overflows, its sign and leading digits stay in view.
    setCursorPosition(0);
}

} // namespace tavrel::windows
