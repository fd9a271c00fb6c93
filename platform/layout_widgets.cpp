#include "platform/layout_widgets.h"

#include "platform/etched_rule.h"
#include "platform/guarded_line_edit.h"
#include "platform/picture_view.h"
#include "platform/qt_text.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QPushButton>
#include <optional>

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

QWidget* CreateTextField(QWidget* parent, const LayoutItem& item) {
    auto* field = new GuardedLineEdit(parent);
    field->setFont(ResolveFont(item.font));
    SetTextColors(field, ToColor(item.textColor), QColor(Qt::white));
    field->setAlignment(ToAlignment(item.align) | Qt::AlignVCenter);
    field->SetTypedLengthLimit(item.typedLengthLimit);
    field->setEnabled(item.enabled);
    field->setFocusPolicy(item.takesFocus ? Qt::StrongFocus : Qt::NoFocus);
    return field;
}

QWidget* CreateLabel(QWidget* parent, const LayoutItem& item) {
    auto* label = new QLabel(parent);
    label->setFont(ResolveFont(item.font));
    SetTextColors(label, ToColor(item.textColor), std::nullopt);
    label->setAlignment(ToAlignment(item.align) | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(item.multiLine);
    // A carriage return starts a new line.
    label->setText(ToQString(item.text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    label->setToolTip(ToQString(item.toolTip));
    return label;
}

QWidget* CreateButton(QWidget* parent, const LayoutItem& item) {
    auto* button = new QPushButton(parent);
    button->setFont(ResolveFont(item.font));
    button->setText(ToQString(item.text));
    button->setDefault(item.defaultButton);
    button->setAutoDefault(false);
    button->setFocusPolicy(item.takesFocus ? Qt::StrongFocus : Qt::NoFocus);
    return button;
}

QWidget* CreatePictureView(QWidget* parent, const LayoutItem& item) {
    auto* view = new PictureView(parent);
    if (item.picture != nullptr) {
        view->SetPicture(item.picture());
    }
    view->setEnabled(item.enabled);
    return view;
}

} // namespace

QFont ResolveFont(const LayoutFont& layoutFont) {
    // The layouts are fixed in pixels for fonts of Helvetica's, Courier's and Times's widths.
    // The metric-compatible free families come first; where they are missing, the classic
    // names fall back on the platform's matching fonts.
    const QString family = ToQString(layoutFont.family);
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
    font.setPixelSize(layoutFont.points);
    font.setBold(layoutFont.bold);
    return font;
}

QWidget* CreateControl(QWidget* parent, const LayoutItem& item) {
    QWidget* control = nullptr;
    switch (item.kind) {
    case ControlKind::TextField:
        control = CreateTextField(parent, item);
        break;
    case ControlKind::Label:
        control = CreateLabel(parent, item);
        break;
    case ControlKind::Button:
        control = CreateButton(parent, item);
        break;
    case ControlKind::Picture:
        control = CreatePictureView(parent, item);
        break;
    case ControlKind::EtchedRule:
        control = new EtchedRule(parent, ToColor(item.fill), ToColor(item.topLeftBorder),
                                 ToColor(item.bottomRightBorder));
        break;
    }
    control->setGeometry(item.bounds.left, item.bounds.top, item.bounds.width, item.bounds.height);
    if (!item.accessibleName.empty()) {
        control->setAccessibleName(ToQString(item.accessibleName));
    }
    control->show();
    return control;
}

QWidget* SetUpFixedWindow(QMainWindow& window, const WindowLayout& layout) {
    if (layout.frame == Frame::None) {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    } else {
        window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    }
    window.setWindowTitle(ToQString(layout.title));
    window.setAccessibleName(
        ToQString(layout.accessibleName.empty() ? layout.title : layout.accessibleName));

    auto* content = new QWidget(&window);
    content->setFixedSize(layout.width, layout.height);
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, ToColor(layout.background));
    content->setPalette(palette);
    window.setCentralWidget(content);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    return content;
}

void BuildFixedWindow(QMainWindow& window, const WindowLayout& layout,
                      std::span<const LayoutItem> items) {
    QWidget* content = SetUpFixedWindow(window, layout);
    for (const LayoutItem& item : items) {
        CreateControl(content, item);
    }
}

void ShowInFront(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace tavrel::platform
