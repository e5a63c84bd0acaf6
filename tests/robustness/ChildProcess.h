#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustness {

// How to start a program: its arguments, changes to the environment it inherits (a value sets
// a variable, nothing removes it), and the limits a user's shell could have put on it.
struct ChildOptions {
    std::string program;
    std::vector<std::string> arguments;
    std::map<std::string, std::optional<std::string>> environment;
    // Where it starts; empty: where the test runs.
    std::string workingDirectory;
    // RLIMIT_AS in bytes, as `ulimit -v` sets it.
    std::optional<std::uint64_t> addressSpaceLimit;
    // RLIMIT_FSIZE in bytes, as `ulimit -f` sets it (in its own units).
    std::optional<std::uint64_t> fileSizeLimit;
    // Run as this user and group with no supplementary groups (root starts it, so it may).
    std::optional<uid_t> user;
    std::optional<gid_t> group;
    // A descriptor to give it as standard input (a pipe's end); -1: /dev/null.
    int standardInput = -1;
};

// A started program with its standard output and standard error collected through pipes. The
// pipes are drained whenever the test waits, so that a chatty program never blocks on a full
// pipe. A program still running when the object goes is killed.
class ChildProcess {
  public:
    explicit ChildProcess(const ChildOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // False when fork or exec failed; error() says why.
    bool started() const { return pid_ > 0 && startError_.empty(); }
    const std::string& error() const { return startError_; }

    // Takes what the program has written, waiting up to timeout for the first bytes.
    void Pump(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
    bool Running();
    // True once the program has ended within timeout.
    bool WaitForExit(std::chrono::milliseconds timeout);
    // True once standard error holds text at or after offset `from`; false when the program
    // ends or timeout passes first.
    bool WaitForError(std::string_view text, std::chrono::milliseconds timeout,
                      std::size_t from = 0);
    // The same for standard output.
    bool WaitForOutput(std::string_view text, std::chrono::milliseconds timeout);
    void Kill();

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }
    // Exit status of a program that ended normally, -1 otherwise.
    int exitCode() const;
    // The signal that ended it, 0 otherwise.
    int signal() const;
    // "exited with 1", "killed by signal 6", "still running": for failure messages.
    std::string Describe() const;

  private:
    void Reap(bool block);
    bool WaitFor(const std::string& stream, std::string_view text,
                 std::chrono::milliseconds timeout, std::size_t from);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::optional<int> status_;
    std::string out_;
    std::string err_;
    std::string startError_;
};

}  // namespace robustness
