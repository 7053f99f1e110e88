#pragma once

#include <string>
#include <sys/types.h>

namespace korimo::test {

// An X server of the test's own (Xvfb), optionally with a real window manager (openbox), so
// tests see what a desktop does: frames, placement, stacking, focus. Stopped on destruction.
class XServer {
public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer();

    // Starts the server on a free display (Xvfb reports it itself, so parallel runs never race
    // for a number) and, when asked, the window manager, returning once it manages the screen.
    bool start(bool withWindowManager);
    const std::string& display() const { return m_display; }

private:
    bool startWindowManager();
    pid_t m_server = -1;
    pid_t m_windowManager = -1;
    std::string m_display;
};

} // namespace korimo::test
