#pragma once

#include "platform/window.h"

namespace tavrel::shell {

// The about box: a notice line and two pictures, without a title bar. Shown at start-up and
// by the About commands; a key or a click in it puts it away and brings up the calculator.
class AboutWnd : public platform::Window {
  public:
    AboutWnd();

    // The Window menu's About item while this window is frontmost.
    bool AboutMenuItem_Action();

  protected:
    bool KeyDown(int key) override;
    bool MouseDown(int x, int y) override;

  private:
    void StepBack();
};

// The shared about window, created on first use.
class AboutWnd& AboutWnd();

} // namespace tavrel::shell
