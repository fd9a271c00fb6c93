#pragma once

#include "platform/window.h"

#include <string_view>

namespace tavrel::platform {
class EditField;
}

namespace tavrel::ui {

// The calculator window: six input fields, Calculate and Clear, eight output fields and the
// information icon.
class ControlWnd : public platform::Window {
  public:
    ControlWnd();

    // Key filter of each input field: empties the eight results, then lets the field take
    // the key or refuses it with a beep. True consumes the key.
    bool M1Fld_KeyDown(int key);
    bool SD1Fld_KeyDown(int key);
    bool N1Fld_KeyDown(int key);
    bool M2Fld_KeyDown(int key);
    bool SD2Fld_KeyDown(int key);
    bool N2Fld_KeyDown(int key);

    // Runs the engine on the six inputs and writes the fields of its mode, or shows the
    // input error and puts the focus in the field it names.
    void CalcBtn_Action();
    // Empties all fourteen fields and puts the focus in M1Fld.
    void ClearBtn_Action();
    // The information icon: shows the information window.
    bool Canvas1_MouseDown(int x, int y);
    // The About commands: show the about window.
    bool AboutMenuItem_Action();
    bool AboutQuillet_Action();

    platform::EditField& Field(std::string_view name) const;

    void EnableMenuItems() override;

  protected:
    void Activate() override;
    void Close() override;

  private:
    bool FilterKey(int key);
    bool FilterPaste(const QString& pasted, const QString& result);
    void EmptyOutputs();
};

// The shared calculator window, created on first use.
class ControlWnd& ControlWnd();

} // namespace tavrel::ui
