#include "probe/PageProbe.h"

#include "platform/OpenFileLimit.h"
#include "probe/PageMetadata.h"
#include "probe/PageText.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cstring>

namespace tidewell {

namespace {

constexpr HttpScheme kProbeOrder[] = {HttpScheme::http, HttpScheme::https};

// A numeric address as the system reads it, in network order, with its family; AF_UNSPEC for a name
// or anything else. A zone ("%eth0") is not part of the address.
struct Address
{
    int family = AF_UNSPEC;
    unsigned char bytes[16] = {};
};

Address readAddress(const QString& text)
{
    Address address;
    const QByteArray bare = text.section(QLatin1Char('%'), 0, 0).toLatin1();
    if (inet_pton(AF_INET, bare.constData(), address.bytes) == 1)
        address.family = AF_INET;
    else if (inet_pton(AF_INET6, bare.constData(), address.bytes) == 1)
        address.family = AF_INET6;
    return address;
}

bool isAny(const Address& address)
{
    const int length = address.family == AF_INET ? 4 : 16;
    return std::all_of(address.bytes, address.bytes + length, [](unsigned char byte) { return byte == 0; });
}

bool isLoopback(const Address& address)
{
    static const unsigned char ipv6Loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    static const unsigned char ipv4Mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (address.family == AF_INET)
        return address.bytes[0] == 127;
    if (address.family != AF_INET6)
        return false;
    return std::equal(address.bytes, address.bytes + 16, ipv6Loopback) ||
           (std::equal(address.bytes, address.bytes + 12, ipv4Mapped) && address.bytes[12] == 127);
}

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
    const Address address = readAddress(bare);
    if (address.family == AF_UNSPEC)
        return {};
    // A socket bound to every address answers on the loopback one of its family.
    if (isAny(address))
        return {address.family == AF_INET ? ipv4Loopback : ipv6Loopback};
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
    // What the server is shown as when no scheme gives a page: its reply described.
    std::optional<HTMLData> described;
    int hops = 0;
    QUrl url;
    PageRequest* request = nullptr;
};

PageProbe::PageProbe(QObject* parent) : QObject(parent)
{
    // Every new server is asked at once, one connection each.
    OpenFileLimit::raiseToHardLimit();
}

PageProbe::~PageProbe()
{
    // Before the multi they run on goes, finished ones waiting for deletion included.
    qDeleteAll(findChildren<PageRequest*>(Qt::FindDirectChildrenOnly));
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
    return isLoopback(readAddress(host));
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
                finish(id, Outcome{running->described, running->described.has_value(), !running->answered});
        });
    }
    tryScheme(*probe);
}

void PageProbe::tryScheme(Probe& probe)
{
    if (probe.schemeIndex >= std::size(kProbeOrder)) {
        finish(probe.id, Outcome{probe.described, probe.described.has_value(), !probe.answered});
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
    limits.proxy = m_proxy;
    probe.url = url;
    probe.request = new PageRequest(
        url, limits, &m_multi, [this, id = probe.id](const PageRequest::Reply& reply) { replied(id, reply); },
        this);
}

void PageProbe::replied(quint64 id, const PageRequest::Reply& reply)
{
    const auto probe = m_probes.value(id);
    if (!probe)
        return;
    // The request is the caller: it goes once it has returned.
    std::exchange(probe->request, nullptr)->deleteLater();
    using Ending = PageRequest::Ending;
    // A reply turned down on purpose (not a page, leading elsewhere) shows a server that answers and
    // will not change its mind; silence does not.
    probe->answered = probe->answered || reply.ending != Ending::failed;
    const HttpScheme scheme = kProbeOrder[probe->schemeIndex];
    const auto describe = [&](const QString& title) {
        // The first scheme's answer stands, as it is the one a user's browser gets.
        if (!probe->described)
            probe->described = HTMLData{title, AppType::unknown, std::nullopt, scheme};
    };
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
        describe(describeRedirect(target));
    } else if (reply.ending == Ending::complete) {
        const QString page = PageText::decode(reply.body, reply.contentType);
        finish(id, Outcome{HTMLData{extractTitle(page), detectAppType(page), std::nullopt, scheme}, false,
                           false});
        return;
    } else if (reply.ending == Ending::rejected) {
        describe(describeReply(reply.contentType, reply.status));
    }
    probe->schemeIndex += 1;
    tryScheme(*probe);
}

QString PageProbe::describeReply(const QByteArray& contentType, int status)
{
    const QByteArray media = contentType.split(',').value(0).split(';').value(0).trimmed().toLower();
    if (media == "application/json" || media.endsWith("+json") || media == "text/json")
        return QCoreApplication::translate("PageProbe", "JSON API");
    // A media type is a token of letters, digits and a few signs; anything else is not one.
    const bool plain =
        !media.isEmpty() && media.size() <= 100 && std::all_of(media.cbegin(), media.cend(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::strchr("/+-.!#$&^_", c);
        });
    return plain ? QString::fromLatin1(media) : QStringLiteral("HTTP %1").arg(status);
}

QString PageProbe::describeRedirect(const QUrl& target)
{
    const QString host = target.host(QUrl::EncodeUnicode);
    return QCoreApplication::translate("PageProbe", "redirects to %1")
        .arg(host.isEmpty() ? target.scheme() + QStringLiteral("://") : host);
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
