#include "ui/main/MainMenu.h"

#include "config/ChannelTable.h"
#include "config/Numbers.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

// Channel items are "Dv" and two digits; the access key is the digit for
// 0..9 and then the alphabet from A (10) to U (30).
QString channelAccessKey(int channel)
{
    return channel < 10 ? QString::number(channel) : QString(QChar(char16_t('A' + channel - 10)));
}

QMenu *addMenu(QWidget *parent, const QString &name, const QString &caption)
{
    auto *menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    return menu;
}

QAction *addItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(name);
    return item;
}

} // namespace

MainMenu::MainMenu(QMenuBar *bar) : QObject(bar)
{
    setObjectName(QStringLiteral("MainMenu"));

    QMenu *file = addMenu(bar, QStringLiteral("mnuFile"), QStringLiteral("File(&F)"));
    bar->addMenu(file);
    connect(addItem(file, QStringLiteral("mnuFileExit"), QStringLiteral("Exit(&X)")), &QAction::triggered, this,
            &MainMenu::exitChosen);

    QMenu *setting = addMenu(bar, QStringLiteral("mnuSet"), QStringLiteral("Setting(&S)"));
    bar->addMenu(setting);
    QMenu *channels = addMenu(setting, QStringLiteral("menuSetChang"), QStringLiteral("Setting(&S)"));
    setting->addMenu(channels);
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const QString name = QStringLiteral("Dv") + numbers::keySuffix(channel);
        QAction *item = addItem(channels, name, name + QStringLiteral("(&") + channelAccessKey(channel) + u')');
        item->setData(channel);
    }
    // One handler for all 31 items: they differ only in the channel number.
    connect(channels, &QMenu::triggered, this, &MainMenu::onChannelItem);
    connect(addItem(setting, QStringLiteral("mnuSetDev"), QStringLiteral("Device address(&D)")), &QAction::triggered,
            this, &MainMenu::deviceAddressChosen);
    connect(addItem(setting, QStringLiteral("mnuSetLogt"), QStringLiteral("Logging interval(&L)")),
            &QAction::triggered, this, &MainMenu::loggingIntervalChosen);

    // Windows of this program beyond its panels: the curves of the PVs and
    // what the line is doing.
    QMenu *view = addMenu(bar, QStringLiteral("mnuView"), QStringLiteral("View(&V)"));
    bar->addMenu(view);
    connect(addItem(view, QStringLiteral("mnuViewTrend"), QStringLiteral("Trend(&T)")), &QAction::triggered, this,
            &MainMenu::trendChosen);
    connect(addItem(view, QStringLiteral("mnuViewLine"), QStringLiteral("Line status(&L)")), &QAction::triggered,
            this, &MainMenu::lineStatusChosen);
    connect(addItem(view, QStringLiteral("mnuViewEvents"), QStringLiteral("Events(&E)")), &QAction::triggered, this,
            &MainMenu::eventsChosen);

    QMenu *help = addMenu(bar, QStringLiteral("mnuHelp"), QStringLiteral("Help(&H)"));
    bar->addMenu(help);
    connect(addItem(help, QStringLiteral("Men_Help_help"), QStringLiteral("Help(&H)")), &QAction::triggered, this,
            &MainMenu::helpChosen);
    connect(addItem(help, QStringLiteral("mnuHelpAbout"), QStringLiteral("Version information(&A)VTX monitor...")),
            &QAction::triggered, this, &MainMenu::aboutChosen);
}

void MainMenu::onChannelItem(QAction *item)
{
    bool isChannel = false;
    const int channel = item->data().toInt(&isChannel);
    if (isChannel)
        emit channelChosen(channel);
}
