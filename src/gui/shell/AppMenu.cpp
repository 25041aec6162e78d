#include "gui/shell/AppMenu.h"

#include "gui/deployments/DeploymentsTab.h"
#include "gui/deployments/TeamsMenu.h"
#include "gui/ports/IgnoredPortsToggle.h"
#include "gui/ports/ImpactRevealOverlay.h"
#include "gui/ports/PortsTab.h"
#include "gui/quicklaunch/QuickLaunchList.h"
#include "gui/settings/SettingsPage.h"
#include "gui/shell/MenuKeyboardControl.h"
#include "gui/update/UpdatePage.h"
#include "gui/widgets/FailureLine.h"
#include "gui/widgets/OverlayScrollBar.h"
#include "gui/widgets/SymbolIcons.h"
#include "gui/widgets/TabButton.h"
#include "platform/LogCategories.h"
#include "ports/PortListRefresher.h"
#include "state/AppState.h"
#include "state/AsyncTask.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace tidewell {

namespace {

constexpr int kBottomBarSpacing = 10;

QWidget* emptyPage(const char* objectName, QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName(QLatin1String(objectName));
    page->setMinimumHeight(40);
    return page;
}

} // namespace

AppMenu::AppMenu(const AppServices* services, QWidget* parent) : QWidget(parent), m_services(services)
{
    setObjectName(QStringLiteral("appMenu"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 16, 10, 8);
    layout->setSpacing(8);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    layout->addWidget(buildHeader());
    // Under the header: what the gear menu's actions could not start.
    m_failure = new FailureLine(this);
    m_failure->setFixedWidth(kWindowWidth - 20);
    layout->addWidget(m_failure);

    m_filterField = new QLineEdit(this);
    m_filterField->setObjectName(QStringLiteral("filterField"));
    m_filterField->setFixedWidth(kWindowWidth - 20);
    m_filterField->setAccessibleName(tr("Find servers"));
    m_filterField->setAccessibleDescription(tr("Keeps the rows whose port, title, process, folder or command "
                                               "hold every word typed; Escape clears it"));
    m_filterField->hide();
    layout->addWidget(m_filterField);
    connect(m_filterField, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filterField->setVisible(!text.isEmpty());
        // Keys typed after the field closes come back to the window, which may open it again.
        if (text.isEmpty())
            setFocus();
        m_services->state->setFilterText(text);
    });

    m_listArea = new QWidget(this);
    m_listArea->setObjectName(QStringLiteral("listArea"));
    m_listArea->setFixedWidth(kWindowWidth - 20);
    auto* listLayout = new QVBoxLayout(m_listArea);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(kBottomBarSpacing);

    m_pages = new QWidget;
    m_pages->setObjectName(QStringLiteral("pages"));
    auto* pagesLayout = new QVBoxLayout(m_pages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    pagesLayout->setSpacing(0);
    m_portsTab = new PortsTab(m_services, m_pages);
    m_quickLaunchTab = new QuickLaunchList(m_services, m_pages);
    m_vercelTab = new DeploymentsTab(m_services, m_pages);
    m_settingsPage = new SettingsPage(m_services->loginItem.get(), m_services->state, m_pages);
    m_updatePage = emptyPage("updatePage", m_pages);
    new QVBoxLayout(m_updatePage);
    m_updatePage->layout()->setContentsMargins(0, 0, 0, 0);
    for (QWidget* page : {static_cast<QWidget*>(m_portsTab), static_cast<QWidget*>(m_quickLaunchTab),
                          m_vercelTab, m_settingsPage, m_updatePage})
        pagesLayout->addWidget(page);
    pagesLayout->addStretch(1);
    m_pages->installEventFilter(this);

    m_scroll = new QScrollArea(m_listArea);
    m_scroll->setObjectName(QStringLiteral("listScroll"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(m_pages);
    m_scroll->viewport()->setAutoFillBackground(false);
    new OverlayScrollBar(m_scroll);
    m_pages->setAutoFillBackground(false);
    listLayout->addWidget(m_scroll, 1);

    m_bottomBar = new IgnoredPortsToggle(m_listArea);
    m_bottomBar->installEventFilter(this);
    connect(m_bottomBar, &IgnoredPortsToggle::clicked, this,
            [this] { m_services->state->setShowIgnoredPorts(!m_services->state->showIgnoredPorts()); });
    listLayout->addWidget(m_bottomBar);
    layout->addWidget(m_listArea);

    m_reveal = new ImpactRevealOverlay(this);

    AppState* state = m_services->state;
    connect(state, &AppState::selectedTabChanged, this, &AppMenu::showPage);
    connect(state, &AppState::selectedViewChanged, this, &AppMenu::showPage);
    // The words filter rows of the ports and quick-launch tabs only; elsewhere they would hide nothing.
    connect(state, &AppState::selectedTabChanged, this, [this](SelectedTab tab) {
        if (tab == SelectedTab::vercel)
            m_filterField->clear();
    });
    connect(state, &AppState::selectedViewChanged, m_filterField, &QLineEdit::clear);
    connect(state, &AppState::showIgnoredPortsChanged, m_bottomBar, &IgnoredPortsToggle::setShowingIgnored);
    connect(state, &AppState::xrayModeChanged, this, [this](bool on) {
        m_xrayToggle->setChecked(on);
        m_xrayToggle->bounce();
        m_reveal->setEffectPlaying(on);
    });
    connect(state, &AppState::quickLaunchDataChanged, this, &AppMenu::quickLaunchDataChanged);
    m_bottomBar->setShowingIgnored(state->showIgnoredPorts());
    m_reveal->setEffectPlaying(state->xrayMode());

    PortListRefresher* refresher = m_services->refresher;
    // Probes finish one by one; their rows are laid out together, once per pass of the event loop.
    connect(refresher, &PortListRefresher::portsChanged, this, [this] {
        if (std::exchange(m_portsUpdatePending, true))
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_portsUpdatePending = false;
                m_portsTab->setPorts(m_services->refresher->sortedListedPorts());
            },
            Qt::QueuedConnection);
    });
    connect(refresher, &PortListRefresher::ignoredPortsChanged, this,
            [this] { m_portsTab->setIgnoredPorts(m_services->refresher->sortedIgnoredPorts()); });
    m_portsTab->setPorts(refresher->sortedListedPorts());
    m_portsTab->setIgnoredPorts(refresher->sortedIgnoredPorts());

    m_timer.setInterval(kRefreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_isMenuPresented)
            refreshPortLists();
    });

    // Made last, so that it hears of new rows after the lists have drawn them.
    m_keyboard = new MenuKeyboardControl(this, m_services);
    showPage();
    // Saved items found at start count as a change from nothing, so the bolt pulses once.
    quickLaunchDataChanged(state->quickLaunchData());
    // The lists are filled once at start, so that the first opening already shows them.
    refreshPortLists();
}

QWidget* AppMenu::buildHeader()
{
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("header"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(4);

    m_title = new QLabel(header);
    m_title->setObjectName(QStringLiteral("title"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setStretch(QFont::Expanded);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    m_title->setFont(titleFont);
    row->addWidget(m_title);
    row->addStretch(1);

    m_back = new QPushButton(tr("Back"), header);
    m_back->setObjectName(QStringLiteral("back"));
    m_back->setFlat(true);
    connect(m_back, &QPushButton::clicked, this,
            [this] { m_services->state->setSelectedView(SelectedView::home); });
    row->addWidget(m_back);

    m_homeButtons = new QWidget(header);
    auto* buttons = new QHBoxLayout(m_homeButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(2);
    m_vercelToggle = new TabButton(QStringLiteral("cloud"), QColor(255, 149, 0), m_homeButtons);
    m_vercelToggle->setObjectName(QStringLiteral("vercelToggle"));
    m_vercelToggle->setToolTip(tr("Deployments"));
    m_vercelToggle->setAccessibleName(tr("Deployments"));
    m_vercelToggle->setAccessibleDescription(tr("Shows the latest Vercel deployment of each project"));
    connect(m_vercelToggle, &TabButton::clicked, this,
            [this] { m_services->state->setSelectedTab(SelectedTab::vercel); });
    m_xrayToggle =
        new TabButton(QStringLiteral("dot.radiowaves.left.and.right"), QColor(50, 173, 230), m_homeButtons);
    m_xrayToggle->setObjectName(QStringLiteral("xrayToggle"));
    m_xrayToggle->setToolTip(tr("Ports; press again for x-ray"));
    m_xrayToggle->setAccessibleName(tr("Ports and x-ray"));
    m_xrayToggle->setAccessibleDescription(tr("Shows the ports; pressed while they are shown, turns x-ray "
                                              "mode with CPU, memory and branch on or off"));
    m_xrayToggle->setCheckable(true);
    m_xrayToggle->setChecked(m_services->state->xrayMode());
    connect(m_xrayToggle, &TabButton::clicked, this, [this] {
        AppState* state = m_services->state;
        if (state->selectedTab() != SelectedTab::ports)
            state->setSelectedTab(SelectedTab::ports);
        else
            state->setXrayMode(!state->xrayMode());
    });
    m_quickLaunchToggle = new TabButton(QStringLiteral("bolt.fill"), QColor(255, 204, 0), m_homeButtons);
    m_quickLaunchToggle->setObjectName(QStringLiteral("quickLaunchToggle"));
    m_quickLaunchToggle->setToolTip(tr("Quick launch"));
    m_quickLaunchToggle->setAccessibleName(tr("Quick launch"));
    m_quickLaunchToggle->setAccessibleDescription(tr("Shows the saved servers, to start them again"));
    connect(m_quickLaunchToggle, &TabButton::clicked, this,
            [this] { m_services->state->setSelectedTab(SelectedTab::quickLaunch); });
    buttons->addWidget(m_vercelToggle);
    buttons->addWidget(m_xrayToggle);
    buttons->addWidget(m_quickLaunchToggle);

    m_gear = new QToolButton(m_homeButtons);
    m_gear->setObjectName(QStringLiteral("gear"));
    m_gear->setAutoRaise(true);
    m_gear->setToolTip(tr("More"));
    m_gear->setAccessibleName(tr("More"));
    m_gear->setAccessibleDescription(tr("Settings, refresh, contact, teams, updates and quit"));
    m_gear->setIcon(SymbolIcons::symbol(QStringLiteral("gearshape")));
    m_gear->setPopupMode(QToolButton::InstantPopup);
    m_gear->setStyleSheet(
        QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"
                       "QToolButton:focus { border: 2px solid palette(highlight); border-radius: 5px; }"));
    m_gearMenu = buildGearMenu();
    m_gear->setMenu(m_gearMenu);
    buttons->addWidget(m_gear);
    row->addWidget(m_homeButtons);
    return header;
}

QMenu* AppMenu::buildGearMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("gearMenu"));
    auto symbol = [](const char* name) { return SymbolIcons::symbol(QLatin1String(name)); };
    menu->addAction(symbol("ellipsis"), tr("Settings"), this,
                    [this] { m_services->state->setSelectedView(SelectedView::settings); });
    menu->addAction(symbol("arrow.triangle.2.circlepath"), tr("Refresh"), this,
                    [this] { m_services->refresher->refresh(); });
    QMenu* contact = menu->addMenu(symbol("envelope"), tr("Contact"));
    contact->addAction(symbol("exclamationmark.bubble"), tr("Report Issue"), this,
                       [this] { openMail(QStringLiteral("Tidewell%20Issue%20Report")); });
    contact->addAction(symbol("bubble.right"), tr("Submit Feedback"), this,
                       [this] { openMail(QStringLiteral("Tidewell%20Feedback")); });
    // Shows and hides itself with the teams and the selected tab.
    menu->addMenu(new TeamsMenu(m_services->state, menu));
    menu->addAction(symbol("square.and.arrow.down"), tr("Check for update"), this,
                    [this] { m_services->state->setSelectedView(SelectedView::checkForUpdate); });
    const QString buildVersion = QCoreApplication::instance()->property("buildVersion").toString();
    QAction* version = menu->addAction(
        tr("Version: %1").arg(versionLabel(QCoreApplication::applicationVersion(), buildVersion)));
    version->setObjectName(QStringLiteral("version"));
    version->setEnabled(false);
    // Last, where desktop menus put it.
    menu->addSeparator();
    menu->addAction(symbol("rectangle.portrait.and.arrow.forward"), tr("Quit"), this,
                    &AppMenu::quitRequested);
    return menu;
}

void AppMenu::openMail(const QString& subject)
{
    m_services->desktop->openUrl(
        QUrl(QStringLiteral("mailto:") + kSupportAddress + QStringLiteral("?subject=") + subject,
             QUrl::StrictMode),
        m_failure->startAction());
}

QString AppMenu::versionLabel(const QString& shortVersion, const QString& buildVersion)
{
    const QString warning = QStringLiteral("⚠️");
    return QStringLiteral("v") + (shortVersion.isEmpty() ? warning : shortVersion) + QStringLiteral(" (") +
           (buildVersion.isEmpty() ? warning : buildVersion) + QStringLiteral(")");
}

void AppMenu::showPage()
{
    const AppState* state = m_services->state;
    const SelectedView view = state->selectedView();
    const SelectedTab tab = state->selectedTab();
    const bool home = view == SelectedView::home;
    m_title->setText(home ? tr("Tidewell")
                          : (view == SelectedView::settings ? tr("Settings") : tr("Updates")));
    m_back->setVisible(!home);
    m_homeButtons->setVisible(home);
    m_portsTab->setVisible(home && tab == SelectedTab::ports);
    m_quickLaunchTab->setVisible(home && tab == SelectedTab::quickLaunch);
    m_vercelTab->setVisible(home && tab == SelectedTab::vercel);
    m_settingsPage->setVisible(view == SelectedView::settings);
    m_updatePage->setVisible(view == SelectedView::checkForUpdate);
    if (view == SelectedView::checkForUpdate && !m_updatePageContent) {
        m_updatePageContent = new UpdatePage(
            UpdateService::forThisBuild(QCoreApplication::applicationVersion()), m_services, m_updatePage);
        m_updatePage->layout()->addWidget(m_updatePageContent);
    } else if (view != SelectedView::checkForUpdate && m_updatePageContent) {
        delete std::exchange(m_updatePageContent, nullptr);
    }
    m_bottomBar->setVisible(home && tab == SelectedTab::ports);
    updateTabButtons();
    scheduleListHeightUpdate();
}

void AppMenu::updateTabButtons()
{
    const SelectedTab tab = m_services->state->selectedTab();
    m_vercelToggle->setSelected(tab == SelectedTab::vercel);
    m_vercelToggle->setSymbol(tab == SelectedTab::vercel ? QStringLiteral("cloud.fill")
                                                         : QStringLiteral("cloud"));
    m_xrayToggle->setSelected(tab == SelectedTab::ports);
    m_quickLaunchToggle->setSelected(tab == SelectedTab::quickLaunch);
}

int AppMenu::listAreaHeight(int contentHeight, int bottomBarHeightPlusSpacing)
{
    return std::min(kMaxListHeight, contentHeight + bottomBarHeightPlusSpacing);
}

void AppMenu::scheduleListHeightUpdate()
{
    if (m_listHeightUpdatePending)
        return;
    m_listHeightUpdatePending = true;
    QMetaObject::invokeMethod(this, &AppMenu::updateListHeight, Qt::QueuedConnection);
}

void AppMenu::updateListHeight()
{
    m_listHeightUpdatePending = false;
    QWidget* page = nullptr;
    for (QWidget* candidate : {static_cast<QWidget*>(m_portsTab), static_cast<QWidget*>(m_quickLaunchTab),
                               m_vercelTab, m_settingsPage, m_updatePage}) {
        if (!candidate->isHidden())
            page = candidate;
    }
    // A page without a layout of its own (the empty ones) has no size hint, only a minimum.
    const int contentHeight = page ? std::max({0, page->sizeHint().height(), page->minimumHeight()}) : 0;
    // The bar's last size is kept while it is hidden, until the window closes.
    if (!m_bottomBar->isHidden()) {
        const QSize bar = m_bottomBar->sizeHint();
        m_bottomViewContentSize = QSize(bar.width(), bar.height() + kBottomBarSpacing);
    }
    const int height = listAreaHeight(contentHeight, m_bottomViewContentSize.height());
    if (m_listArea->height() != height || m_listArea->minimumHeight() != height)
        m_listArea->setFixedHeight(height);
}

bool AppMenu::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_pages && event->type() == QEvent::LayoutRequest) ||
        (watched == m_bottomBar && (event->type() == QEvent::Show || event->type() == QEvent::Hide)))
        scheduleListHeightUpdate();
    return QWidget::eventFilter(watched, event);
}

// A frameless drop-down needs its own edge to stand apart from a window of the same colour below.
// The first frame of an opening also starts the work the opening asks for.
void AppMenu::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // Queued, so that it runs after this frame has been flushed to the screen.
    if (m_openWorkPending)
        QMetaObject::invokeMethod(this, &AppMenu::startOpenWork, Qt::QueuedConnection);
    if (windowType() != Qt::Popup)
        return;
    QPainter painter(this);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.18f);
    painter.setPen(edge);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void AppMenu::keyPressEvent(QKeyEvent* event)
{
    const AppState* state = m_services->state;
    const bool filterable =
        state->selectedView() == SelectedView::home && state->selectedTab() != SelectedTab::vercel;
    if (event->key() == Qt::Key_Escape && !m_filterField->text().isEmpty()) {
        m_filterField->clear();
        event->accept();
        return;
    }
    const QString text = event->text();
    const bool typed = !text.isEmpty() && text.at(0).isPrint() &&
                       !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (filterable && typed) {
        m_filterField->insert(text);
        m_filterField->setFocus();
        event->accept();
        return;
    }
    // An Escape with nothing to clear closes the drop-down window.
    QWidget::keyPressEvent(event);
}

void AppMenu::setMenuPresented(bool presented)
{
    if (presented == m_isMenuPresented)
        return;
    m_isMenuPresented = presented;
    m_services->state->setIsVisible(presented);
    m_portsTab->setAnimated(presented);
    m_quickLaunchTab->setAnimated(presented);
    if (presented) {
        // The rows kept from the last opening are shown first; the refresh, the editor lookup and
        // the socket watch would only compete with the first frame, so they start once it is painted
        // (or a moment later for a window that is never painted, such as one off screen).
        m_openWorkPending = true;
        QTimer::singleShot(kOpenWorkFallbackMs, this, &AppMenu::startOpenWork);
    } else {
        m_openWorkPending = false;
        m_timer.stop();
        m_bottomViewContentSize = QSize(0, 0);
        // A window opened later shows every server again rather than a filter the user forgot.
        m_filterField->clear();
        m_services->refresher->setWatching(false);
    }
    scheduleListHeightUpdate();
}

void AppMenu::startOpenWork()
{
    if (!std::exchange(m_openWorkPending, false) || !m_isMenuPresented)
        return;
    // A window just opened shows the current listeners at once, not two seconds later.
    refreshPortLists();
    // The editors offered are those installed now; looking takes a few file checks.
    if (m_services->desktop && m_services->pool)
        AsyncTask::runThenCallback(
            m_services->pool, this, [desktop = m_services->desktop] { return desktop->installedEditors(); },
            [this](const QStringList& editors) { m_services->state->setInstalledEditors(editors); });
    m_timer.start();
    m_services->refresher->setWatching(true);
}

void AppMenu::refreshPortLists()
{
    m_services->refresher->checkPorts();
}

void AppMenu::quickLaunchDataChanged(const QString& json)
{
    if (json == m_previousQuickLaunchData)
        return;
    // The saved folders and command lines stay out of the trace: it names the change, not the data.
    qCDebug(lcQuickLaunch).noquote() << (QStringLiteral("quickLaunchData has changed to: <json>"));
    m_previousQuickLaunchData = json;
    m_quickLaunchToggle->setIconScale(1.2);
    QTimer::singleShot(kPulseMs, this, [this] { m_quickLaunchToggle->setIconScale(1.0); });
}

} // namespace tidewell
