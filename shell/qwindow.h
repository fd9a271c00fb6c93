#pragma once

#include "platform/window.h"

namespace tavrel::shell {

// The information window: the equations, two notes, the references and the program's notice.
// Any key, any click in it or closing it puts it away; it is hidden, never destroyed.
class Qwindow : public platform::Window {
  public:
    Qwindow();

  protected:
    bool KeyDown(int key) override;
    bool MouseDown(int x, int y) override;
    void Close() override;
};

// The shared information window, created on first use.
class Qwindow& Qwindow();

} // namespace tavrel::shell
