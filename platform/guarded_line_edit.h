#pragma once

#include <QLineEdit>
#include <functional>
#include <optional>

namespace tavrel::platform {

// A single-line text field whose text changes only by rules its owner sets. Every typed key
// goes through the key filter first; the field takes only what the filter lets through,
// within its typed-length limit. The edit commands (Undo, Cut, Copy, Paste) are the owner's
// to call and go through the insertion rule; nothing else can put text into it: no drop,
// middle-click, input method, context menu or edit shortcut of its own. A change from
// anywhere else (an assistive technology, say) must pass the insertion rule, or it is undone;
// a disabled field takes no change from outside at all.
// Text set by the program is never cut short: the font shrinks to fit, and a text too wide
// even then shows in full as the field's tool tip.
class GuardedLineEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit GuardedLineEdit(QWidget* parent);

    // Sees every typed key that types or edits (not a modifier alone, not a command with
    // Ctrl); returns true to refuse it, which consumes it.
    void SetKeyFilter(std::function<bool(const QKeyEvent&)> filter) {
        keyFilter_ = std::move(filter);
    }
    // Decides whether `inserted` may go in, making `result`. Without a rule, anything that
    // fits the typed-length limit goes in.
    void
    SetInsertionRule(std::function<bool(const QString& inserted, const QString& result)> rule) {
        insertionRule_ = std::move(rule);
    }
    void SetTypedLengthLimit(int limit) { typedLengthLimit_ = limit; }

    // Sets the text as the program does; an empty text clears the field.
    void SetText(const QString& text);

    bool CanUndo() const;
    bool CanCut() const;
    bool CanCopy() const;
    bool CanPaste() const;
    void Undo();
    void Cut();
    void Copy();
    void Paste();

  signals:
    // An edit command, or an edit from outside that passed the rules, changed the text.
    void EditedByCommand();

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    bool WouldExceedLimit(const QKeyEvent& event) const;
    bool AcceptsInsertion(const QString& inserted, const QString& result) const;
    void FitText();
    void OnTextChanged(const QString& text);

    class OwnChange;
    int ownChanges_ = 0;   // nesting of changes made through the field's own rules
    QString acceptedText_; // the text as the rules last left it
    int typedLengthLimit_ = 0;
    std::function<bool(const QKeyEvent&)> keyFilter_;
    std::function<bool(const QString&, const QString&)> insertionRule_;
    std::optional<QFont> baseFont_; // the layout's font, before any shrinking to fit
};

} // namespace tavrel::platform
