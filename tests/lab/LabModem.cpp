// lab_modem: a USB modem's AT port for the lab, on a pseudo-terminal pair.
//
//   lab_modem serve       opens a pseudo-terminal pair, prints the slave's path on a line of its own and plays the
//                         modem on the master: it echoes each command (ended by a carriage return) and answers
//                         "AT+GTSTAT=1" and "AT+CBC?" as the modem does ("\r\n+GTSTAT: N\r\n\r\nOK\r\n"), any other
//                         command with "OK", one command after the other. Each command it takes is reported on
//                         stdout as "got COMMAND".
//                         Commands on stdin change it, each acknowledged with "ok COMMAND":
//                           answer | silent        answers, or sends nothing at all (not even the echo)
//                           signal N | battery N   the readings it reports (n of the signal; 0 = best)
//                           late MS                the line end of each reply comes MS milliseconds after its text
//                         It ends when stdin closes.
//   lab_modem hold PATH   opens PATH and holds it as a serial program does (an exclusive lock and TIOCEXCL), prints
//                         "held", and keeps it until stdin closes.
//
// The slave stays open here too, in raw mode: the pair keeps working, and keeps its settings, while the program
// under test has the port closed between polls.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Pending {
    Clock::time_point due;
    std::string text;
};

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int hold(const char* path) {
    const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "lab_modem: cannot hold %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    ::ioctl(fd, TIOCEXCL);
    say("held");
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}

class Modem {
public:
    explicit Modem(int master) : master_(master) {}

    void command(const std::string& line) {
        if (line == "answer" || line == "silent")
            silent_ = line == "silent";
        else if (line.rfind("signal ", 0) == 0)
            signal_ = std::atoi(line.c_str() + 7);
        else if (line.rfind("battery ", 0) == 0)
            battery_ = std::atoi(line.c_str() + 8);
        else if (line.rfind("late ", 0) == 0)
            lateMs_ = std::atoi(line.c_str() + 5);
        say("ok " + line);
    }

    void received(const char* data, std::size_t n) {
        input_.append(data, n);
        for (auto cr = input_.find('\r'); cr != std::string::npos; cr = input_.find('\r')) {
            std::string cmd = input_.substr(0, cr);
            input_.erase(0, cr + 1);
            if (!input_.empty() && input_.front() == '\n')
                input_.erase(0, 1);
            cmd.erase(0, cmd.find_first_not_of('\n'));
            if (!cmd.empty())
                answer(cmd);
        }
    }

    /// Milliseconds until the next reply is due; -1 when none is.
    int sendDue() {
        const auto now = Clock::now();
        while (!pending_.empty() && pending_.front().due <= now) {
            const std::string& t = pending_.front().text;
            if (::write(master_, t.data(), t.size()) < 0)
                std::fprintf(stderr, "lab_modem: write: %s\n", std::strerror(errno));
            pending_.erase(pending_.begin());
        }
        if (pending_.empty())
            return -1;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(pending_.front().due - now).count();
        return static_cast<int>(std::max<long long>(ms, 0) + 1);
    }

private:
    void answer(const std::string& cmd) {
        say("got " + cmd);
        if (silent_)
            return;
        std::string text;
        if (cmd == "AT+GTSTAT=1")
            text = "\r\n+GTSTAT: " + std::to_string(signal_);
        else if (cmd == "AT+CBC?")
            text = "\r\n+CBC: 0," + std::to_string(battery_);
        // One command at a time, as a modem works: a command's echo comes after the previous reply has ended.
        const auto start = std::max(Clock::now(), lastDue_);
        queue(start, cmd + "\r\n" + text);
        queue(text.empty() ? start : start + std::chrono::milliseconds(lateMs_),
              text.empty() ? "\r\nOK\r\n" : "\r\n\r\nOK\r\n");
    }
    void queue(Clock::time_point due, std::string text) {
        pending_.push_back({due, std::move(text)});
        lastDue_ = due;
    }

    int master_;
    bool silent_ = false;
    int signal_ = 75;
    int battery_ = 80;
    int lateMs_ = 0;
    std::string input_;
    std::vector<Pending> pending_; ///< in order of due time
    Clock::time_point lastDue_{};
};

int serve() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::fprintf(stderr, "lab_modem: no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    const std::string slavePath = ::ptsname(master);
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (slave < 0 || ::tcgetattr(slave, &t) != 0) {
        std::fprintf(stderr, "lab_modem: %s: %s\n", slavePath.c_str(), std::strerror(errno));
        return 1;
    }
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    say(slavePath);

    Modem modem(master);
    std::string stdinLine;
    char buf[512];
    for (;;) {
        pollfd fds[2] = {{master, POLLIN, 0}, {0, POLLIN, 0}};
        if (::poll(fds, 2, modem.sendDue()) < 0 && errno != EINTR)
            return 1;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                modem.received(buf, static_cast<std::size_t>(n));
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            const ssize_t n = ::read(0, buf, sizeof buf);
            if (n <= 0)
                return 0;
            stdinLine.append(buf, static_cast<std::size_t>(n));
            for (auto nl = stdinLine.find('\n'); nl != std::string::npos; nl = stdinLine.find('\n')) {
                modem.command(stdinLine.substr(0, nl));
                stdinLine.erase(0, nl + 1);
            }
        }
        modem.sendDue();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "serve") == 0)
        return serve();
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0)
        return hold(argv[2]);
    std::fprintf(stderr, "usage: lab_modem serve | lab_modem hold PATH\n");
    return 2;
}
