#include "ui/dialogs/frmSplash.h"

#include "config/Version.h"
#include "ui/resources/Artwork.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QLabel *addLabel(QWidget *parent, const QString &name, const QString &text, double points, bool bold,
                 Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

} // namespace

frmSplash::frmSplash(const QString &productName, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(640, 320);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("fraMainFrame"));
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(2);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    auto *logo = new QLabel(frame);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setPixmap(artwork::logo());
    logo->setFixedSize(142, 71);

    const Qt::Alignment right = Qt::AlignRight;
    QLabel *licenseTo = addLabel(frame, QStringLiteral("lblLicenseTo"), QString(), 8.25, false, right);
    QLabel *company = addLabel(frame, QStringLiteral("lblCompanyProduct"), QString(), 18, true, Qt::AlignLeft);
    QLabel *product = addLabel(frame, QStringLiteral("lblProductName"), productName, 32.25, true, Qt::AlignHCenter);
    QLabel *platform = addLabel(frame, QStringLiteral("lblPlatform"), QStringLiteral("for Wnidows95,98,NT"), 15.75,
                                true, right);
    QLabel *versionLine = addLabel(frame, QStringLiteral("lblVersion"), version::versionText(), 12, true, right);
    QLabel *copyright = addLabel(frame, QStringLiteral("lblCopyright"),
                                 QStringLiteral("Copyright (C) ") + version::CompanyName, 8.25, false, right);
    QLabel *warning = addLabel(frame, QStringLiteral("lblWarning"), version::Comments, 8.25, false, Qt::AlignLeft);
    warning->setWordWrap(true);

    auto *top = new QHBoxLayout;
    top->addWidget(logo);
    top->addStretch();
    top->addWidget(licenseTo, 0, Qt::AlignTop);

    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(16, 12, 16, 12);
    column->addLayout(top);
    column->addWidget(company);
    column->addWidget(product);
    column->addWidget(platform);
    column->addWidget(versionLine);
    column->addWidget(copyright);
    column->addStretch();
    column->addWidget(warning);
}

void frmSplash::present()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    repaint();
    // Let the window system map and draw it; start-up does not yield again
    // before the main window appears.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
