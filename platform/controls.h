#pragma once

#include "platform/control_spec.h"
#include "platform/picture.h"

#include <QFrame>
#include <QLineEdit>
#include <QWidget>
#include <functional>
#include <optional>

namespace tavrel::platform {

// A single-line text field. Every typed key goes through `KeyDown` first; the field takes
// only what the handler lets through, within its typed-length limit. The edit commands go
// through `AcceptsPaste`; nothing else can put text into it: no drop, middle-click, input
// method, context menu or edit shortcut of its own.
// Text set by the program is never cut short: the font shrinks to fit, and a text too wide
// even then shows in full as the field's tool tip. A change from anywhere else (an assistive
// technology, say) must pass the same rules as a paste, or it is undone.
class EditField : public QLineEdit {
  public:
    explicit EditField(QWidget* parent);

    // Handler for typed keys: returns true to consume the key.
    std::function<bool(int keyCode)> KeyDown;

    void SetTypedLengthLimit(int limit) { typedLengthLimit_ = limit; }
    int TypedLengthLimit() const { return typedLengthLimit_; }
    bool FitsTypedLimit(const QString& text) const;

    // Sets the text as the program does (EditField.Text); an empty text clears the field.
    void SetText(const QString& text);

    // The edit commands, as the menu bar serves them on the focused field.
    bool CanUndo() const;
    bool CanCut() const;
    bool CanCopy() const;
    bool CanPaste() const;
    void Undo();
    void Cut();
    void Copy();
    void Paste();

    // Decides whether the clipboard's `pasted` text may replace the selection, making
    // `result`. Without it, a paste goes in when the result fits the typed-length limit.
    std::function<bool(const QString& pasted, const QString& result)> AcceptsPaste;
    // Called after an edit command has changed the text.
    std::function<void()> EditedByCommand;

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    bool WouldExceedLimit(const QKeyEvent& event) const;
    bool AcceptsInsertion(const QString& inserted, const QString& result) const;
    void FitText();
    void AfterCommandEdit();
    void OnTextChanged(const QString& text);

    class OwnChange;
    int ownChanges_ = 0;   // nesting of changes made through the field's own rules
    QString acceptedText_; // the text as the rules last left it
    int typedLengthLimit_ = 0;
    std::optional<QFont> baseFont_; // the layout's font, before any shrinking to fit
};

// Shows a picture unscaled from its top-left corner; the rest of the canvas stays
// transparent, so overlapping controls remain visible.
// The accessibility factory knows canvases by their class name, hence Q_OBJECT.
class Canvas : public QWidget {
    Q_OBJECT

  public:
    explicit Canvas(QWidget* parent);

    void SetBackdrop(PictureRef picture);
    const PictureRef& Backdrop() const { return backdrop_; }

    // Handler for mouse presses in the canvas, with the press's position.
    std::function<bool(int x, int y)> MouseDown;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    PictureRef backdrop_;
};

// A filled rectangle with a two-tone border: an etched rule.
class RectangleControl : public QFrame {
  public:
    RectangleControl(QWidget* parent, Rgb fill, Rgb topLeft, Rgb bottomRight);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor fill_;
    QColor topLeft_;
    QColor bottomRight_;
};

// Creates the control of `spec` in `parent`: registered under its name, its backdrop set,
// then its properties applied. Handlers are connected by the caller.
QWidget* CreateControl(QWidget* parent, const ControlSpec& spec);

// The font of a layout: one pixel per point, "System" resolved to the platform's font.
QFont ResolveFont(const FontSpec& spec);

} // namespace tavrel::platform
