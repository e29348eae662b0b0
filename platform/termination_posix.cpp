// Holding back termination signals while a file is between two consistent states.
#include "file_system.h"

#include <csignal>
#include <iterator>
#include <mutex>

namespace platform {

namespace {

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
std::mutex g_holdMutex;
int g_holds = 0;
struct sigaction g_saved[sizeof kTerminationSignals / sizeof kTerminationSignals[0]];
volatile std::sig_atomic_t g_pending = 0;

extern "C" void rememberSignal(int sig)
{
    g_pending = sig;
}

} // namespace

// Handlers rather than a signal mask: the mask is per thread, and any thread of the
// window's process may be the one a signal is delivered to.
TerminationHold::TerminationHold()
{
    std::lock_guard<std::mutex> guard(g_holdMutex);
    if (g_holds++ > 0)
        return;
    g_pending = 0;
    for (std::size_t i = 0; i < std::size(kTerminationSignals); ++i) {
        ::sigaction(kTerminationSignals[i], nullptr, &g_saved[i]);
        // A signal the program handles or ignores itself keeps its own handling.
        if (g_saved[i].sa_handler != SIG_DFL)
            continue;
        struct sigaction hold = {};
        hold.sa_handler = rememberSignal;
        sigemptyset(&hold.sa_mask);
        ::sigaction(kTerminationSignals[i], &hold, nullptr);
    }
}

TerminationHold::~TerminationHold()
{
    std::lock_guard<std::mutex> guard(g_holdMutex);
    if (--g_holds > 0)
        return;
    for (std::size_t i = 0; i < std::size(kTerminationSignals); ++i)
        if (g_saved[i].sa_handler == SIG_DFL)
            ::sigaction(kTerminationSignals[i], &g_saved[i], nullptr);
    if (g_pending != 0)
        std::raise(g_pending);
}

} // namespace platform
