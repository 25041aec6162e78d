#include "probe/PageProbe.h"

#include "platform/TextDecoding.h"
#include "probe/PageMetadata.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace tidewell {

namespace {

constexpr HttpScheme kProbeOrder[] = {HttpScheme::http, HttpScheme::https};

bool isHtml(const QNetworkReply* reply)
{
    // rawHeader finds the header whatever letter case the server used for its name; the value
    // test stays case-sensitive.
    return reply->rawHeader("Content-Type").contains("text/html");
}

bool isRedirect(const QNetworkReply* reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 300 && status < 400 && reply->hasRawHeader("Location");
}

} // namespace

PageProbe::PageProbe(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    // The pages asked for are on this machine; a proxy from the environment must not see them.
    m_network->setProxy(QNetworkProxy::NoProxy);
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
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

void PageProbe::fetchHTMLData(const QString& port, Callback done)
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
    const QDeadlineTimer deadline =
        m_deadlineMs > 0 ? QDeadlineTimer(m_deadlineMs) : QDeadlineTimer(QDeadlineTimer::Forever);
    tryScheme(port, 0, false, deadline, std::move(done));
}

void PageProbe::tryScheme(const QString& port, int schemeIndex, bool answered, QDeadlineTimer deadline,
                          Callback done)
{
    if (schemeIndex >= int(std::size(kProbeOrder)) || deadline.hasExpired()) {
        done(Outcome{std::nullopt, !answered});
        return;
    }
    const HttpScheme scheme = kProbeOrder[schemeIndex];
    const QUrl address = pageAddress(scheme, port);
    if (!address.isValid() || address.port() < 0) {
        tryScheme(port, schemeIndex + 1, answered, deadline, std::move(done));
        return;
    }

    QNetworkRequest request(address);
    request.setTransferTimeout(m_idleTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    QNetworkReply* reply = m_network->get(request);
    auto body = std::make_shared<QByteArray>();
    // A reply turned down on purpose (not a page, too large, leading elsewhere) still shows that a
    // server answers; a timeout does not.
    auto rejected = std::make_shared<bool>(false);
    auto reject = [reply, rejected] {
        *rejected = true;
        reply->abort();
    };

    auto outOfTime = std::make_shared<bool>(false);
    if (!deadline.isForever()) {
        auto* timer = new QTimer(reply);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, reply, [reply, outOfTime] {
            *outOfTime = true;
            reply->abort();
        });
        timer->start(std::chrono::milliseconds(deadline.remainingTime()));
    }

    connect(reply, &QNetworkReply::redirected, reply, [reply, body, reject](const QUrl& target) {
        if (!isLoopbackAddress(target)) {
            reject();
            return;
        }
        body->clear();
        emit reply->redirectAllowed();
    });
    // Decide on the headers as soon as they arrive, so a large non-HTML reply is never read.
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, reject] {
        if (!isRedirect(reply) && !isHtml(reply))
            reject();
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, body, reject, limit = m_maxBodyBytes] {
        if (isRedirect(reply))
            return;
        body->append(reply->readAll());
        if (body->size() > limit)
            reject();
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, body, rejected, outOfTime, port, schemeIndex, scheme, answered, deadline, done] {
                reply->deleteLater();
                if (*outOfTime) {
                    done(Outcome{std::nullopt, !answered});
                    return;
                }
                // Any HTTP reply counts, whatever its status: an error page served as HTML is a page.
                // Qt reports an error status as an error too; only the network range means no reply.
                const QNetworkReply::NetworkError error = reply->error();
                // A server that redirects for ever or whose certificate we refuse will not change
                // its mind later; only silence, a refusal or a broken connection is worth retrying.
                if (error == QNetworkReply::TooManyRedirectsError ||
                    error == QNetworkReply::InsecureRedirectError ||
                    error == QNetworkReply::SslHandshakeFailedError)
                    *rejected = true;
                const bool transportFailed =
                    error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
                const bool complete = !*rejected && !transportFailed &&
                                      reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
                if (complete)
                    body->append(reply->readAll());
                const bool usable = complete && !isRedirect(reply) && isHtml(reply) &&
                                    body->size() <= m_maxBodyBytes && isValidUtf8(*body);
                if (!usable) {
                    tryScheme(port, schemeIndex + 1, answered || complete || *rejected, deadline, done);
                    return;
                }
                const QString page = QString::fromUtf8(*body);
                done(Outcome{HTMLData{extractTitle(page), detectAppType(page), std::nullopt, scheme}, false});
            });
}

} // namespace tidewell
