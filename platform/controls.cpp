#include "platform/controls.h"

#include "platform/application.h"
#include "platform/keys.h"
#include "platform/qt_text.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace tavrel::platform {

namespace {

QColor ToColor(Rgb rgb) {
    return {rgb.red, rgb.green, rgb.blue};
}

Qt::Alignment ToAlignment(Align align) {
    switch (align) {
    case Align::Centre:
        return Qt::AlignHCenter;
    case Align::Right:
        return Qt::AlignRight;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

// Screen readers see a canvas with a mouse handler as a button they can press, and any
// other canvas as a picture.
class AccessibleCanvas : public QAccessibleWidget {
  public:
    explicit AccessibleCanvas(Canvas* canvas) : QAccessibleWidget(canvas) {}

    QAccessible::Role role() const override {
        return canvas()->MouseDown ? QAccessible::Button : QAccessible::Graphic;
    }

    QStringList actionNames() const override {
        return canvas()->MouseDown ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && canvas()->MouseDown) {
            canvas()->MouseDown(0, 0);
        }
    }

  private:
    Canvas* canvas() const { return static_cast<Canvas*>(widget()); }
};

QAccessibleInterface* AccessibleCanvasFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("tavrel::platform::Canvas") && object->isWidgetType()) {
        return new AccessibleCanvas(static_cast<Canvas*>(object));
    }
    return nullptr;
}

void SetTextColors(QWidget* widget, QColor text, std::optional<QColor> base) {
    QPalette palette = widget->palette();
    // The same colours when disabled: results are read from disabled fields.
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::WindowText, text);
        if (base) {
            palette.setColor(group, QPalette::Base, *base);
        }
    }
    widget->setPalette(palette);
}

// QLineEdit keeps this much room between its frame and the text on each side.
constexpr int kLineEditInnerMargin = 2;
constexpr int kSmallestFittedPixels = 8;

EditField* CreateEditField(QWidget* parent, const ControlSpec& spec) {
    auto* field = new EditField(parent);
    field->setObjectName(ToQString(spec.name));
    field->setFont(ResolveFont(spec.font));
    SetTextColors(field, ToColor(spec.textColor), QColor(Qt::white));
    field->setAlignment(ToAlignment(spec.align) | Qt::AlignVCenter);
    field->SetTypedLengthLimit(spec.typedLengthLimit);
    field->setEnabled(spec.enabled);
    field->setFocusPolicy(spec.takesFocus ? Qt::StrongFocus : Qt::NoFocus);
    field->SetText(ToQString(spec.text));
    return field;
}

QLabel* CreateStaticText(QWidget* parent, const ControlSpec& spec) {
    auto* label = new QLabel(parent);
    label->setObjectName(ToQString(spec.name));
    label->setFont(ResolveFont(spec.font));
    SetTextColors(label, ToColor(spec.textColor), std::nullopt);
    label->setAlignment(ToAlignment(spec.align) | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(spec.multiLine);
    // A carriage return starts a new line.
    label->setText(ToQString(spec.text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    label->setToolTip(ToQString(spec.helpTag));
    label->setEnabled(spec.enabled);
    return label;
}

QPushButton* CreatePushButton(QWidget* parent, const ControlSpec& spec) {
    auto* button = new QPushButton(parent);
    button->setObjectName(ToQString(spec.name));
    button->setFont(ResolveFont(spec.font));
    button->setText(ToQString(spec.text));
    button->setDefault(spec.defaultButton);
    button->setAutoDefault(false);
    button->setEnabled(spec.enabled);
    button->setFocusPolicy(spec.takesFocus ? Qt::StrongFocus : Qt::NoFocus);
    return button;
}

Canvas* CreateCanvas(QWidget* parent, const ControlSpec& spec) {
    auto* canvas = new Canvas(parent);
    canvas->setObjectName(ToQString(spec.name));
    if (spec.backdrop != nullptr) {
        canvas->SetBackdrop(spec.backdrop());
    }
    canvas->setEnabled(spec.enabled);
    canvas->setFocusPolicy(Qt::NoFocus);
    return canvas;
}

QFrame* CreateSeparator(QWidget* parent, const ControlSpec& spec) {
    auto* separator = new QFrame(parent);
    separator->setObjectName(ToQString(spec.name));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    return separator;
}

QWidget* CreateRectangle(QWidget* parent, const ControlSpec& spec) {
    auto* rectangle =
        new RectangleControl(parent, spec.fill, spec.topLeftBorder, spec.bottomRightBorder);
    rectangle->setObjectName(ToQString(spec.name));
    return rectangle;
}

} // namespace

QFont ResolveFont(const FontSpec& spec) {
    // The layouts are fixed in pixels for fonts of Helvetica's, Courier's and Times's widths.
    // The metric-compatible free families come first; where they are missing, the classic
    // names fall back on the platform's matching fonts.
    const QString family = ToQString(spec.family);
    QFont font = QApplication::font();
    if (family.compare(QLatin1String("System"), Qt::CaseInsensitive) == 0) {
        font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                          QStringLiteral("Helvetica"), QApplication::font().family()});
    } else if (family == QLatin1String("Courier")) {
        font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("Cousine"), family});
        font.setStyleHint(QFont::TypeWriter);
    } else if (family == QLatin1String("Times")) {
        font.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"), family});
        font.setStyleHint(QFont::Serif);
    } else {
        font.setFamilies({family});
    }
    // One pixel per point, as the layouts were drawn.
    font.setPixelSize(spec.points);
    font.setBold(spec.bold);
    return font;
}

QWidget* CreateControl(QWidget* parent, const ControlSpec& spec) {
    QWidget* control = nullptr;
    switch (spec.kind) {
    case ControlKind::EditField:
        control = CreateEditField(parent, spec);
        break;
    case ControlKind::StaticText:
        control = CreateStaticText(parent, spec);
        break;
    case ControlKind::PushButton:
        control = CreatePushButton(parent, spec);
        break;
    case ControlKind::Canvas:
        control = CreateCanvas(parent, spec);
        break;
    case ControlKind::Separator:
        control = CreateSeparator(parent, spec);
        break;
    case ControlKind::Rectangle:
        control = CreateRectangle(parent, spec);
        break;
    }
    control->setGeometry(spec.bounds.left, spec.bounds.top, spec.bounds.width, spec.bounds.height);
    if (!spec.accessibleName.empty()) {
        control->setAccessibleName(ToQString(spec.accessibleName));
    }
    control->show();
    return control;
}

// EditField ------------------------------------------------------------------------------

EditField::EditField(QWidget* parent) : QLineEdit(parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setDragEnabled(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(this, &QLineEdit::textChanged, this, &EditField::OnTextChanged);
    // What the edit commands can do depends on the text and the selection.
    connect(this, &QLineEdit::selectionChanged, this, [] { RefreshMenus(); });
}

// Marks the text changes that come through the field's own rules.
class EditField::OwnChange {
  public:
    explicit OwnChange(EditField& field) : field_(field) { ++field_.ownChanges_; }
    ~OwnChange() { --field_.ownChanges_; }
    OwnChange(const OwnChange&) = delete;
    OwnChange& operator=(const OwnChange&) = delete;

  private:
    EditField& field_;
};

void EditField::OnTextChanged(const QString& text) {
    if (ownChanges_ == 0) {
        // Changed around the keys and commands, as an assistive technology may: the text
        // must pass the paste rules, and an output field takes nothing from outside.
        if (!isEnabled() || !AcceptsInsertion(text, text)) {
            const OwnChange own(*this);
            setText(acceptedText_);
            return;
        }
        AfterCommandEdit();
    }
    acceptedText_ = text;
    RefreshMenus();
}

bool EditField::CanUndo() const {
    return isUndoAvailable();
}

bool EditField::CanCut() const {
    return hasSelectedText();
}

bool EditField::CanCopy() const {
    return hasSelectedText();
}

bool EditField::CanPaste() const {
    return !QGuiApplication::clipboard()->text().isEmpty();
}

void EditField::Undo() {
    if (CanUndo()) {
        const OwnChange own(*this);
        undo();
        AfterCommandEdit();
    }
}

void EditField::Cut() {
    if (CanCut()) {
        const OwnChange own(*this);
        cut();
        AfterCommandEdit();
    }
}

void EditField::Copy() {
    copy();
}

void EditField::Paste() {
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
    AfterCommandEdit();
}

void EditField::AfterCommandEdit() {
    if (EditedByCommand) {
        EditedByCommand();
    }
}

bool EditField::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Commands belong to the application's shortcuts, not to the field's own editing.
        if (IsCommandKey(*static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsCommandKey(*key)) {
            key->accept(); // no edit command acts on the field by itself
            return true;
        }
        const std::optional<int> code = KeyCode(*key);
        if (!code) {
            break;
        }
        if ((KeyDown && KeyDown(*code)) || WouldExceedLimit(*key)) {
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

bool EditField::AcceptsInsertion(const QString& inserted, const QString& result) const {
    return AcceptsPaste ? AcceptsPaste(inserted, result) : FitsTypedLimit(result);
}

bool EditField::FitsTypedLimit(const QString& text) const {
    return typedLengthLimit_ <= 0 || text.size() <= typedLengthLimit_;
}

bool EditField::WouldExceedLimit(const QKeyEvent& event) const {
    const QString typed = event.text();
    if (typedLengthLimit_ <= 0 || typed.isEmpty() || !typed.front().isPrint()) {
        return false;
    }
    return text().size() - selectedText().size() + typed.size() > typedLengthLimit_;
}

void EditField::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept(); // no pasting the selection
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void EditField::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void EditField::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore(); // composed text would bypass the key handler
}

void EditField::SetText(const QString& text) {
    const OwnChange own(*this);
    setText(text);
    FitText();
}

void EditField::FitText() {
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

// Canvas ---------------------------------------------------------------------------------

Canvas::Canvas(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&AccessibleCanvasFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
}

void Canvas::SetBackdrop(PictureRef picture) {
    backdrop_ = std::move(picture);
    update();
}

void Canvas::paintEvent(QPaintEvent*) {
    if (backdrop_) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        backdrop_->Draw(painter);
    }
}

void Canvas::mousePressEvent(QMouseEvent* event) {
    if (!MouseDown) {
        event->ignore(); // the window sees the press
        return;
    }
    const QPoint at = event->position().toPoint();
    MouseDown(at.x(), at.y());
    event->accept();
}

// RectangleControl -----------------------------------------------------------------------

RectangleControl::RectangleControl(QWidget* parent, Rgb fill, Rgb topLeft, Rgb bottomRight)
    : QFrame(parent), fill_(ToColor(fill)), topLeft_(ToColor(topLeft)),
      bottomRight_(ToColor(bottomRight)) {}

void RectangleControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, fill_);
    // One-pixel border: dark along the top and left, light along the bottom and right.
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft_);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft_);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight_);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight_);
}

} // namespace tavrel::platform
