#include "ui/QtPrompter.h"

#include "ui/InputHold.h"

#include <QApplication>
#include <QDebug>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString boxTitle(const QString &title)
{
    return title.isEmpty() ? ApplicationTitle : title;
}

// Left as it is, a box is as narrow as its text allows and wraps a text wider
// than half the screen: its title was cut by the window manager ("No response
// from VTX.") and its lines broken in the middle ("Communication error").
// The text's field is made wide enough for each line on one line and for the
// title beside the title bar's icon and buttons, within the screen.
void fitToTitleAndLines(QMessageBox &box)
{
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    const QFontMetrics metrics = label->fontMetrics();
    int widest = 0;
    for (const QString &line : box.text().split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line.trimmed()) + 1);
    // Title bars draw their text in bold, mostly a little larger; the icon and
    // up to three buttons take about a bar's height each.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const QFontMetrics titleMetrics(titleFont);
    const int titleNeed = titleMetrics.horizontalAdvance(box.windowTitle()) * 5 / 4 + 4 * (titleMetrics.height() + 8);
    int need = std::max(widest, titleNeed);
    if (const QScreen *screen = box.screen())
        need = std::min(need, screen->availableGeometry().width() * 9 / 10);
    label->setMinimumWidth(need);
}

} // namespace

int QtPrompter::present(QMessageBox &box)
{
    if (dismissed_) {
        qWarning().noquote() << box.windowTitle() + QStringLiteral(": ") + box.text();
        return 0;
    }
    fitToTitleAndLines(box);
    open_.append(&box);
    const InputHold::ModalScope takesInput;
    const int result = box.exec();
    open_.removeAll(&box);
    return result;
}

void QtPrompter::dismissAll()
{
    dismissed_ = true;
    for (const QPointer<QMessageBox> &box : std::as_const(open_)) {
        if (box)
            box->done(0);
    }
}

void QtPrompter::message(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(boxIcon(icon), boxTitle(title), text, QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("PrompterMessage"));
    present(box);
}

Prompter::Answer QtPrompter::askYesNo(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(boxIcon(icon), boxTitle(title), text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName(QStringLiteral("PrompterQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    // Closing the box without choosing counts as No, the answer that ends
    // nothing.
    box.setEscapeButton(QMessageBox::No);
    return present(box) == QMessageBox::Yes ? Answer::Yes : Answer::No;
}
