#pragma once

#include <QObject>
#include <initializer_list>
#include <memory>

class QSocketNotifier;

// Signals that ask a running program to end (SIGTERM from a session manager or kill, SIGHUP
// when the terminal goes, SIGINT for Ctrl+C), turned into an event of the event loop: a
// signal handler may do little more than write(2), so it only wakes the loop, and the program
// ends from there as it would for any other request. One watcher at a time per process.
class EndSignals : public QObject {
    Q_OBJECT

  public:
    enum class Second {
        // A second signal, while the program is still ending, takes the signal's default action
        // and ends the process at once.
        EndsAtOnce,
        // Every signal is caught until the watcher goes: an end already under way is not cut
        // short.
        Caught,
    };

    EndSignals(std::initializer_list<int> which, Second second);
    // The signals take their default action again.
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // False when no pipe could be made: the signals then keep their default action.
    bool watching() const { return notifier_ != nullptr; }

  signals:
    // The first signal, with its number.
    void requested(int signal);

  private:
    void OnWake();

    std::unique_ptr<QSocketNotifier> notifier_;
    bool told_ = false;
};
