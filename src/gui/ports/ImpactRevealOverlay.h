#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace tidewell {

// The faint wave laid over the window when x-ray mode comes on: it spreads from the top right,
// where the x-ray button sits, then fades away. Drawn at 0.1 opacity in overlay composition;
// while x-ray mode is off there is no overlay at all.
class ImpactRevealOverlay : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRevealMs = 1200;
    static constexpr int kFadeMs = 400;
    // The wave is soft; 30 frames a second draw it smoothly at half the cost of 60.
    static constexpr int kFrameMs = 33;

    explicit ImpactRevealOverlay(QWidget* covered);

    void setEffectPlaying(bool playing);
    bool effectPlaying() const { return m_playing; }
    // Seconds since the effect's clock last restarted.
    double elapsedSeconds() const;
    bool isAnimating() const { return m_frames.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void restartClock();

    QWidget* m_covered;
    bool m_playing = false;
    QElapsedTimer m_startDate;
    QTimer m_frames;
};

} // namespace tidewell
