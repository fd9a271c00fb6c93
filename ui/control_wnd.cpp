#include "ui/control_wnd.h"

#include "engine/effect_sizes.h"
#include "engine/field_names.h"
#include "engine/presentation.h"
#include "engine/summary_stats.h"
#include "platform/alerts.h"
#include "platform/application.h"
#include "platform/controls.h"
#include "platform/format.h"
#include "platform/qt_text.h"
#include "platform/real_to_int.h"
#include "platform/shared_window.h"
#include "platform/val.h"
#include "ui/control_wnd_layout.h"
#include "ui/key_filter.h"
#include "ui/menu_items.h"
#include "ui/shell_links.h"

#include <QPushButton>
#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace tavrel::ui {

namespace {

namespace fields = engine::fields;
using platform::ToQString;

constexpr std::array kOutputs = {fields::PooledSDFld, fields::MeanDiffFld, fields::dFld,
                                 fields::dCorrectFld, fields::HedgesFld,   fields::CLEFFld,
                                 fields::gFld,        fields::sdFld};

ShellLinks& InstalledLinks() {
    static ShellLinks links;
    return links;
}

// A link the shell did not install is a programming error, not something to skip.
void Follow(const std::function<void()>& link, const char* what) {
    if (!link) {
        throw std::logic_error(std::string("shell link not installed: ") + what);
    }
    link();
}

} // namespace

void InstallShellLinks(ShellLinks links) {
    InstalledLinks() = std::move(links);
}

ControlWnd::ControlWnd() : platform::Window(ControlWndSpec()) {
    for (const ControlRow& row : ControlWndLayout()) {
        QWidget& control = AddControl(row.spec);
        if (row.keyDown != nullptr) {
            auto& field = static_cast<platform::EditField&>(control);
            field.KeyDown = [this, handler = row.keyDown](int key) {
                return (this->*handler)(key);
            };
            // The edit commands obey the same rules as typing.
            field.AcceptsPaste = [this](const QString& pasted, const QString& result) {
                return FilterPaste(pasted, result);
            };
            field.EditedByCommand = [this] { EmptyOutputs(); };
        }
        if (row.action != nullptr) {
            connect(static_cast<QPushButton*>(&control), &QPushButton::clicked, this,
                    [this, handler = row.action] { (this->*handler)(); });
        }
        if (row.mouseDown != nullptr) {
            static_cast<platform::Canvas&>(control).MouseDown =
                [this, handler = row.mouseDown](int x, int y) { return (this->*handler)(x, y); };
        }
    }
    AddMenuHandler(QStringLiteral("AboutMenuItem"), [this] { return AboutMenuItem_Action(); });
    AddMenuHandler(QStringLiteral("AboutQuillet"), [this] { return AboutQuillet_Action(); });
}

platform::EditField& ControlWnd::Field(std::string_view name) const {
    return Control<platform::EditField>(name);
}

bool ControlWnd::M1Fld_KeyDown(int key) {
    return FilterKey(key);
}
bool ControlWnd::SD1Fld_KeyDown(int key) {
    return FilterKey(key);
}
bool ControlWnd::N1Fld_KeyDown(int key) {
    return FilterKey(key);
}
bool ControlWnd::M2Fld_KeyDown(int key) {
    return FilterKey(key);
}
bool ControlWnd::SD2Fld_KeyDown(int key) {
    return FilterKey(key);
}
bool ControlWnd::N2Fld_KeyDown(int key) {
    return FilterKey(key);
}

bool ControlWnd::FilterKey(int key) {
    // Any key, even a refused one, makes the shown results stale.
    EmptyOutputs();
    if (AcceptsKey(key)) {
        return false;
    }
    platform::Beep();
    return true;
}

// A paste goes in only as typing could have made it: field characters alone, six at most.
bool ControlWnd::FilterPaste(const QString& pasted, const QString& result) {
    const bool typable = std::all_of(pasted.begin(), pasted.end(),
                                     [](QChar c) { return IsFieldCharacter(c.unicode()); });
    if (typable && result.size() <= kTypedLengthLimit) {
        return true;
    }
    platform::Beep();
    return false;
}

void ControlWnd::EmptyOutputs() {
    for (const std::string_view name : kOutputs) {
        Field(name).SetText({});
    }
}

void ControlWnd::CalcBtn_Action() {
    std::array<std::string, fields::Inputs.size()> texts;
    engine::InputTexts views;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = Field(fields::Inputs[i]).text().toStdString();
        views[i] = texts[i];
    }
    const engine::CalcOutcome outcome =
        engine::Calculate(views, &platform::Val, &platform::RealToInt32);

    if (const auto* error = std::get_if<engine::InputError>(&outcome)) {
        platform::MsgBox(ToQString(error->Message));
        Field(error->FocusField).setFocus(Qt::OtherFocusReason);
        return;
    }
    const auto& calculation = std::get<engine::Calculation>(outcome);
    const engine::EffectSizeResults results =
        engine::ComputeResults(calculation.Stats, calculation.Mode);
    for (const engine::FieldText& field :
         engine::PresentResults(calculation.Mode, results, &platform::Format)) {
        Field(field.Field).SetText(QString::fromStdString(field.Text));
    }
}

void ControlWnd::ClearBtn_Action() {
    for (const std::string_view name : fields::Inputs) {
        Field(name).SetText({});
    }
    EmptyOutputs();
    Field(fields::M1Fld).setFocus(Qt::OtherFocusReason);
}

bool ControlWnd::Canvas1_MouseDown(int /*x*/, int /*y*/) {
    Follow(InstalledLinks().ShowInformation, "ShowInformation");
    return false;
}

bool ControlWnd::AboutMenuItem_Action() {
    Follow(InstalledLinks().ShowAbout, "ShowAbout");
    return false;
}

bool ControlWnd::AboutQuillet_Action() {
    Follow(InstalledLinks().ShowAbout, "ShowAbout");
    return false;
}

void ControlWnd::EnableMenuItems() {
    ControlMenuItem().SetEnabled(false);
    AboutMenuItem().SetEnabled(true);
    AboutQuillet().SetEnabled(true);
}

void ControlWnd::Activate() {
    Follow(InstalledLinks().HideAbout, "HideAbout");
}

void ControlWnd::Close() {
    platform::Quit(0);
}

class ControlWnd& ControlWnd() {
    return platform::SharedWindow<class ControlWnd>();
}

} // namespace tavrel::ui
