#pragma once

#include <QLineEdit>
#include <optional>

namespace tavrel::windows {

// A field that shows one result as the program writes it, disabled but in its full colours.
// A result is never cut short: the font shrinks to fit, and a text too wide even then shows
// whole as the field's tool tip. Nothing else changes it: an edit by an assistive technology
// is undone.
class ResultField : public QLineEdit {
    Q_OBJECT

  public:
    explicit ResultField(QWidget* parent = nullptr);

    // Shows `text`; an empty text empties the field.
    void SetResult(const QString& text);

  private:
    void FitText();

    QString result_;
    std::optional<QFont> designedFont_; // before any shrinking to fit
};

} // namespace tavrel::windows
