#include "windows/input_field.h"

#include "windows/keys.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

namespace tavrel::windows {

InputField::InputField(QWidget* parent) : QLineEdit(parent) {
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[-./0-9]{0,%1}").arg(kMaxLength)), this));
    setMaxLength(kMaxLength);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    // setText() does not validate; an assistive technology edits through it.
    connect(this, &QLineEdit::textChanged, this, &InputField::RecheckText);
}

bool InputField::IsTypable(const QString& text) const {
    QString copy = text;
    int position = 0;
    return validator()->validate(copy, position) == QValidator::Acceptable;
}

bool InputField::TakesPaste(const QString& text) const {
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    return IsTypable(text) &&
           IsTypable(QString(this->text()).replace(start, selectedText().size(), text));
}

// The filter judges single keys, not the text they make: a seventh character passes it and is
// then kept out by the length limit, without a beep.
bool InputField::TakesKey(const QKeyEvent& key) const {
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return key.text().size() == 1 && IsTypable(key.text());
    }
}

bool InputField::event(QEvent* event) {
    const bool shortcut = event->type() == QEvent::ShortcutOverride;
    if (shortcut || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsCommand(*key)) {
            // Left to the window's actions; a command without one does nothing here.
            shortcut ? key->ignore() : key->accept();
            return true;
        }
        // Tab is seen here, before QWidget::event moves the focus.
        if (!shortcut && !IsModifierAlone(*key)) {
            emit Edited();
            if (!TakesKey(*key)) {
                emit Refused();
                key->accept(); // consumed: no default button sees a refused Return
                return true;
            }
        }
    }
    return QLineEdit::event(event);
}

void InputField::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept(); // no pasting the selection
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void InputField::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void InputField::RecheckText(const QString& text) {
    if (text == acceptedText_) {
        return;
    }
    if (!IsTypable(text)) {
        emit Refused();
        setText(acceptedText_);
        return;
    }
    acceptedText_ = text;
    emit Edited();
}

} // namespace tavrel::windows
