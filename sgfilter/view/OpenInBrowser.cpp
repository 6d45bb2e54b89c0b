#include "view/OpenInBrowser.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

extern char** environ;

namespace sgf {

namespace {

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::istringstream folders(path);
    std::string folder;
    std::error_code error;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && std::filesystem::exists(std::filesystem::path(folder) / program, error)) return true;
    }
    return false;
}

}  // namespace

bool openInBrowser(const std::string& address) {
    // Without a display there is nobody at this machine to see a browser's window.
    const bool display = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    if (!display || !onPath("xdg-open")) return false;
    std::string program = "xdg-open";
    std::string argument = address;
    char* arguments[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, arguments, environ) != 0) return false;
    // xdg-open hands the address to the browser and ends; wait for it so it leaves no zombie.
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace sgf
