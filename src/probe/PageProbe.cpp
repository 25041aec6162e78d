#include "probe/PageProbe.h"

#include "platform/TextDecoding.h"
#include "probe/NumericAddress.h"
#include "probe/PageMetadata.h"

#include <QTimer>
#include <algorithm>

namespace tidewell {

namespace {

constexpr HttpScheme kProbeOrder[] = {HttpScheme::http, HttpScheme::https};

// The addresses to connect to for a listening address as the listing names it, in the order to try
// them; empty when it names no address.
QStringList connectAddresses(const QString& host)
{
    const QString ipv4Loopback = QStringLiteral("127.0.0.1");
    const QString ipv6Loopback = QStringLiteral("::1");
    if (host == QLatin1String("*"))
        return {ipv4Loopback, ipv6Loopback};
    QString bare = host;
    if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
        bare = bare.mid(1, bare.size() - 2);
    const std::optional<NumericAddress> address = NumericAddress::parse(bare);
    if (!address)
        return {};
    // A socket bound to every address answers on the loopback one of its family.
    if (address->isAny())
        return {address->family() == AF_INET ? ipv4Loopback : ipv6Loopback};
    return {bare};
}

} // namespace

struct PageProbe::Probe
{
    quint64 id = 0;
    QString port;
    // Where the name "localhost" connects; empty for the loopback addresses.
    QStringList addresses;
    QString host;
    Callback done;
    std::size_t schemeIndex = 0;
    bool answered = false;
    int hops = 0;
    QUrl url;
    PageRequest* request = nullptr;
};

PageProbe::PageProbe(SecureConnector secure, QObject* parent) : QObject(parent), m_secure(std::move(secure))
{}

PageProbe::~PageProbe()
{
    for (const auto& probe : std::as_const(m_probes))
        delete probe->request;
}

QUrl PageProbe::pageAddress(HttpScheme scheme, const QString& port)
{
    return QUrl(httpSchemeText(scheme) + QStringLiteral("://localhost:") + port, QUrl::StrictMode);
}

bool PageProbe::isLoopbackAddress(const QUrl& url)
{
    const QString host = url.host().toLower();
    if (host == QLatin1String("localhost"))
        return true;
    const std::optional<NumericAddress> address = NumericAddress::parse(host);
    return address && address->isLoopback();
}

void PageProbe::fetchHTMLData(const QString& port, const QString& host, Callback done)
{
    // Only a decimal port number names a page here; any other text (a wildcard, a path, a user
    // part) would send the request somewhere the listing never named.
    const bool digitsOnly =
        !port.isEmpty() && port.size() <= 5 &&
        std::all_of(port.cbegin(), port.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int number = digitsOnly ? port.toInt() : 0;
    if (number < 1 || number > 65535) {
        done({});
        return;
    }
    const quint64 id = m_nextId++;
    auto probe = std::make_shared<Probe>();
    probe->id = id;
    probe->port = port;
    probe->done = std::move(done);
    probe->addresses = connectAddresses(host);
    if (!probe->addresses.isEmpty()) {
        // As QUrl::host() gives it, for the redirect test: without brackets.
        probe->host = QString(host).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    }
    m_probes.insert(id, probe);
    if (m_deadlineMs > 0) {
        QTimer::singleShot(m_deadlineMs, this, [this, id] {
            if (const auto running = m_probes.value(id))
                finish(id, Outcome{std::nullopt, !running->answered});
        });
    }
    tryScheme(*probe);
}

void PageProbe::tryScheme(Probe& probe)
{
    if (probe.schemeIndex >= std::size(kProbeOrder)) {
        finish(probe.id, Outcome{std::nullopt, !probe.answered});
        return;
    }
    const QUrl address = pageAddress(kProbeOrder[probe.schemeIndex], probe.port);
    probe.hops = 0;
    request(probe, address);
}

void PageProbe::request(Probe& probe, const QUrl& url)
{
    PageRequest::Limits limits;
    limits.idleTimeoutMs = m_idleTimeoutMs;
    limits.maxHeaderBytes = kMaxHeaderBytes;
    limits.maxBodyBytes = m_maxBodyBytes;
    limits.localhostAddresses = probe.addresses;
    limits.extraCertificates = m_extraCertificates;
    probe.url = url;
    probe.request =
        new PageRequest(url, limits, m_secure,
                        [this, id = probe.id](const PageRequest::Reply& reply) { replied(id, reply); });
}

void PageProbe::replied(quint64 id, const PageRequest::Reply& reply)
{
    const auto probe = m_probes.value(id);
    if (!probe)
        return;
    // The request is the caller: it goes once it has returned.
    std::exchange(probe->request, nullptr)->deleteLater();
    using Ending = PageRequest::Ending;
    // A reply turned down on purpose (not a page, too large, leading elsewhere) and a refused
    // certificate show a server that answers and will not change its mind; silence does not.
    probe->answered = probe->answered || reply.ending != Ending::failed || reply.untrusted;
    if (reply.ending == Ending::complete && PageRequest::isRedirect(reply.status)) {
        const QUrl target = probe->url.resolved(QUrl::fromEncoded(reply.location));
        const bool local =
            isLoopbackAddress(target) || (!probe->host.isEmpty() && target.host() == probe->host);
        const bool downgrade =
            probe->url.scheme() == QLatin1String("https") && target.scheme() != probe->url.scheme();
        const bool web =
            target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https");
        if (target.isValid() && web && local && !downgrade && ++probe->hops <= kMaxRedirects) {
            request(*probe, target);
            return;
        }
    } else if (reply.ending == Ending::complete && isValidUtf8(reply.body)) {
        const QString page = QString::fromUtf8(reply.body);
        finish(id, Outcome{HTMLData{extractTitle(page), detectAppType(page), std::nullopt,
                                    kProbeOrder[probe->schemeIndex]},
                           false});
        return;
    }
    probe->schemeIndex += 1;
    tryScheme(*probe);
}

void PageProbe::finish(quint64 id, Outcome outcome)
{
    const auto probe = m_probes.take(id);
    if (!probe)
        return;
    if (probe->request) {
        // Past the deadline: the connection closes now, and nothing more is read from it.
        probe->request->abort();
        probe->request->deleteLater();
    }
    probe->done(std::move(outcome));
}

} // namespace tidewell
