#pragma once

#include <QLineEdit>

namespace tavrel::windows {

// A field for one number as a user types it: the digits, "-", "." and "/", six characters at
// most. Its validator holds that rule for every way text comes in; Backspace and Tab are the
// only other keys it takes. Every key, taken or refused, counts as an edit (it makes results
// shown beside the field stale). Edit commands with Ctrl are the window's, never the field's
// own; there is no drop, middle-click paste, input method or context menu.
class InputField : public QLineEdit {
    Q_OBJECT

  public:
    static constexpr int kMaxLength = 6;

    explicit InputField(QWidget* parent = nullptr);

    // Whether `text` pasted over the selection leaves a text that typing could have made.
    bool TakesPaste(const QString& text) const;

  signals:
    // A key was typed, or an edit changed the text.
    void Edited();
    // A key, or a text set around the keys (as an assistive technology does), was refused.
    void Refused();

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool IsTypable(const QString& text) const;
    bool TakesKey(const QKeyEvent& key) const;
    void RecheckText(const QString& text);

    QString acceptedText_; // the text as the rules last left it
};

} // namespace tavrel::windows
