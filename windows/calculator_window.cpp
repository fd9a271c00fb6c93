#include "windows/calculator_window.h"

#include "engine/calculation.h"
#include "ui_calculator_window.h"
#include "windows/fixed_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <algorithm>
#include <string>

namespace tavrel::windows {

CalculatorWindow::CalculatorWindow(QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::CalculatorWindow>()) {
    ui_->setupUi(this);
    FixToContent(*this);
    // In the order of engine::Input and engine::Result.
    inputs_ = {ui_->controlMean,      ui_->controlSD,      ui_->controlSize,
               ui_->experimentalMean, ui_->experimentalSD, ui_->experimentalSize};
    results_ = {ui_->meanDifference, ui_->pooledSD,  ui_->glassDelta,    ui_->cohensD, ui_->r,
                ui_->hedgesG,        ui_->hedgesGSD, ui_->commonLanguage};
    ui_->informationButton->setIcon(
        QIcon(Picture(QStringLiteral(":/pictures/information-icon.svg"), devicePixelRatioF())));

    for (InputField* field : inputs_) {
        // Any key, even a refused one, makes the shown results stale.
        connect(field, &InputField::Edited, this, &CalculatorWindow::EmptyResults);
        connect(field, &InputField::Refused, this, &CalculatorWindow::BeepRequested);
    }
    connect(ui_->calculate, &QPushButton::clicked, this, &CalculatorWindow::Calculate);
    connect(ui_->clear, &QPushButton::clicked, this, &CalculatorWindow::Clear);
    connect(ui_->informationButton, &QToolButton::clicked, this,
            &CalculatorWindow::InformationRequested);
    SetUpEditActions();
}

CalculatorWindow::~CalculatorWindow() {
    // QWidget's destructor moves the focus, after this class is gone.
    disconnect(qApp, nullptr, this, nullptr);
}

QPushButton& CalculatorWindow::CalculateButton() const {
    return *ui_->calculate;
}

QPushButton& CalculatorWindow::ClearButton() const {
    return *ui_->clear;
}

QToolButton& CalculatorWindow::InformationButton() const {
    return *ui_->informationButton;
}

void CalculatorWindow::SetUpEditActions() {
    const auto add = [this](const QString& text, QKeySequence::StandardKey key) {
        auto* action = new QAction(text, this);
        action->setShortcuts(key);
        addAction(action); // the shortcut works with or without a menu bar
        return action;
    };
    edit_ = {add(tr("Undo"), QKeySequence::Undo), add(tr("Cut"), QKeySequence::Cut),
             add(tr("Copy"), QKeySequence::Copy), add(tr("Paste"), QKeySequence::Paste)};
    connect(edit_.undo, &QAction::triggered, this, [this] {
        if (InputField* field = FocusedInput()) {
            field->undo();
        }
    });
    connect(edit_.cut, &QAction::triggered, this, [this] {
        if (InputField* field = FocusedInput()) {
            field->cut();
        }
    });
    connect(edit_.copy, &QAction::triggered, this, [this] {
        if (InputField* field = FocusedInput()) {
            field->copy();
        }
    });
    connect(edit_.paste, &QAction::triggered, this, &CalculatorWindow::PasteIntoFocusedInput);

    // What the commands can do changes with the focus, the focused field and the clipboard.
    connect(qApp, &QApplication::focusChanged, this, &CalculatorWindow::UpdateEditActions);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CalculatorWindow::UpdateEditActions);
    for (InputField* field : inputs_) {
        connect(field, &QLineEdit::selectionChanged, this, &CalculatorWindow::UpdateEditActions);
        connect(field, &QLineEdit::textChanged, this, &CalculatorWindow::UpdateEditActions);
    }
    UpdateEditActions();
}

InputField* CalculatorWindow::FocusedInput() const {
    const auto found = std::find(inputs_.begin(), inputs_.end(), focusWidget());
    return found != inputs_.end() ? *found : nullptr;
}

void CalculatorWindow::UpdateEditActions() {
    // Other windows show these commands too; they act here only while this window is in front.
    const InputField* field = isActiveWindow() ? FocusedInput() : nullptr;
    edit_.undo->setEnabled(field != nullptr && field->isUndoAvailable());
    edit_.cut->setEnabled(field != nullptr && field->hasSelectedText());
    edit_.copy->setEnabled(field != nullptr && field->hasSelectedText());
    edit_.paste->setEnabled(field != nullptr && !QGuiApplication::clipboard()->text().isEmpty());
}

// A paste goes in only as typing could have made it, whole or not at all.
void CalculatorWindow::PasteIntoFocusedInput() {
    InputField* field = isActiveWindow() ? FocusedInput() : nullptr;
    const QString pasted = QGuiApplication::clipboard()->text();
    if (field == nullptr || pasted.isEmpty()) {
        return;
    }
    if (!field->TakesPaste(pasted)) {
        emit BeepRequested();
        return;
    }
    field->insert(pasted);
}

void CalculatorWindow::EmptyResults() {
    for (ResultField* field : results_) {
        field->SetResult({});
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
        emit MessageRequested(QString::fromUtf8(error->Message.data(),
                                                static_cast<qsizetype>(error->Message.size())));
        FieldOf(error->Field).setFocus(Qt::OtherFocusReason);
        return;
    }
    for (const engine::ResultText& shown : std::get<engine::Calculation>(outcome).shown) {
        FieldOf(shown.result).SetResult(QString::fromStdString(shown.text));
    }
}

void CalculatorWindow::Clear() {
    for (InputField* field : inputs_) {
        field->setText({}); // and forget the undo history, as a new calculation starts
    }
    EmptyResults();
    FieldOf(engine::Input::ControlMean).setFocus(Qt::OtherFocusReason);
}

void CalculatorWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        UpdateEditActions();
        if (isActiveWindow()) {
            emit Activated();
        }
    }
    QMainWindow::changeEvent(event);
}

void CalculatorWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::exit(0);
}

} // namespace tavrel::windows
