// The about box and the real message boxes.

#include "ui/QtPrompter.h"
#include "ui/dialogs/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {
QString labelText(const QWidget *window, const char *name)
{
    const QLabel *label = window->findChild<QLabel *>(name);
    return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

// Runs `act` on the modal box once it is up (the box's own event loop delivers the call).
void whenModalBoxShows(const std::function<void(QMessageBox *)> &act)
{
    QTimer::singleShot(0, qApp, [act] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            act(box);
        else
            whenModalBoxShows(act);
    });
}
} // namespace

class tst_About : public QObject {
    Q_OBJECT

private slots:
    void aboutTexts()
    {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Version Information"));
        QCOMPARE(labelText(&about, "lblTitle"), QStringLiteral("VTX-500 MONITOR  PLM-VX001E"));
        QCOMPARE(labelText(&about, "lblVersion"), QStringLiteral("Version 1.0.5")); // no leading zeros
        QCOMPARE(labelText(&about, "lblDisclaimer"), QStringLiteral("Warning: ..."));
        QVERIFY(!(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    void aboutClosesOnKeyAndButton_data()
    {
        QTest::addColumn<int>("key"); // 0: click OK
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("OK button") << 0;
    }
    void aboutClosesOnKeyAndButton()
    {
        QFETCH(int, key);
        QWidget owner;
        owner.setGeometry(100, 100, 600, 400);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        bool wasModal = false;
        QPoint centre;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (!box)
                return; // the test fails on the QVERIFY below rather than hanging here
            wasModal = box->isModal() && box->parentWidget() == &owner;
            centre = box->frameGeometry().center();
            if (key == 0)
                box->findChild<QPushButton *>("cmdOK")->click();
            else
                QTest::keyClick(box, Qt::Key(key));
        });
        frmAbout::showModal(&owner);
        QVERIFY(wasModal);
        QVERIFY((centre - owner.frameGeometry().center()).manhattanLength() <= 4);
        QVERIFY(!owner.findChild<frmAbout *>()); // gone once closed
    }

    // The real boxes: the title (the application's when none is given), the
    // icon, the buttons and the answer.
    void messageBoxes_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("button"); // 0: a message with OK only
        QTest::addColumn<QString>("shown");
        QTest::newRow("default title, no icon") << "" << int(Prompter::Icon::None) << 0
                                                << QStringLiteral("VTX-500 MONITOR|%1|1").arg(QMessageBox::NoIcon);
        QTest::newRow("question answered Yes, own title") << "PLM-VX001E completion" << int(Prompter::Icon::Question)
                                               << int(QMessageBox::Yes)
                                               << QStringLiteral("PLM-VX001E completion|%1|2").arg(QMessageBox::Question);
        QTest::newRow("question answered No") << "PLM-VX001E completion" << int(Prompter::Icon::Question)
                                              << int(QMessageBox::No)
                                              << QStringLiteral("PLM-VX001E completion|%1|2").arg(QMessageBox::Question);
    }
    void messageBoxes()
    {
        QFETCH(QString, title);
        QFETCH(int, icon);
        QFETCH(int, button);
        QFETCH(QString, shown);
        QString seen;
        whenModalBoxShows([&](QMessageBox *box) {
            seen = QStringLiteral("%1|%2|%3").arg(box->windowTitle()).arg(box->icon()).arg(box->buttons().size());
            QCOMPARE(box->text(), QStringLiteral("Text"));
            box->button(button ? QMessageBox::StandardButton(button) : QMessageBox::Ok)->click();
        });
        QWidget owner;
        QtPrompter prompter(&owner);
        if (button == 0)
            prompter.message(QStringLiteral("Text"), title, Prompter::Icon(icon));
        else
            QCOMPARE(prompter.askYesNo(QStringLiteral("Text"), title, Prompter::Icon(icon)),
                     button == QMessageBox::Yes ? Prompter::Answer::Yes : Prompter::Answer::No);
        QCOMPARE(seen, shown);
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
