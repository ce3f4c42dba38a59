#include "platform/runtime/termination_signals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vellumo {

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe of the one instance: [0] read in the event loop, [1] written by the handler.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[kSignals.size()];

extern "C" void onTerminationSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a signal that will end the program: this one may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    }
    installed_ = true;
}

TerminationSignals::~TerminationSignals() {
    if (!installed_)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    notifier_.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::watch() {
    // The notifier needs the application's event loop: it is made here, not with the handlers.
    if (!installed_ || notifier_)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
}

void TerminationSignals::readPipe() {
    unsigned char byte = 0;
    ssize_t n;
    // Every signal that came: the receiver's quit path runs once however many arrive.
    while ((n = ::read(g_pipe[0], &byte, 1)) == 1)
        emit Received(byte);
}

} // namespace vellumo
