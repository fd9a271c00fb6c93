#pragma once

#include "engine/quantities.h"
#include "support/recording_alerts.h"
#include "windows/calculator_window.h"
#include "windows/fixed_window.h"
#include "windows/input_field.h"
#include "windows/result_field.h"

#include <QApplication>
#include <QtTest>
#include <algorithm>
#include <optional>

namespace tavrel::testing {

using engine::Input;
using engine::Result;

// A calculator window in front, with message boxes and beeps recorded, made anew for each
// test.
class CalculatorFixture {
  public:
    void SetUp() {
        window.emplace();
        alerts.emplace(*window);
        windows::ShowInFront(*window);
    }
    void TearDown() {
        alerts.reset();
        window.reset();
    }

    windows::InputField& In(Input input) { return window->FieldOf(input); }
    windows::ResultField& Out(Result result) { return window->FieldOf(result); }

    void Enter(const QStringList& values) {
        for (const Input input : engine::kInputs) {
            In(input).setText(values[static_cast<qsizetype>(Index(input))]);
        }
    }
    // Puts `text` in every result field, so that a test can see which ones change.
    void FillResults(const QString& text = QStringLiteral("old")) {
        for (const Result result : engine::kResults) {
            Out(result).SetResult(text);
        }
    }
    bool ResultsEmpty() {
        return std::all_of(engine::kResults.begin(), engine::kResults.end(),
                           [this](Result result) { return Out(result).text().isEmpty(); });
    }
    QWidget* Focused() const { return QApplication::focusWidget(); }

    std::optional<RecordingAlerts> alerts;
    std::optional<windows::CalculatorWindow> window;
};

} // namespace tavrel::testing
