#include "platform/linux/LinuxDesktopShell.h"

#include "platform/linux/PathSearch.h"
#include "platform/linux/SpawnAttributes.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qv::platform {

namespace {

bool isProgram(const std::string& target) {
    return target.find('/') == std::string::npos // looked up on PATH
           || isExecutableFile(target);
}

} // namespace

bool LinuxDesktopShell::spawn(const std::vector<std::string>& args, const std::string& workingDirectory) {
    std::vector<std::string> owned = args;
    std::vector<char*> argv;
    for (auto& a : owned)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    posix_spawnattr_t attr;
    // A session of its own: the program stays when this one ends, and a terminal's Ctrl+C does not reach it.
    initCleanSignalAttributes(attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const std::string& program = owned.front();
    const int rc = program.find('/') == std::string::npos
                       ? ::posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ)
                       : ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool LinuxDesktopShell::open(const std::string& target, const std::string& workingDirectory) {
    if (target.empty())
        return false;
    if (isProgram(target) && spawn({target}, workingDirectory))
        return true;
    return spawn({opener_, target}, workingDirectory);
}

const std::vector<std::vector<std::string>>& LinuxDesktopShell::modemEditors() {
    static const std::vector<std::vector<std::string>> editors = {
        {"nm-connection-editor"},
        {"modem-manager-gui"},
        {"kcmshell6", "kcm_networkmanagement"},
        {"kcmshell5", "kcm_networkmanagement"},
        {"gnome-control-center", "wwan"},
    };
    return editors;
}

bool LinuxDesktopShell::openModemSettings() {
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    for (const auto& editor : modemEditors()) {
        std::vector<std::string> argv = editor;
        argv.front() = findOnPath(editor.front(), path);
        if (!argv.front().empty())
            return spawn(argv, "");
    }
    return false;
}

} // namespace qv::platform
