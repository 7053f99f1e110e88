#include "support/xserver.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace korimo::test {

namespace {

void stop(pid_t& pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    // A window manager a test held still ends only once it runs again.
    kill(pid, SIGCONT);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

} // namespace

XServer::~XServer() {
    stop(m_windowManager);
    stop(m_server);
}

bool XServer::start(bool withWindowManager) {
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                          "1280x1024x24", "-nolisten",  "tcp",      nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const int rc =
        posix_spawnp(&m_server, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        m_server = -1;
        close(fds[0]);
        return false;
    }
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty())
        return false;
    m_display = ":" + number;
    return !withWindowManager || startWindowManager();
}

bool XServer::startWindowManager() {
    setenv("DISPLAY", m_display.c_str(), 1);
    // A window mapped while the manager is still starting is never framed or placed, even after
    // it has claimed the screen; the manager runs its startup command once it is up.
    char folder[] = "/tmp/korimo-wm-XXXXXX";
    if (!mkdtemp(folder))
        return false;
    const std::string ready = std::string(folder) + "/ready";
    const std::string startup = "touch " + ready;
    const char* argv[] = {"openbox", "--sm-disable", "--startup", startup.c_str(), nullptr};
    if (posix_spawnp(&m_windowManager, "openbox", nullptr, nullptr, const_cast<char* const*>(argv),
                     environ) != 0) {
        m_windowManager = -1;
        rmdir(folder);
        return false;
    }
    const std::string probe =
        "DISPLAY=" + m_display + " xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null";
    bool up = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!up && std::chrono::steady_clock::now() < deadline) {
        up = access(ready.c_str(), F_OK) == 0 &&
             commandOutput(probe).find("window id") != std::string::npos;
        if (!up)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    unlink(ready.c_str());
    rmdir(folder);
    return up;
}

} // namespace korimo::test
