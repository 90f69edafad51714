// The splash window, the about box and the real message boxes.

#include "app/Version.h"
#include "ui/QtPrompter.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmSplash.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

QString labelText(const QWidget *window, const QString &name)
{
    const QLabel *label = window->findChild<QLabel *>(name);
    return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

// Runs `act` on the modal box once it is up (the box's own event loop
// delivers the call).
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
    void versionTextHasNoLeadingZeros() { QCOMPARE(version::versionText(), QStringLiteral("Version 1.0.5")); }

    void splashTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::newRow("product name") << "lblProductName" << "VTX-501-M Monitor" << "Arial" << 32.25 << true;
        QTest::newRow("license") << "lblLicenseTo" << "" << "Arial" << 8.25 << false;
        QTest::newRow("company product") << "lblCompanyProduct" << "" << "Arial" << 18.0 << true;
        QTest::newRow("platform") << "lblPlatform" << "for Wnidows95,98,NT" << "Arial" << 15.75 << true;
        QTest::newRow("version") << "lblVersion" << "Version 1.0.5" << "Arial" << 12.0 << true;
        QTest::newRow("copyright") << "lblCopyright" << "Copyright (C) KORVANE" << "Arial" << 8.25 << false;
        QTest::newRow("warning") << "lblWarning" << "" << "Arial" << 8.25 << false;
    }

    void splashTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, family);
        QFETCH(double, points);
        QFETCH(bool, bold);
        frmSplash splash(QStringLiteral("VTX-501-M Monitor"));
        const QLabel *label = splash.findChild<QLabel *>(name);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->font().family(), family);
        QCOMPARE(label->font().pointSizeF(), points);
        QCOMPARE(label->font().bold(), bold);
    }

    void splashFollowsTheMainCaptionAndShowsAtOnce()
    {
        frmSplash splash(QStringLiteral("Another Caption"));
        QCOMPARE(labelText(&splash, "lblProductName"), QStringLiteral("Another Caption"));
        QCOMPARE(splash.findChild<QLabel *>("picLogo")->pixmap().size(), QSize(142, 71));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        splash.present();
        QVERIFY(splash.isVisible());
        // Wide enough for the product name in its large font.
        const QLabel *product = splash.findChild<QLabel *>("lblProductName");
        QVERIFY(product->width() >= product->sizeHint().width());
    }

    void aboutTexts()
    {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Version Information"));
        QCOMPARE(labelText(&about, "lblTitle"), QStringLiteral("VTX-500 MONITOR  PLM-VX001E"));
        QCOMPARE(labelText(&about, "lblVersion"), QStringLiteral("Version 1.0.5"));
        QCOMPARE(labelText(&about, "lblDisclaimer"), QStringLiteral("Warning: ..."));
        QVERIFY(labelText(&about, "lblDescription").contains(QLatin1String("KORVANE")));
        QVERIFY(!(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(about.findChild<QPushButton *>("cmdOK")->isDefault());
    }

    void aboutClosesOnKeyAndButton_data()
    {
        QTest::addColumn<int>("key"); // 0: click OK
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Return") << int(Qt::Key_Return);
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

    void messageBoxes_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("shownTitle");
        QTest::addColumn<int>("shownIcon");
        QTest::newRow("default title, no icon") << "" << int(Prompter::Icon::None) << "VTX-500 MONITOR"
                                                << int(QMessageBox::NoIcon);
        QTest::newRow("own title, exclamation") << "Communication error" << int(Prompter::Icon::Warning)
                                                << "Communication error" << int(QMessageBox::Warning);
    }

    void messageBoxes()
    {
        QFETCH(QString, title);
        QFETCH(int, icon);
        QFETCH(QString, shownTitle);
        QFETCH(int, shownIcon);
        QString seenTitle, seenText;
        int seenIcon = -1;
        int buttons = 0;
        whenModalBoxShows([&](QMessageBox *box) {
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            buttons = int(box->buttons().size());
            box->button(QMessageBox::Ok)->click();
        });
        QtPrompter prompter;
        prompter.message(QStringLiteral("PV cannot be read."), title, Prompter::Icon(icon));
        QCOMPARE(seenTitle, shownTitle);
        QCOMPARE(seenText, QStringLiteral("PV cannot be read."));
        QCOMPARE(seenIcon, shownIcon);
        QCOMPARE(buttons, 1);
    }

    void questions_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << int(Prompter::Answer::Yes);
        QTest::newRow("No") << int(QMessageBox::No) << int(Prompter::Answer::No);
    }

    void questions()
    {
        QFETCH(int, button);
        QFETCH(int, answer);
        QString seenTitle;
        int seenIcon = -1;
        whenModalBoxShows([&](QMessageBox *box) {
            seenTitle = box->windowTitle();
            seenIcon = box->icon();
            box->button(QMessageBox::StandardButton(button))->click();
        });
        QWidget owner;
        QtPrompter prompter(&owner);
        const Prompter::Answer given = prompter.askYesNo(QStringLiteral("Do you want to close the PLM-VX001E?"),
                                                         QStringLiteral("PLM-VX001E completion"),
                                                         Prompter::Icon::Question);
        QCOMPARE(int(given), answer);
        QCOMPARE(seenTitle, QStringLiteral("PLM-VX001E completion"));
        QCOMPARE(seenIcon, int(QMessageBox::Question));
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
