#include "gui/process/ProcessItem.h"
#include "gui/process/XrayStatsPoller.h"
#include "gui/widgets/AssetIcon.h"
#include "gui/widgets/SymbolIcons.h"
#include "support/ServicesFixture.h"
#include "support/WidgetHelpers.h"

#include <QGraphicsEffect>
#include <QPainter>
#include <QTest>
#include <map>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// The colour most pixels of `area` have: the row's background behind a part.
QRgb commonest(const QImage& image, const QRect& area)
{
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    return std::max_element(counts.cbegin(), counts.cend(),
                            [](auto a, auto b) { return a.second < b.second; })
        ->first;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Where a part draws within its own rectangle (in the image's pixels): the pixels that differ plainly
// from the row's background, in the part's logical coordinates.
QRectF ink(const QImage& image, const QRect& logical, qreal scale)
{
    const QRect area = QRectF(QPointF(logical.topLeft()) * scale, QSizeF(logical.size()) * scale).toRect();
    const QRgb background = commonest(image, image.rect());
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!near(image.pixel(x, y), background, 64))
                found |= QRect(x, y, 1, 1);
        }
    }
    return QRectF(QPointF(found.topLeft()) / scale, QSizeF(found.size()) / scale);
}

// `image` laid on `background`, so that text drawn on a transparent row counts as drawn.
QImage onBackground(const QImage& image, const QColor& background)
{
    QImage laid(image.size(), QImage::Format_RGB32);
    laid.fill(background);
    QImage pixels = image;
    pixels.setDevicePixelRatio(1); // drawn pixel for pixel
    QPainter painter(&laid);
    painter.drawImage(0, 0, pixels);
    painter.end();
    return laid;
}

// The share of pixels of `a` and `b` (of one size) that look alike.
double alike(const QImage& a, const QImage& b)
{
    int same = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            same += near(a.pixel(x, y), b.pixel(x, y), 24);
    }
    return double(same) / (a.width() * a.height());
}

} // namespace

// A server's row as the screen shows it, at the screen's scale, against the same row drawn at 1x: the
// same parts in the same places with twice the pixels, and icons drawn from their SVG at the screen's
// pixels rather than enlarged. Run at 1x, at QT_SCALE_FACTOR=2 and on an X screen whose Xft.dpi is 192;
// TIDEWELL_TEST_SCALE says which scale the run must find.
class RowScalingTest : public QObject
{
    Q_OBJECT
private slots:
    void rowIsTheSameRowScaled_data()
    {
        QTest::addColumn<PortData>("entry");
        QTest::addColumn<bool>("xray");
        QTest::addColumn<bool>("small");
        const ProcessInfo origin{u"/home/dev/web"_s, u"npm run dev"_s};
        const HTMLData react{u"Web shop — checkout and payment pages"_s, AppType::react, std::nullopt,
                             HttpScheme::http};
        QTest::newRow("node with a React page")
            << PortData(u"node"_s, u"5173"_s, u"41"_s, react, origin) << false << false;
        QTest::newRow("x-ray readings")
            << PortData(u"node"_s, u"5173"_s, u"41"_s, react, origin) << true << false;
        QTest::newRow("no answer") << PortData(u"python3"_s, u"8000"_s, u"42"_s) << false << false;
        QTest::newRow("ssh forward") << PortData(u"ssh"_s, u"2222"_s, u"43"_s) << false << false;
        QTest::newRow("another listener") << PortData(u"postgres"_s, u"5432"_s, u"44"_s) << false << true;
    }

    void rowIsTheSameRowScaled()
    {
        QFETCH(PortData, entry);
        QFETCH(bool, xray);
        QFETCH(bool, small);
        ServicesFixture fixture;
        fixture.state.setXrayMode(xray);
        AppServices* services = fixture.services();
        services->readStats =
            steadyReadings(ProcessStats{u"12.5"_s, u"0.4"_s, u"83.20MB"_s, u"feature/checkout"_s});
        ProcessItem row(entry, small, services);
        row.resize(360, row.height());
        row.show();
        QVERIFY(QTest::qWaitForWindowExposed(&row));
        XrayStatsPoller poller(services, [&row] { return QList<ProcessItem*>{&row}; });
        if (xray) {
            poller.readNow();
            QTRY_VERIFY(row.stats().has_value());
        }
        // The hover effect keeps its own picture of the row from the last paint, which a second drawing
        // into another device would reuse; the row is compared as it lays out, without it.
        if (row.graphicsEffect())
            row.graphicsEffect()->setEnabled(false);
        const qreal scale = row.devicePixelRatioF();
        QCOMPARE(scale, qEnvironmentVariable("TIDEWELL_TEST_SCALE", u"1"_s).toDouble());
        const QColor background = row.palette().window().color();
        // Drawn the way grab() draws, into a pixmap, but at one pixel a point.
        QPixmap single(row.size());
        single.setDevicePixelRatio(1);
        single.fill(Qt::transparent);
        row.render(&single);
        const QImage plain = onBackground(single.toImage(), background);
        const QImage onScreen = onBackground(row.grab().toImage(), background);
        QCOMPARE(onScreen.size(), row.size() * scale);
        const QList<QWidget*> parts = row.findChildren<QWidget*>();
        int compared = 0;
        for (QWidget* part : parts) {
            if (!part->isVisible() || part->objectName().isEmpty() || part->width() < 4 || part->height() < 4)
                continue;
            const QRect place(part->mapTo(&row, QPoint(0, 0)), part->size());
            // Every part within the row: nothing is cut at either scale.
            QVERIFY2(row.rect().contains(place), qPrintable(part->objectName()));
            const QRectF one = ink(plain, place, 1);
            const QRectF scaled = ink(onScreen, place, scale);
            QString where;
            QDebug(&where) << part->objectName() << "at 1x" << one << "at the screen's scale" << scaled;
            QVERIFY2(scaled.isEmpty() == one.isEmpty(), qPrintable(where));
            // Text is hinted to each scale's pixels, so its edges may move by a pixel or two.
            const QRectF slack(-2.5, -2.5, 5, 5);
            QVERIFY2(slack.contains(scaled.topLeft() - one.topLeft()) &&
                         slack.contains(scaled.bottomRight() - one.bottomRight()),
                     qPrintable(where));
            ++compared;
            if (auto* icon = qobject_cast<AssetIcon*>(part)) {
                // Sharp: the icon as its SVG draws at the screen's pixels, over the row's background.
                const QRect area =
                    QRectF(QPointF(place.topLeft()) * scale, QSizeF(place.size()) * scale).toRect();
                const QImage shown = onScreen.copy(area);
                QImage drawn(shown.size(), QImage::Format_ARGB32_Premultiplied);
                drawn.fill(commonest(onScreen, area));
                drawn.setDevicePixelRatio(scale);
                QPainter painter(&drawn);
                SymbolIcons::asset(icon->assetName()).paint(&painter, QRect(QPoint(0, 0), place.size()));
                painter.end();
                QVERIFY2(alike(shown, drawn) >= 0.97, qPrintable(icon->objectName()));
            }
        }
        QVERIFY2(compared >= 3, "the row shows its icon, port and title");
    }
};

QTEST_MAIN(RowScalingTest)
#include "tst_rowscaling.moc"
