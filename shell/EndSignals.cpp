#include "shell/EndSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace {

// Read by the signal handler, which may touch nothing but what is async-signal-safe: plain
// file descriptors, a lock-free flag and the list below, written before any handler is set.
int g_pipe[2] = {-1, -1};
std::atomic<bool> g_endsAtOnce{false};
int g_signals[8] = {};
int g_count = 0;

void OnSignal(int signal) {
    const int saved = errno;
    if (g_endsAtOnce.load()) {
        // The next one ends the process by the signal's own default action.
        for (int i = 0; i < g_count; ++i) {
            ::signal(g_signals[i], SIG_DFL);
        }
    }
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

EndSignals::EndSignals(std::initializer_list<int> which, Second second) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("selvane: no pipe for the signals; a signal ends the program abruptly");
        return;
    }
    g_count = 0;
    for (int signal : which) {
        if (g_count < static_cast<int>(std::size(g_signals))) {
            g_signals[g_count++] = signal;
        }
    }
    g_endsAtOnce = second == Second::EndsAtOnce;
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnWake(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < g_count; ++i) {
        sigaction(g_signals[i], &action, nullptr);
    }
}

EndSignals::~EndSignals() {
    if (!notifier_) {
        return;
    }
    for (int i = 0; i < g_count; ++i) {
        ::signal(g_signals[i], SIG_DFL);
    }
    notifier_.reset();
    for (int& fd : g_pipe) {
        ::close(fd);
        fd = -1;
    }
}

void EndSignals::OnWake() {
    unsigned char bytes[16];
    int first = 0;
    ssize_t n = 0;
    while ((n = ::read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        if (first == 0) {
            first = bytes[0];
        }
    }
    if (first != 0 && !told_) {
        told_ = true;
        emit requested(first);
    }
}
