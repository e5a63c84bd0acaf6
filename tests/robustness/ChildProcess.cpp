#include "tests/robustness/ChildProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

extern char** environ;

namespace robustness {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> MergedEnvironment(
    const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string name(text.substr(0, text.find('=')));
        if (changes.find(name) == changes.end()) {
            merged.emplace_back(text);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            merged.push_back(name + "=" + *value);
        }
    }
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// In the forked child only async-signal-safe calls: report the failing step and errno through
// the status pipe, then leave.
[[noreturn]] void FailInChild(int statusFd, int step) {
    const int report[2] = {step, errno};
    [[maybe_unused]] const ssize_t n = ::write(statusFd, report, sizeof report);
    ::_exit(127);
}

}  // namespace

ChildProcess::ChildProcess(const ChildOptions& options) {
    std::vector<std::string> argv = {options.program};
    argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
    std::vector<std::string> envp = MergedEnvironment(options.environment);
    std::vector<char*> argvPointers = Pointers(argv);
    std::vector<char*> envpPointers = Pointers(envp);

    int outPipe[2];
    int errPipe[2];
    int statusPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0 ||
        ::pipe2(statusPipe, O_CLOEXEC) != 0) {
        startError_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    pid_ = ::fork();
    if (pid_ < 0) {
        startError_ = std::string("fork: ") + std::strerror(errno);
        return;
    }
    if (pid_ == 0) {
        const int in =
            options.standardInput >= 0 ? options.standardInput : ::open("/dev/null", O_RDONLY);
        if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(outPipe[1], 1) < 0 || ::dup2(errPipe[1], 2) < 0) {
            FailInChild(statusPipe[1], 1);
        }
        // A process group of its own, so that killing it reaches anything it started.
        ::setpgid(0, 0);
        if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0) {
            FailInChild(statusPipe[1], 6);
        }
        if (options.addressSpaceLimit) {
            const rlimit limit{*options.addressSpaceLimit, *options.addressSpaceLimit};
            if (::setrlimit(RLIMIT_AS, &limit) != 0) {
                FailInChild(statusPipe[1], 2);
            }
        }
        if (options.fileSizeLimit) {
            const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                FailInChild(statusPipe[1], 2);
            }
        }
        if (options.group) {
            if (::setgroups(0, nullptr) != 0 ||
                ::setresgid(*options.group, *options.group, *options.group) != 0) {
                FailInChild(statusPipe[1], 3);
            }
        }
        if (options.user && ::setresuid(*options.user, *options.user, *options.user) != 0) {
            FailInChild(statusPipe[1], 4);
        }
        ::execve(argvPointers[0], argvPointers.data(), envpPointers.data());
        FailInChild(statusPipe[1], 5);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    ::close(statusPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    // The status pipe closes at exec; a report on it means the child never got there.
    int report[2] = {0, 0};
    ssize_t got = 0;
    do {
        got = ::read(statusPipe[0], report, sizeof report);
    } while (got < 0 && errno == EINTR);
    ::close(statusPipe[0]);
    if (got == static_cast<ssize_t>(sizeof report)) {
        static const char* const kSteps[] = {"",       "redirect", "setrlimit",
                                             "setgid", "setuid",   "exec"};
        startError_ = std::string(kSteps[report[0]]) + " in the child: " + std::strerror(report[1]);
        Reap(true);
    }
}

ChildProcess::~ChildProcess() {
    Kill();
    if (outFd_ >= 0) {
        ::close(outFd_);
    }
    if (errFd_ >= 0) {
        ::close(errFd_);
    }
}

void ChildProcess::Pump(std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    int waitMs = static_cast<int>(timeout.count());
    for (;;) {
        if (fds[0].fd < 0 && fds[1].fd < 0) {
            if (waitMs > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
            }
            return;
        }
        const int ready = ::poll(fds, 2, waitMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return;
        }
        waitMs = 0;
        for (pollfd& p : fds) {
            if (p.fd < 0 || (p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            char buffer[65536];
            const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
            if (n > 0) {
                (p.fd == outFd_ ? out_ : err_).append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                // The program closed its end (it has ended): stop watching this pipe.
                p.fd = -1;
            }
        }
    }
}

void ChildProcess::Reap(bool block) {
    if (pid_ <= 0 || status_) {
        return;
    }
    int status = 0;
    pid_t r = 0;
    do {
        r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid_) {
        status_ = status;
    }
}

bool ChildProcess::Running() {
    Reap(false);
    return pid_ > 0 && !status_;
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Running()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        Pump(std::chrono::milliseconds(10));
    }
    // What it wrote just before it ended.
    Pump();
    Pump();
    return true;
}

bool ChildProcess::WaitForError(std::string_view text, std::chrono::milliseconds timeout,
                                std::size_t from) {
    return WaitFor(err_, text, timeout, from);
}

bool ChildProcess::WaitForOutput(std::string_view text, std::chrono::milliseconds timeout) {
    return WaitFor(out_, text, timeout, 0);
}

bool ChildProcess::WaitFor(const std::string& stream, std::string_view text,
                           std::chrono::milliseconds timeout, std::size_t from) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (stream.size() >= from && stream.find(text, from) != std::string::npos) {
            return true;
        }
        if (!Running()) {
            Pump();
            return stream.size() >= from && stream.find(text, from) != std::string::npos;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        Pump(std::chrono::milliseconds(10));
    }
}

void ChildProcess::Kill() {
    if (Running()) {
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        Reap(true);
    }
}

int ChildProcess::exitCode() const {
    return status_ && WIFEXITED(*status_) ? WEXITSTATUS(*status_) : -1;
}

int ChildProcess::signal() const {
    return status_ && WIFSIGNALED(*status_) ? WTERMSIG(*status_) : 0;
}

std::string ChildProcess::Describe() const {
    if (!status_) {
        return "still running";
    }
    if (WIFSIGNALED(*status_)) {
        return "killed by signal " + std::to_string(WTERMSIG(*status_)) + " (" +
               strsignal(WTERMSIG(*status_)) + ")";
    }
    return "exited with " + std::to_string(exitCode());
}

}  // namespace robustness
