#include "platform/linux/PppdLauncher.h"

#include "platform/linux/SpawnAttributes.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qv::platform {

namespace {

// The descriptor the options reach pppd on; the child's 0-2 are its standard streams.
constexpr int kOptionsFd = 3;

int pidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

int pidfdSignal(int pidfd, int signal) {
#ifdef SYS_pidfd_send_signal
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
#else
    (void)pidfd;
    (void)signal;
    errno = ENOSYS;
    return -1;
#endif
}

// Moves a descriptor to 10 or above, so the child's dup2 onto 1, 2 and 3 never lands on a source.
int lift(int fd) {
    const int lifted = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
    ::close(fd);
    return lifted;
}

class PosixPppdProcess final : public PppdProcess {
public:
    PosixPppdProcess(pid_t pid, int outFd, PppdOutput output) : pid_(pid), outFd_(outFd), output_(std::move(output)) {
        pidFd_ = pidfdOpen(pid);
        wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        reader_ = std::thread([this] { run(); });
    }
    ~PosixPppdProcess() override {
        const std::uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
        reader_.join();
        for (int fd : {outFd_, pidFd_, wakeFd_})
            if (fd >= 0)
                ::close(fd);
    }
    int pid() const override { return pid_; }
    bool signal(int signal) override {
        std::lock_guard lock(reapMutex_);
        if (reaped_)
            return false;
        // Through the pidfd the signal cannot reach another process that got the pid after pppd's end.
        return (pidFd_ >= 0 ? pidfdSignal(pidFd_, signal) : ::kill(pid_, signal)) == 0;
    }

private:
    // Splits what arrived into lines; returns whether the last line asked to hear of a silence.
    bool consume(const char* data, std::size_t n, bool wantQuiet) {
        partial_.append(data, n);
        std::size_t pos = 0;
        for (std::size_t nl; (nl = partial_.find('\n', pos)) != std::string::npos; pos = nl + 1)
            wantQuiet = output_.line(std::string_view(partial_).substr(pos, nl - pos));
        partial_.erase(0, pos);
        return wantQuiet;
    }

    void drain(bool& wantQuiet) {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(outFd_, buf, sizeof buf);
            if (n > 0) {
                wantQuiet = consume(buf, static_cast<std::size_t>(n), wantQuiet);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                pipeOpen_ = false;
            return; // EAGAIN: a child of pppd may still hold the pipe; what is there has been read
        }
    }

    void finish() {
        bool ignored = false;
        if (pipeOpen_)
            drain(ignored);
        if (!partial_.empty())
            output_.line(partial_);
        partial_.clear();
        int status = 0;
        {
            std::lock_guard lock(reapMutex_);
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            reaped_ = true;
        }
        if (WIFSIGNALED(status))
            output_.ended(-1, WTERMSIG(status));
        else
            output_.ended(WEXITSTATUS(status), 0);
    }

    void run() {
        bool wantQuiet = false;
        for (;;) {
            pollfd fds[3] = {{pipeOpen_ ? outFd_ : -1, POLLIN, 0}, {pidFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            // Without a pidfd the end shows as the end of output; then the exit is polled for.
            const int timeout = wantQuiet ? PosixPppdLauncher::kQuietMs : (pidFd_ < 0 && !pipeOpen_) ? 100 : -1;
            const int n = ::poll(fds, 3, timeout);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[2].revents)
                return; // the adapter is going; pppd keeps running
            if (n == 0) {
                if (wantQuiet) {
                    wantQuiet = false;
                    output_.quiet();
                }
            }
            if (fds[0].revents)
                drain(wantQuiet);
            if (fds[1].revents) {
                finish();
                return;
            }
            if (pidFd_ < 0 && !pipeOpen_) {
                int status = 0;
                std::unique_lock lock(reapMutex_);
                if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                    // Reaped here; report as finish() would.
                    reaped_ = true;
                    lock.unlock();
                    if (!partial_.empty())
                        output_.line(partial_);
                    if (WIFSIGNALED(status))
                        output_.ended(-1, WTERMSIG(status));
                    else
                        output_.ended(WEXITSTATUS(status), 0);
                    return;
                }
            }
        }
    }

    const pid_t pid_;
    const int outFd_;
    int pidFd_ = -1;
    int wakeFd_ = -1;
    PppdOutput output_;
    std::string partial_;
    bool pipeOpen_ = true;
    std::mutex reapMutex_;
    bool reaped_ = false;
    std::thread reader_;
};

} // namespace

std::unique_ptr<PppdProcess> PosixPppdLauncher::start(const std::string& entry, const std::string& secretOptions,
                                                      PppdOutput output, int& errorCode, std::string& errorText) {
    const auto fail = [&](int err) -> std::unique_ptr<PppdProcess> {
        errorCode = err;
        errorText = std::strerror(err);
        return nullptr;
    };
    int out[2], options[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return fail(errno);
    if (::pipe2(options, O_CLOEXEC) != 0) {
        const int err = errno;
        ::close(out[0]);
        ::close(out[1]);
        return fail(err);
    }
    // A few hundred bytes at most: the pipe takes them before pppd runs, and pppd reads them as an options file.
    bool written = true;
    for (std::size_t done = 0; done < secretOptions.size();) {
        const ssize_t w = ::write(options[1], secretOptions.data() + done, secretOptions.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            written = false;
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    const int writeErr = errno;
    ::close(options[1]);
    const int outWrite = lift(out[1]);
    const int optionsRead = lift(options[0]);
    const auto closeAll = [&] {
        ::close(out[0]);
        ::close(outWrite);
        ::close(optionsRead);
    };
    if (!written || outWrite < 0 || optionsRead < 0) {
        closeAll();
        return fail(!written ? writeErr : EMFILE);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite, 1);
    posix_spawn_file_actions_adddup2(&actions, outWrite, 2);
    posix_spawn_file_actions_adddup2(&actions, optionsRead, kOptionsFd);
    // pppd gets a clean signal state and a process group of its own, so a Ctrl+C meant for the program does not
    // take the connection down.
    posix_spawnattr_t attr;
    initCleanSignalAttributes(attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);

    const std::string optionsPath = "/dev/fd/" + std::to_string(kOptionsFd);
    std::vector<std::string> args{pppdPath_, "call", entry, "nodetach", "file", optionsPath};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const bool search = pppdPath_.find('/') == std::string::npos;
    const int rc = search ? ::posix_spawnp(&pid, pppdPath_.c_str(), &actions, &attr, argv.data(), environ)
                          : ::posix_spawn(&pid, pppdPath_.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(outWrite);
    ::close(optionsRead);
    if (rc != 0) {
        ::close(out[0]);
        return fail(rc);
    }
    ::fcntl(out[0], F_SETFL, ::fcntl(out[0], F_GETFL) | O_NONBLOCK);
    return std::make_unique<PosixPppdProcess>(pid, out[0], std::move(output));
}

int PosixPppdLauncher::signalPid(int pid, int signal) {
    return ::kill(pid, signal) == 0 ? 0 : errno;
}

} // namespace qv::platform
