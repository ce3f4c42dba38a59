#pragma once
// TerminationSignals: SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the event loop, so that
// the program ends through its own quit path instead of dying where it stands. The signal handler
// does only what is safe in a handler: it writes the signal's number into a pipe (errno kept). A
// QSocketNotifier on the pipe's other end reads it in the event loop and emits Received.
//
// One instance per process, made by main() before anything that the signals must not cut short
// (before the application object too); the handlers are in force from construction, and Received is
// emitted once watch() was called, with the application's event loop there (a signal that came
// before waits in the pipe). The destructor puts the previous handlers back.

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace vellumo {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // From now on (and for a signal that came before), Received is emitted in the event loop.
    void watch();
    // False when the pipe or the handlers could not be set up (the signals then keep their default).
    bool installed() const { return installed_; }

signals:
    void Received(int signalNumber);

private:
    void readPipe();

    bool installed_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vellumo
