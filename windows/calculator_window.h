#pragma once

#include "engine/quantities.h"
#include "engine/summary_stats.h"
#include "windows/edit_actions.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QPushButton;
class QToolButton;

namespace tavrel::windows {

namespace Ui {
class CalculatorWindow;
}
class InputField;
class ResultField;

// The calculator: six input fields, Calculate and Clear, eight result fields and the
// information button. Its edit commands act on the focused input field while it is in front.
// Closing it ends the application.
class CalculatorWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit CalculatorWindow(QWidget* parent = nullptr);
    ~CalculatorWindow() override;

    InputField& FieldOf(engine::Input input) const { return *inputs_[Index(input)]; }
    ResultField& FieldOf(engine::Result result) const { return *results_[Index(result)]; }
    QPushButton& CalculateButton() const;
    QPushButton& ClearButton() const;
    QToolButton& InformationButton() const;
    const EditActions& EditCommands() const { return edit_; }

  public slots:
    // Runs the engine on the six inputs and writes the results of its mode, or shows the
    // input error and then puts the focus in the input it names.
    void Calculate();
    // Empties every input and result field and puts the focus in the first input.
    void Clear();

  signals:
    void InformationRequested();
    // An input error to show in a message box; the focus moves once whoever shows it returns.
    void MessageRequested(const QString& text);
    // A refused key or paste.
    void BeepRequested();
    // The window became the active one.
    void Activated();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void SetUpEditActions();
    void UpdateEditActions();
    InputField* FocusedInput() const;
    void PasteIntoFocusedInput();
    void EmptyResults();

    std::unique_ptr<Ui::CalculatorWindow> ui_;
    std::array<InputField*, engine::kInputCount> inputs_{};
    std::array<ResultField*, engine::kResultCount> results_{};
    EditActions edit_;
};

} // namespace tavrel::windows
