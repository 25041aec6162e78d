#pragma once

#include "gui/process/AppServices.h"

#include <QSize>
#include <QTimer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace tidewell {

class FailureLine;

class IgnoredPortsToggle;
class ImpactRevealOverlay;
class MenuKeyboardControl;
class PortsTab;
class QuickLaunchList;
class TabButton;
class UpdatePage;

// Everything the menu-bar window shows: the header with the tab buttons and the gear menu, the
// list of the selected tab (or a settings or update page), and under the port list the button
// for the other listeners. It refreshes the port lists every two seconds while it is open. Typing
// on the ports or quick-launch tab opens a search field under the header that filters the rows.
class AppMenu : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRefreshIntervalMs = 2000;
    static constexpr int kMaxListHeight = 300;
    static constexpr int kWindowWidth = 380;
    static constexpr int kPulseMs = 500;
    // The refresh an opening starts waits for the window's first frame, at most this long.
    static constexpr int kOpenWorkFallbackMs = 100;
    static inline const QString kSupportAddress = QStringLiteral("support@orvane.com");

    explicit AppMenu(const AppServices* services, QWidget* parent = nullptr);

    // Follows the window: opening starts the refresh and the watch for new listeners, closing
    // stops both.
    void setMenuPresented(bool presented);
    // The tick that refreshes everything else; benchmarks lengthen it.
    void setRefreshIntervalMs(int ms) { m_timer.setInterval(ms); }

    // The list area grows with its content up to kMaxListHeight, then scrolls.
    static int listAreaHeight(int contentHeight, int bottomBarHeightPlusSpacing);
    // "v1.2.0 (42)"; a part that is missing shows as a warning sign.
    static QString versionLabel(const QString& shortVersion, const QString& buildVersion);

    // MenuKeyboardControl and TidewellMenu work on these.
    PortsTab* portsTab() const { return m_portsTab; }
    QuickLaunchList* quickLaunchTab() const { return m_quickLaunchTab; }
    QLineEdit* filterField() const { return m_filterField; }
    QScrollArea* listScroll() const { return m_scroll; }

signals:
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Lets tests see whether the refresh tick runs.
    friend struct AppMenuTestSeam;

    QWidget* buildHeader();
    QMenu* buildGearMenu();
    void showPage();
    void updateTabButtons();
    void updateListHeight();
    void scheduleListHeightUpdate();
    void refreshPortLists();
    void startOpenWork();
    void quickLaunchDataChanged(const QString& json);
    void openMail(const QString& subject);

    const AppServices* m_services;
    bool m_isMenuPresented = false;
    QTimer m_timer;
    QSize m_bottomViewContentSize{0, 0};
    QString m_previousQuickLaunchData;
    bool m_listHeightUpdatePending = false;
    bool m_portsUpdatePending = false;
    bool m_openWorkPending = false;

    QLabel* m_title = nullptr;
    QPushButton* m_back = nullptr;
    QWidget* m_homeButtons = nullptr;
    TabButton* m_vercelToggle = nullptr;
    TabButton* m_xrayToggle = nullptr;
    TabButton* m_quickLaunchToggle = nullptr;
    QToolButton* m_gear = nullptr;
    QMenu* m_gearMenu = nullptr;
    FailureLine* m_failure = nullptr;
    QLineEdit* m_filterField = nullptr;
    QWidget* m_listArea = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_pages = nullptr;
    PortsTab* m_portsTab = nullptr;
    QuickLaunchList* m_quickLaunchTab = nullptr;
    QWidget* m_vercelTab = nullptr;
    QWidget* m_settingsPage = nullptr;
    QWidget* m_updatePage = nullptr;
    // Made afresh each time the page opens, so that every opening checks again.
    UpdatePage* m_updatePageContent = nullptr;
    IgnoredPortsToggle* m_bottomBar = nullptr;
    ImpactRevealOverlay* m_reveal = nullptr;
    MenuKeyboardControl* m_keyboard = nullptr;
};

} // namespace tidewell
