#include "probe/CurlMulti.h"

#include <QSocketNotifier>

namespace tidewell {

namespace {

// A notifier may be the one whose signal is being delivered: it is switched off now and freed later.
void retire(QSocketNotifier*& notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
}

} // namespace

CurlMulti::CurlMulti(QObject* parent) : QObject(parent)
{
    // Safe to call from any thread and more than once since libcurl 7.84.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_multi = curl_multi_init();
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlMulti::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlMulti::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

CurlMulti::~CurlMulti()
{
    for (auto it = m_running.cbegin(); it != m_running.cend(); ++it)
        curl_multi_remove_handle(m_multi, it.key());
    curl_multi_cleanup(m_multi);
    for (Watch& watch : m_watches) {
        delete watch.read;
        delete watch.write;
    }
}

void CurlMulti::start(CURL* easy, Finished finished)
{
    m_running.insert(easy, std::move(finished));
    // Adding asks for a timeout of 0 through onTimer; the transfer begins on the next turn of the
    // event loop.
    curl_multi_add_handle(m_multi, easy);
}

void CurlMulti::cancel(CURL* easy)
{
    if (m_running.remove(easy) > 0)
        curl_multi_remove_handle(m_multi, easy);
}

int CurlMulti::onSocket(CURL*, curl_socket_t socket, int what, void* self, void*)
{
    static_cast<CurlMulti*>(self)->watch(socket, what);
    return 0;
}

int CurlMulti::onTimer(CURLM*, long timeoutMs, void* self)
{
    // libcurl must not be called back from here: a due timer fires on the next turn of the loop.
    QTimer& timer = static_cast<CurlMulti*>(self)->m_timer;
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(int(std::min<long>(timeoutMs, 24 * 3600 * 1000)));
    return 0;
}

void CurlMulti::watch(curl_socket_t socket, int what)
{
    Watch& watch = m_watches[socket];
    if (what == CURL_POLL_REMOVE) {
        retire(watch.read);
        retire(watch.write);
        m_watches.remove(socket);
        return;
    }
    const auto follow = [this, socket](QSocketNotifier*& notifier, QSocketNotifier::Type type, bool wanted,
                                       int event) {
        if (!wanted) {
            if (notifier)
                notifier->setEnabled(false);
            return;
        }
        if (!notifier) {
            notifier = new QSocketNotifier(qintptr(socket), type, this);
            connect(notifier, &QSocketNotifier::activated, this,
                    [this, socket, event] { act(socket, event); });
        }
        notifier->setEnabled(true);
    };
    follow(watch.read, QSocketNotifier::Read, what == CURL_POLL_IN || what == CURL_POLL_INOUT,
           CURL_CSELECT_IN);
    follow(watch.write, QSocketNotifier::Write, what == CURL_POLL_OUT || what == CURL_POLL_INOUT,
           CURL_CSELECT_OUT);
}

void CurlMulti::act(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    collectFinished();
}

void CurlMulti::collectFinished()
{
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* const easy = message->easy_handle;
        const CURLcode result = message->data.result;
        curl_multi_remove_handle(m_multi, easy);
        // The callback may start or cancel other transfers, and free this one.
        if (Finished finished = m_running.take(easy))
            finished(result);
    }
}

} // namespace tidewell
