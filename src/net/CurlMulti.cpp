#include "net/CurlMulti.h"

#include <QSocketNotifier>

#include <mutex>

namespace tidewell {

namespace {

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A notifier that goes away later: it may be the one whose signal is being delivered.
void retire(QSocketNotifier* notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier->deleteLater();
}

} // namespace

CurlMulti::CurlMulti(QObject* parent) : QObject(parent)
{
    initialiseCurl();
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
    // Transfers handed to it as children stop while their multi is still whole.
    const QObjectList owned = children();
    qDeleteAll(owned);
    for (auto it = m_running.cbegin(); it != m_running.cend(); ++it)
        curl_multi_remove_handle(m_multi, it.key());
    curl_multi_cleanup(m_multi);
}

CurlMulti* CurlMulti::shared()
{
    // Left to the end of the process, as one session per program should be.
    static auto* multi = new CurlMulti;
    return multi;
}

void CurlMulti::add(CURL* easy, Done done)
{
    m_running.insert(easy, std::move(done));
    // libcurl asks for its timer at once; the transfer begins when it fires, on the event loop.
    curl_multi_add_handle(m_multi, easy);
}

void CurlMulti::remove(CURL* easy)
{
    if (m_running.remove(easy) > 0)
        curl_multi_remove_handle(m_multi, easy);
}

int CurlMulti::onSocket(CURL*, curl_socket_t socket, int what, void* self, void* watch)
{
    static_cast<CurlMulti*>(self)->watch(socket, what, static_cast<Watch*>(watch));
    return 0;
}

int CurlMulti::onTimer(CURLM*, long timeoutMs, void* self)
{
    auto* multi = static_cast<CurlMulti*>(self);
    // Acted on from the event loop, never from inside libcurl's own call.
    if (timeoutMs < 0)
        multi->m_timer.stop();
    else
        multi->m_timer.start(int(timeoutMs));
    return 0;
}

void CurlMulti::watch(curl_socket_t socket, int what, Watch* existing)
{
    if (what == CURL_POLL_REMOVE) {
        if (existing) {
            retire(existing->read);
            retire(existing->write);
            delete existing;
        }
        curl_multi_assign(m_multi, socket, nullptr);
        return;
    }
    Watch* watch = existing;
    if (!watch) {
        watch = new Watch{socket};
        curl_multi_assign(m_multi, socket, watch);
    }
    const auto notifier = [this, socket](QSocketNotifier*& slot, QSocketNotifier::Type type, bool wanted,
                                         int events) {
        if (!wanted) {
            retire(std::exchange(slot, nullptr));
            return;
        }
        if (slot)
            return;
        slot = new QSocketNotifier(qintptr(socket), type, this);
        connect(slot, &QSocketNotifier::activated, this, [this, socket, events] { act(socket, events); });
    };
    notifier(watch->read, QSocketNotifier::Read, what == CURL_POLL_IN || what == CURL_POLL_INOUT,
             CURL_CSELECT_IN);
    notifier(watch->write, QSocketNotifier::Write, what == CURL_POLL_OUT || what == CURL_POLL_INOUT,
             CURL_CSELECT_OUT);
}

void CurlMulti::act(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    takeFinished();
}

void CurlMulti::takeFinished()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* const easy = message->easy_handle;
        const CURLcode result = message->data.result;
        curl_multi_remove_handle(m_multi, easy);
        // The receiver may start or stop other transfers, or free this one's handle.
        if (Done done = m_running.take(easy))
            done(result);
    }
}

} // namespace tidewell
