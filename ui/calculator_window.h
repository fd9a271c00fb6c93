#pragma once

#include "engine/quantities.h"
#include "engine/summary_stats.h"

#include <QMainWindow>
#include <array>

class QPushButton;

namespace tavrel::platform {
class GuardedLineEdit;
class PictureView;
} // namespace tavrel::platform

namespace tavrel::ui {

// The calculator: six input fields, Calculate and Clear, eight result fields and the
// information icon. Closing it ends the application.
class CalculatorWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit CalculatorWindow(QWidget* parent = nullptr);

    platform::GuardedLineEdit& InputField(engine::Input input) const;
    platform::GuardedLineEdit& ResultField(engine::Result result) const;
    QPushButton& CalculateButton() const { return *calculate_; }
    QPushButton& ClearButton() const { return *clear_; }
    platform::PictureView& InformationIcon() const { return *informationIcon_; }

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
    void SetUpInput(platform::GuardedLineEdit& field);
    void EmptyResults();

    std::array<platform::GuardedLineEdit*, engine::kInputCount> inputs_{};
    std::array<platform::GuardedLineEdit*, engine::kResultCount> results_{};
    QPushButton* calculate_ = nullptr;
    QPushButton* clear_ = nullptr;
    platform::PictureView* informationIcon_ = nullptr;
};

} // namespace tavrel::ui
