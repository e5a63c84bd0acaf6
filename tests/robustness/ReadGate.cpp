#include "tests/robustness/ReadGate.h"

#include <fcntl.h>
#include <sys/fanotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace robustness {

ReadGate::ReadGate(const std::string& path, Decide decide) : decide_(std::move(decide)) {
    fd_ = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = std::string("fanotify_init: ") + std::strerror(errno);
        return;
    }
    if (::fanotify_mark(fd_, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, path.c_str()) != 0) {
        error_ = std::string("fanotify_mark: ") + std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
    }
}

ReadGate::~ReadGate() {
    // Closing the group lets every read still held go through.
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void ReadGate::Pump() {
    if (fd_ < 0) {
        return;
    }
    alignas(fanotify_event_metadata) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        ssize_t left = n;
        for (auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
             FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            Verdict verdict = Verdict::Allow;
            if ((event->mask & FAN_ACCESS_PERM) != 0 && (pid_ == 0 || event->pid == pid_)) {
                ++reads_;
                verdict = decide_ ? decide_(reads_) : Verdict::Allow;
            }
            if (event->fd >= 0) {
                const fanotify_response response{
                    event->fd,
                    static_cast<std::uint32_t>(verdict == Verdict::Allow ? FAN_ALLOW : FAN_DENY)};
                [[maybe_unused]] const ssize_t written = ::write(fd_, &response, sizeof response);
                ::close(event->fd);
            }
        }
    }
}

}  // namespace robustness
