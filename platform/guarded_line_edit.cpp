#include "platform/guarded_line_edit.h"

#include "platform/key_kinds.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

namespace tavrel::platform {

namespace {

// QLineEdit keeps this much room between its frame and the text on each side.
constexpr int kLineEditInnerMargin = 2;
constexpr int kSmallestFittedPixels = 8;

} // namespace

GuardedLineEdit::GuardedLineEdit(QWidget* parent) : QLineEdit(parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setDragEnabled(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(this, &QLineEdit::textChanged, this, &GuardedLineEdit::OnTextChanged);
}

// Marks the text changes that come through the field's own rules.
class GuardedLineEdit::OwnChange {
  public:
    explicit OwnChange(GuardedLineEdit& field) : field_(field) { ++field_.ownChanges_; }
    ~OwnChange() { --field_.ownChanges_; }
    OwnChange(const OwnChange&) = delete;
    OwnChange& operator=(const OwnChange&) = delete;

  private:
    GuardedLineEdit& field_;
};

void GuardedLineEdit::OnTextChanged(const QString& text) {
    if (ownChanges_ == 0) {
        // Changed around the keys and commands, as an assistive technology may: the text
        // must pass the paste rules, and an output field takes nothing from outside.
        if (!isEnabled() || !AcceptsInsertion(text, text)) {
            const OwnChange own(*this);
            setText(acceptedText_);
            return;
        }
        emit EditedByCommand();
    }
    acceptedText_ = text;
}

bool GuardedLineEdit::CanUndo() const {
    return isUndoAvailable();
}

bool GuardedLineEdit::CanCut() const {
    return hasSelectedText();
}

bool GuardedLineEdit::CanCopy() const {
    return hasSelectedText();
}

bool GuardedLineEdit::CanPaste() const {
    return !QGuiApplication::clipboard()->text().isEmpty();
}

void GuardedLineEdit::Undo() {
    if (CanUndo()) {
        const OwnChange own(*this);
        undo();
        emit EditedByCommand();
    }
}

void GuardedLineEdit::Cut() {
    if (CanCut()) {
        const OwnChange own(*this);
        cut();
        emit EditedByCommand();
    }
}

void GuardedLineEdit::Copy() {
    copy();
}

void GuardedLineEdit::Paste() {
    const QString pasted = QGuiApplication::clipboard()->text();
    if (pasted.isEmpty()) {
        return;
    }
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const QString result = QString(text()).replace(start, selectedText().size(), pasted);
    if (!AcceptsInsertion(pasted, result)) {
        return;
    }
    {
        const OwnChange own(*this);
        insert(pasted);
    }
    emit EditedByCommand();
}

bool GuardedLineEdit::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Commands belong to the application's shortcuts, not to the field's own editing.
        if (IsCommand(*static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsCommand(*key)) {
            key->accept(); // no edit command acts on the field by itself
            return true;
        }
        if (IsModifierAlone(*key)) {
            break;
        }
        if ((keyFilter_ && keyFilter_(*key)) || WouldExceedLimit(*key)) {
            key->accept();
            return true;
        }
        break;
    }
    default:
        break;
    }
    // Whatever the field does with an event that got this far went through the rules.
    const OwnChange own(*this);
    return QLineEdit::event(event);
}

bool GuardedLineEdit::AcceptsInsertion(const QString& inserted, const QString& result) const {
    if (insertionRule_) {
        return insertionRule_(inserted, result);
    }
    return typedLengthLimit_ <= 0 || result.size() <= typedLengthLimit_;
}

bool GuardedLineEdit::WouldExceedLimit(const QKeyEvent& event) const {
    const QString typed = event.text();
    if (typedLengthLimit_ <= 0 || typed.isEmpty() || !typed.front().isPrint()) {
        return false;
    }
    return text().size() - selectedText().size() + typed.size() > typedLengthLimit_;
}

void GuardedLineEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept(); // no pasting the selection
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void GuardedLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void GuardedLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore(); // composed text would bypass the key handler
}

void GuardedLineEdit::SetText(const QString& text) {
    const OwnChange own(*this);
    setText(text);
    FitText();
}

void GuardedLineEdit::FitText() {
    if (!baseFont_) {
        baseFont_ = font();
    }
    QFont fitted = *baseFont_;
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

} // namespace tavrel::platform
