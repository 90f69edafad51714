#include "ui/dialogs/frmAbout.h"

#include "config/Prompter.h"
#include "config/Version.h"
#include "ui/InputHold.h"
#include "ui/resources/Artwork.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *addLabel(QWidget *parent, const QString &name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

// One line of the etched separator: a grey line over a white one.
QFrame *separatorLine(QWidget *parent, const QString &name, const QColor &colour)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setFixedHeight(1);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, colour);
    line->setPalette(palette);
    return line;
}

} // namespace

frmAbout::frmAbout(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                         | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Version Information"));
    setModal(true);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(artwork::programIcon(48));
    icon->setFixedSize(48, 48);

    QLabel *title = addLabel(this, QStringLiteral("lblTitle"), ApplicationTitle + QStringLiteral("  ") + version::ProductCode);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    QLabel *versionLine = addLabel(this, QStringLiteral("lblVersion"), version::versionText());
    QLabel *description = addLabel(
        this, QStringLiteral("lblDescription"),
        QStringLiteral("This program and its manual are the property of %1. They may be used only with the "
                       "instruments they were supplied for.")
            .arg(version::CompanyName));
    QLabel *reserved = addLabel(this, QStringLiteral("Label7"),
                                QStringLiteral("All rights reserved by %1.").arg(version::CompanyName));
    QLabel *disclaimer = addLabel(this, QStringLiteral("lblDisclaimer"), QStringLiteral("Warning: ..."));

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    // Enter presses OK as the default button; Escape closes every QDialog.
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(versionLine);
    texts->addSpacing(8);
    texts->addWidget(description);
    auto *head = new QHBoxLayout;
    head->addWidget(icon, 0, Qt::AlignTop);
    head->addSpacing(12);
    head->addLayout(texts, 1);

    auto *etched = new QVBoxLayout;
    etched->setSpacing(0);
    etched->addWidget(separatorLine(this, QStringLiteral("Line1_0"), QColor(128, 128, 128)));
    etched->addWidget(separatorLine(this, QStringLiteral("Line1_1"), Qt::white));

    auto *foot = new QHBoxLayout;
    auto *footTexts = new QVBoxLayout;
    footTexts->addWidget(reserved);
    footTexts->addWidget(disclaimer);
    foot->addLayout(footTexts, 1);
    foot->addWidget(ok, 0, Qt::AlignBottom);

    auto *column = new QVBoxLayout(this);
    column->addLayout(head);
    column->addSpacing(8);
    column->addLayout(etched);
    column->addSpacing(8);
    column->addLayout(foot);
    // A fixed frame: the box is exactly as large as its contents.
    column->setSizeConstraint(QLayout::SetFixedSize);
    description->setMinimumWidth(320);
}

void frmAbout::showEvent(QShowEvent *event)
{
    if (QWidget *owner = parentWidget()) {
        const QPoint centre = owner->window()->frameGeometry().center();
        move(centre - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

void frmAbout::showModal(QWidget *owner)
{
    frmAbout box(owner);
    const InputHold::ModalScope takesInput;
    box.exec();
}
