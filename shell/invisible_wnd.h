#pragma once

#include "platform/window.h"

namespace tavrel::shell {

// The hidden default window. It is never shown; it shows the about window as a start-up
// picture and owns Timer1, which after 1200 ms puts the picture away and shows the
// calculator.
class InvisibleWnd : public platform::Window {
  public:
    static constexpr int kSplashMilliseconds = 1200;

    InvisibleWnd();

    // Timer1 has fired: the about window and this window are hidden, the calculator shown.
    void Timer1_Action();

  protected:
    void Open() override;
    bool VisibleWhenCreated() const override { return false; }
};

// The shared hidden window, created on first use.
class InvisibleWnd& InvisibleWnd();

} // namespace tavrel::shell
