#include "platform/linux/LinuxProcessRunner.h"

#include "platform/linux/SpawnAttributes.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace qv::platform {

LinuxChildProcess::~LinuxChildProcess() {
    finished(); // reaps a child that has already ended; one still running is left to run
}

bool LinuxChildProcess::finished() {
    if (reaped_)
        return true;
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    // ECHILD: someone else reaped it, so it has ended all the same.
    reaped_ = r == pid_ || (r < 0 && errno == ECHILD);
    return reaped_;
}

std::unique_ptr<ChildProcess> LinuxProcessRunner::start(const std::string& program,
                                                        const std::vector<std::string>& args, std::string& errorText) {
    std::vector<std::string> owned;
    owned.reserve(args.size() + 1);
    owned.push_back(program);
    owned.insert(owned.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : owned)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    initCleanSignalAttributes(attr);
    pid_t pid = 0;
    // glibc (2.24 on) reports a failed exec through the return value, so a missing or non-executable program
    // is known here rather than as a child that exits 127.
    const int rc = program.find('/') == std::string::npos
                       ? ::posix_spawnp(&pid, program.c_str(), nullptr, &attr, argv.data(), environ)
                       : ::posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        errorText = std::strerror(rc);
        return nullptr;
    }
    errorText.clear();
    return std::make_unique<LinuxChildProcess>(pid);
}

} // namespace qv::platform
