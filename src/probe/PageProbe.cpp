#include "probe/PageProbe.h"

#include "platform/TextDecoding.h"
#include "probe/PageMetadata.h"

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

void PageProbe::fetchHTMLData(const QString& port, Callback done)
{
    // Only a decimal port number names a page here; any other text (a wildcard, a path, a user
    // part) would send the request somewhere the listing never named.
    const bool digitsOnly =
        !port.isEmpty() && port.size() <= 5 &&
        std::all_of(port.cbegin(), port.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int number = digitsOnly ? port.toInt() : 0;
    if (number < 1 || number > 65535) {
        done(std::nullopt);
        return;
    }
    tryScheme(port, 0, std::move(done));
}

void PageProbe::tryScheme(const QString& port, int schemeIndex, Callback done)
{
    if (schemeIndex >= int(std::size(kProbeOrder))) {
        done(std::nullopt);
        return;
    }
    const HttpScheme scheme = kProbeOrder[schemeIndex];
    const QUrl address = pageAddress(scheme, port);
    if (!address.isValid() || address.port() < 0) {
        tryScheme(port, schemeIndex + 1, std::move(done));
        return;
    }

    QNetworkRequest request(address);
    QNetworkReply* reply = m_network->get(request);
    auto body = std::make_shared<QByteArray>();
    auto failed = std::make_shared<bool>(false);
    auto fail = [reply, failed] {
        *failed = true;
        reply->abort();
    };

    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, fail);
    deadline->start(m_timeoutMs);

    // Decide on the headers as soon as they arrive, so a large non-HTML reply is never read.
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, fail] {
        if (!isHtml(reply))
            fail();
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, body, fail, limit = m_maxBodyBytes] {
        body->append(reply->readAll());
        if (body->size() > limit)
            fail();
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, body, failed, port, schemeIndex, scheme, done] {
                reply->deleteLater();
                // Any HTTP reply counts, whatever its status: an error page served as HTML is a page.
                const bool answered =
                    !*failed && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
                if (answered)
                    body->append(reply->readAll());
                const bool usable =
                    answered && isHtml(reply) && body->size() <= m_maxBodyBytes && isValidUtf8(*body);
                if (!usable) {
                    tryScheme(port, schemeIndex + 1, done);
                    return;
                }
                const QString page = QString::fromUtf8(*body);
                done(HTMLData{extractTitle(page), detectAppType(page), std::nullopt, scheme});
            });
}

} // namespace tidewell
