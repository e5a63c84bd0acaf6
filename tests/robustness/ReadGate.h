#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace robustness {

// Holds every read(2) of one file by one process until the test has decided on it (fanotify's
// permission events, which root may use): the test can truncate or delete the file between two
// reads of the program, or fail a read, at exactly the read it chooses. Reads by other
// processes pass at once.
class ReadGate {
  public:
    enum class Verdict { Allow, Deny };
    // Called with the number of the read (from 1) just before it happens.
    using Decide = std::function<Verdict(int read)>;

    ReadGate(const std::string& path, Decide decide);
    ~ReadGate();
    ReadGate(const ReadGate&) = delete;
    ReadGate& operator=(const ReadGate&) = delete;

    // Empty when the gate works; otherwise why not (no fanotify, not privileged).
    const std::string& error() const { return error_; }
    // Only reads of this process are counted and decided on; 0: any process.
    void Watch(pid_t pid) { pid_ = pid; }

    // Decides on the reads waiting now; never blocks.
    void Pump();
    int reads() const { return reads_; }

  private:
    int fd_ = -1;
    pid_t pid_ = 0;
    int reads_ = 0;
    Decide decide_;
    std::string error_;
};

}  // namespace robustness
