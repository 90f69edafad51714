#include "ui/main/frmMain.h"

#include "comm/VtxPort.h"
#include "config/Configuration.h"
#include "config/SettingsStore.h"
#include "config/SharedState.h"
#include "config/WindowGeometry.h"
#include "ui/main/MainMenu.h"
#include "ui/main/MonitorPanels.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include <algorithm>


frmMain::frmMain(SharedState &state, SettingsStore &store, QWidget *parent)
    // No control box: a title bar without system menu, close, minimise or
    // maximise buttons; the border stays sizable.
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), state_(state), store_(store)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Caption);

    // The panels keep their fixed places whatever the window's size: a window
    // smaller than the grid cuts off its right and bottom parts.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    panels_ = new MonitorPanels(client);
    panels_->move(0, 0);
    setCentralWidget(client);

    menu_ = new MainMenu(menuBar());

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("sbStatusBar"));
    statusBar_->setSizeGripEnabled(false);
    statusBar_->setFixedHeight(window_geometry::pixels(270));
    // The bar's own layout keeps a few pixels above and below its items, more
    // than an 18-pixel bar can spare: the text sits directly on the bar,
    // across its whole height.
    auto *statusText = new QLabel(QStringLiteral("Logging Faile Name"), statusBar_);
    statusText->setObjectName(QStringLiteral("sbStatusBarText"));
    statusText->setContentsMargins(3, 0, 0, 0);
    statusText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusBar_->installEventFilter(this);
    setStatusBar(statusBar_);
}

frmMain::~frmMain() = default;

void frmMain::Form_Load(std::function<std::unique_ptr<VtxPort>()> createVtx)
{
    Vtx = createVtx();
    const QRect outer = window_geometry::load(store_);
    requestedOuterSize_ = outer.size();
    move(outer.topLeft());
    resize(outer.size());
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    applyOuterSize();
    moveOntoScreen();
}

bool frmMain::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    // A window manager frames the window only after it is shown; the frame
    // shows first in the move that the framing brings.
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        applyOuterSize();
    return handled;
}

void frmMain::applyOuterSize()
{
    // The stored size is the outer one: take the frame off, once, as soon as
    // it is known. Without a window manager there is no frame at all.
    if (outerSizeApplied_ || !isVisible() || !requestedOuterSize_.isValid())
        return;
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() <= 0 && frame.height() <= 0)
        return;
    outerSizeApplied_ = true;
    resize(requestedOuterSize_ - frame);
}

void frmMain::moveOntoScreen()
{
    const QRect outer = frameGeometry();
    const QScreen *target = nullptr;
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(outer)) {
            target = screen;
            break;
        }
    }
    if (!target && (target = QGuiApplication::primaryScreen()))
        move(target->availableGeometry().topLeft());
    if (!target)
        return;
    // A stored size larger than the screen (a hand-edited 480000 twips would
    // ask for gigabytes of window) is cut to the screen it lands on.
    const QRect room = target->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    if (outer.width() > room.width() || outer.height() > room.height()) {
        resize(size().boundedTo(room.size() - frame));
        move(std::clamp(x(), room.left(), room.right() - frameGeometry().width() + 1),
             std::clamp(y(), room.top(), room.bottom() - frameGeometry().height() + 1));
    }
}

void frmMain::SetMainWindow() { panels_->SetMainWindow(state_.channels); }

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == statusBar_ && event->type() == QEvent::Resize) {
        if (auto *label = statusBar_->findChild<QLabel *>(QStringLiteral("sbStatusBarText")))
            label->setGeometry(statusBar_->rect());
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::setStatusText(const QString &text)
{
    if (auto *label = statusBar_->findChild<QLabel *>(QStringLiteral("sbStatusBarText")))
        label->setText(text);
}

void frmMain::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    {
        const SettingsStore::SaveScope oneSave(store_);
        configuration::saveChannelConfiguration(state_, store_);
        if (!isMinimized())
            window_geometry::save(store_, frameGeometry());
    }
    if (unloadOthers)
        unloadOthers();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (unloaded_) {
        event->accept();
        return;
    }
    // The end sequence unloads the window itself once the loop has stopped.
    event->ignore();
    StopRequest = true;
}
