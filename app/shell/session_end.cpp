#include "app/shell/session_end.h"

#include "platform/log.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The pair of sockets that carries a signal from its handler into the event loop: the
// handler may only do async-signal-safe things, a write is one. Set up once per
// process, before the handlers that use it.
int g_SignalSockets[2] = {-1, -1};

void OnTerminationSignal(int nSignal)
{
    const int nSavedErrno = errno;
    // A second signal finds the default action back and ends the process.
    std::signal(nSignal, SIG_DFL);
    const char byte = static_cast<char>(nSignal);
    [[maybe_unused]] const ssize_t nWritten = ::write(g_SignalSockets[0], &byte, 1);
    errno = nSavedErrno;
}

bool OpenSignalSockets()
{
    if (g_SignalSockets[0] >= 0)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_SignalSockets) != 0) {
        LogLine(ELogCategory::Files, "session end: no socket pair for signals (errno %d)", errno);
        return false;
    }
    return true;
}

void CatchSignals(void (*pHandler)(int))
{
    struct sigaction action {};
    action.sa_handler = pHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

CSessionEnd::CSessionEnd()
{
    if (!OpenSignalSockets())
        return;
    m_pNotifier = std::make_unique<QSocketNotifier>(g_SignalSockets[1], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CSessionEnd::OnSignal);
    CatchSignals(OnTerminationSignal);
}

CSessionEnd::~CSessionEnd()
{
    if (m_pNotifier)
        CatchSignals(SIG_DFL);
}

void CSessionEnd::OnSignal()
{
    char bytes[16];
    while (::read(g_SignalSockets[1], bytes, sizeof bytes) > 0) {
    }
    CloseNext();
}

void CSessionEnd::CloseNext()
{
    QWidget* pModal = QApplication::activeModalWidget();
    auto* pDialog = qobject_cast<QDialog*>(pModal);
    if (pDialog != nullptr && pDialog != m_pWindow) {
        pDialog->reject();
        QTimer::singleShot(0, this, &CSessionEnd::CloseNext);
        return;
    }
    if (m_pWindow != nullptr)
        m_pWindow->EndSession();
}
