// The about box and the real message boxes: the keys that close them, what a
// question answers, and the product's name and version taken from where they
// are kept.

#include "app/Version.h"
#include "ui/QtPrompter.h"
#include "ui/dialogs/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(Prompter::Answer)

namespace {
struct ModalSeen {
    QString title;
    QWidget *owner = nullptr;
    QPoint centre;
    bool closed = false;
};

// Presses the key in the modal dialog once the dialog's own event loop turns,
// noting what it was and whether the key closed it. A dialog left open is
// ended, so that the test fails rather than waits; the call is dropped with
// `context`.
void pressInModal(QObject *context, int key, ModalSeen &seen)
{
    QTimer::singleShot(0, context, [key, &seen] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            seen = {dialog->windowTitle(), dialog->parentWidget(), dialog->frameGeometry().center(), false};
            QTest::keyClick(dialog, Qt::Key(key));
            seen.closed = !dialog->isVisible();
            if (!seen.closed)
                dialog->done(0);
        }
    });
}
} // namespace

class tst_About : public QObject {
    Q_OBJECT

private slots:
    // Each box is modal to its owner and centred on it, and gone once closed.
    // The about box's OK is its default button and Escape closes it too; a
    // message given no title shows the application's; a question answers Yes
    // to Enter and No to Escape.
    void boxes_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<Prompter::Answer>("answer");
        using A = Prompter::Answer;
        QTest::newRow("about, Enter") << "about" << int(Qt::Key_Enter) << "Version Information" << A::Ok;
        QTest::newRow("about, Escape") << "about" << int(Qt::Key_Escape) << "Version Information" << A::Ok;
        QTest::newRow("message") << "message" << int(Qt::Key_Enter) << ApplicationTitle << A::Ok;
        QTest::newRow("question, Enter") << "question" << int(Qt::Key_Enter) << "Completion" << A::Yes;
        QTest::newRow("question, Escape") << "question" << int(Qt::Key_Escape) << "Completion" << A::No;
    }
    void boxes()
    {
        QFETCH(QString, box);
        QFETCH(int, key);
        QFETCH(QString, title);
        QFETCH(Prompter::Answer, answer);
        QWidget owner;
        owner.setGeometry(100, 100, 600, 400);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QtPrompter prompter(&owner);
        ModalSeen seen;
        pressInModal(&owner, key, seen);
        Prompter::Answer given = Prompter::Answer::Ok;
        if (box == "about")
            frmAbout::showModal(&owner);
        else if (box == "message")
            prompter.message("Text");
        else
            given = prompter.askYesNo("Text", title, Prompter::Icon::Question);
        QCOMPARE(seen.owner, &owner);
        QVERIFY(seen.closed);
        QVERIFY((seen.centre - owner.frameGeometry().center()).manhattanLength() <= 4);
        QVERIFY(!owner.findChild<QDialog *>());
        QCOMPARE(seen.title, title);
        QCOMPARE(given, answer);
    }

    void aboutNamesTheProduct()
    {
        frmAbout about;
        QVERIFY(about.findChild<QLabel *>("lblTitle")->text().startsWith(ApplicationTitle));
        QCOMPARE(about.findChild<QLabel *>("lblVersion")->text(), version::versionText());
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
