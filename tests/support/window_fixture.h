#pragma once

#include "platform/controls.h"
#include "platform/shared_window.h"
#include "ui/control_wnd.h"
#include "ui/shell_links.h"

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace tavrel::testing {

// Shell links that only count how often the calculator window followed them.
struct CountingLinks {
    int showInformation = 0;
    int hideAbout = 0;
    int showAbout = 0;

    void Install() {
        ui::InstallShellLinks({.ShowInformation = [this] { ++showInformation; },
                               .HideAbout = [this] { ++hideAbout; },
                               .ShowAbout = [this] { ++showAbout; }});
    }
};

inline QString NameOf(const QWidget* widget) {
    return widget != nullptr ? widget->objectName() : QStringLiteral("(none)");
}

inline const QStringList kInputs{"M1Fld", "SD1Fld", "N1Fld", "M2Fld", "SD2Fld", "N2Fld"};
inline const QStringList kOutputs{"PooledSDFld", "MeanDiffFld", "dFld",    "dCorrectFld",
                                  "HedgesFld",   "sdFld",       "CLEFFld", "gFld"};

// A field of the shared calculator window.
inline platform::EditField& Field(const QString& name) {
    return ui::ControlWnd().Field(name.toStdString());
}

// Puts `text` in every output field, so that a test can see which ones change.
inline void FillOutputs(const QString& text = QStringLiteral("old")) {
    for (const QString& name : kOutputs) {
        Field(name).SetText(text);
    }
}

inline bool OutputsEmpty() {
    return std::all_of(kOutputs.begin(), kOutputs.end(),
                       [](const QString& name) { return Field(name).text().isEmpty(); });
}

// How many top-level windows of the class named `name` exist.
inline int CountWindows(const char* name) {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return static_cast<int>(std::count_if(windows.begin(), windows.end(), [name](QWidget* w) {
        return w->objectName() == QLatin1String(name);
    }));
}

} // namespace tavrel::testing
