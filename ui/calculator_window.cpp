#include "ui/calculator_window.h"

#include "engine/calculation.h"
#include "platform/guarded_line_edit.h"
#include "platform/layout_widgets.h"
#include "platform/picture_view.h"
#include "platform/qt_text.h"
#include "ui/calculator_layout.h"
#include "ui/key_filter.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPushButton>
#include <algorithm>
#include <string>

namespace tavrel::ui {

namespace {

// One handler for each kind of role, for std::visit.
template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };

} // namespace

CalculatorWindow::CalculatorWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("calculator"));
    QWidget* content = platform::SetUpFixedWindow(*this, CalculatorWindowLayout());
    for (const CalculatorRow& row : CalculatorRows()) {
        QWidget* control = platform::CreateControl(content, row.item);
        std::visit(Overloaded{
                       [](Decoration) {},
                       [&](engine::Input input) {
                           inputs_[Index(input)] =
                               qobject_cast<platform::GuardedLineEdit*>(control);
                           SetUpInput(*inputs_[Index(input)]);
                       },
                       [&](engine::Result result) {
                           results_[Index(result)] =
                               qobject_cast<platform::GuardedLineEdit*>(control);
                       },
                       [&](Button button) {
                           (button == Button::Calculate ? calculate_ : clear_) =
                               qobject_cast<QPushButton*>(control);
                       },
                       [&](ui::InformationIcon) {
                           informationIcon_ = qobject_cast<platform::PictureView*>(control);
                       },
                   },
                   row.role);
    }
    connect(calculate_, &QPushButton::clicked, this, &CalculatorWindow::Calculate);
    connect(clear_, &QPushButton::clicked, this, &CalculatorWindow::Clear);
    informationIcon_->SetPressable(true);
    connect(informationIcon_, &platform::PictureView::Pressed, this,
            &CalculatorWindow::InformationRequested);
}

void CalculatorWindow::SetUpInput(platform::GuardedLineEdit& field) {
    // Any key, even a refused one, makes the shown results stale.
    field.SetKeyFilter([this](const QKeyEvent& key) {
        EmptyResults();
        if (TakesKey(key)) {
            return false;
        }
        emit BeepRequested();
        return true;
    });
    // A paste goes in only as typing could have made it: field characters alone, six at most.
    field.SetInsertionRule([this](const QString& pasted, const QString& result) {
        const QList<uint> characters = pasted.toUcs4();
        const bool typable = std::all_of(characters.begin(), characters.end(),
                                         [](uint c) { return IsFieldCharacter(c); });
        if (typable && result.size() <= kTypedLengthLimit) {
            return true;
        }
        emit BeepRequested();
        return false;
    });
    connect(&field, &platform::GuardedLineEdit::EditedByCommand, this,
            &CalculatorWindow::EmptyResults);
}

platform::GuardedLineEdit& CalculatorWindow::InputField(engine::Input input) const {
    return *inputs_[Index(input)];
}

platform::GuardedLineEdit& CalculatorWindow::ResultField(engine::Result result) const {
    return *results_[Index(result)];
}

void CalculatorWindow::EmptyResults() {
    for (platform::GuardedLineEdit* field : results_) {
        field->SetText({});
    }
}

void CalculatorWindow::Calculate() {
    std::array<std::string, engine::kInputCount> texts;
    engine::InputTexts views;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = inputs_[i]->text().toStdString();
        views[i] = texts[i];
    }
    const engine::CalculationOutcome outcome = engine::Calculate(views);
    if (const auto* error = std::get_if<engine::InputError>(&outcome)) {
        emit MessageRequested(platform::ToQString(error->Message));
        InputField(error->Field).setFocus(Qt::OtherFocusReason);
        return;
    }
    for (const engine::ResultText& shown : std::get<engine::Calculation>(outcome).shown) {
        ResultField(shown.result).SetText(QString::fromStdString(shown.text));
    }
}

void CalculatorWindow::Clear() {
    for (platform::GuardedLineEdit* field : inputs_) {
        field->SetText({});
    }
    EmptyResults();
    InputField(engine::Input::ControlMean).setFocus(Qt::OtherFocusReason);
}

void CalculatorWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        emit Activated();
    }
    QMainWindow::changeEvent(event);
}

void CalculatorWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::exit(0);
}

} // namespace tavrel::ui
