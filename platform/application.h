#pragma once

namespace tavrel::platform {

class MenuBar;

// The application object: the one per run, with the menu bar that every window shows.
class Application {
  public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    platform::MenuBar* MenuBar() const { return menuBar_; }
    void SetMenuBar(platform::MenuBar* menuBar) { menuBar_ = menuBar; }

  private:
    platform::MenuBar* menuBar_ = nullptr;
};

// The application object that registered itself last, or nullptr when there is none.
Application* CurrentApplication();

// Brings the menu bar's enabled states up to date, when there is one.
void RefreshMenus();

// Ends the application: the event loop returns `exitCode`.
void Quit(int exitCode);

} // namespace tavrel::platform
