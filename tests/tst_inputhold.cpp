// The operator's input during a step of the main loop: held, handed on after
// the step to where it was meant, never able to stall the loop. Events come
// through the window-system queue (QTest on a QWindow).
#include "comm/MainLoop.h"
#include "config/SharedState.h"
#include "ui/InputHold.h"
#include "ui/MonitorApplication.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// A step as the main loop runs it; arrive() is what reaches the program
// meanwhile.
void step(InputHold &hold, const std::function<void()> &arrive = {}, int waitMs = 20)
{
    hold.stepBegins();
    if (arrive)
        arrive();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < waitMs) {
        InputHold::serveInStep();
        QThread::msleep(2);
    }
    hold.stepEnds();
}

// The main loop over steps that only wait, one turn per pass of whatever
// event loop turns (a dialog's own included), until stop is set.
void runLoop(InputHold &hold, bool &stop, const std::function<void()> &arrive)
{
    SharedState state;
    MainLoop::Steps steps;
    const auto waitingStep = [&hold, &arrive] { step(hold, arrive); };
    steps.StartLink = [] { return QStringLiteral("COM1"); };
    steps.ReadAllPv = waitingStep;
    steps.PollChannels = waitingStep;
    steps.TransferSettings = waitingStep;
    steps.startLogging = [&state] { state.LoggingActive = true; };
    steps.closeRequested = [] { return false; };
    steps.yield = [] { QCoreApplication::processEvents(); };
    MainLoop loop(state, stop, std::move(steps));
    QObject safetyStop; // a test that fails ends rather than waits
    QTimer::singleShot(20000, &safetyStop, [&stop] {
        stop = true;
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    loop.communicate();
}

// Every mouse event a widget gets, by type.
class ClickCounter : public QWidget {
public:
    QList<QEvent::Type> seen;

protected:
    void mousePressEvent(QMouseEvent *) override { seen << QEvent::MouseButtonPress; }
    void mouseReleaseEvent(QMouseEvent *) override { seen << QEvent::MouseButtonRelease; }
    void mouseDoubleClickEvent(QMouseEvent *) override { seen << QEvent::MouseButtonDblClick; }
};

// Typed through the window-system queue (QTest has no QWindow form of keyClicks).
void type(QWindow *window, const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

QWindow *shown(QWidget &window)
{
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return nullptr;
    return window.windowHandle();
}

} // namespace

class tst_inputhold : public QObject {
    Q_OBJECT

    InputHold &hold() { return *InputHold::instance(); }

private slots:
    // An access key typed during a step clicks its button after the step by
    // the button's delayed click, a widget timer: it must not run inside the
    // next step, where the dialog it opens would hold the step for ever. The
    // dialog takes the keys typed into it during later steps, closes on
    // Enter, and the loop turns behind it all the while.
    void heldKeyOpensADialogThatTakesInputWhileTheLoopTurns()
    {
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("&Export..."), &window);
        QInputDialog dialog(&window);
        int turns = 0;
        int turnsWhileOpen = -1;
        QString accepted;
        bool stop = false;
        QObject::connect(button, &QPushButton::clicked, &window, [&] {
            const int turnsBefore = turns;
            if (dialog.exec() == QDialog::Accepted)
                accepted = dialog.textValue();
            turnsWhileOpen = turns - turnsBefore;
            stop = true;
        });
        QWindow *handle = shown(window);
        QVERIFY(handle);

        bool nameTyped = false;
        int openedAt = -1;
        runLoop(hold(), stop, [&] {
            if (++turns == 1) {
                QTest::keyClick(handle, Qt::Key_E, Qt::AltModifier);
            } else if (dialog.isActiveWindow() && openedAt < 0) {
                openedAt = turns;
            } else if (!nameTyped && openedAt >= 0 && turns >= openedAt + 3) { // the loop turns behind it
                nameTyped = true;
                type(dialog.windowHandle(), QStringLiteral("trend.csv"));
                QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
            }
        });
        QCOMPARE(accepted, QStringLiteral("trend.csv"));
        QVERIFY2(turnsWhileOpen > 3, qPrintable(QString::number(turnsWhileOpen)));
    }

    // Keys typed into a window during a step belong to it, even when the
    // window manager activates another window before the step is over (the
    // operator clicked it).
    void keysReachTheWindowTheyWereTypedInto()
    {
        QWidget first;
        auto *typedInto = new QLineEdit(&first);
        QWidget second;
        auto *other = new QLineEdit(&second);
        second.move(400, 0);
        shown(second);
        QWindow *handle = shown(first);
        QVERIFY(handle);
        typedInto->setFocus();
        step(hold(), [&] {
            type(handle, QStringLiteral("900"));
            second.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&second));
        });
        QTRY_COMPARE(typedInto->text(), QStringLiteral("900"));
        QCOMPARE(other->text(), QString());
    }

    // A held double click reaches the widget as it would unheld (a second
    // press besides would close a file dialog's list without opening the file).
    void heldDoubleClickStaysOne()
    {
        ClickCounter plain;
        plain.resize(100, 100);
        QWindow *handle = shown(plain);
        QVERIFY(handle);
        QTest::mouseDClick(handle, Qt::LeftButton, {}, QPoint(50, 50));
        const QList<QEvent::Type> unheld = plain.seen;
        QVERIFY(unheld.contains(QEvent::MouseButtonDblClick));

        ClickCounter held;
        held.resize(100, 100);
        handle = shown(held);
        QVERIFY(handle);
        step(hold(), [&] { QTest::mouseDClick(handle, Qt::LeftButton, {}, QPoint(50, 50)); });
        QVERIFY(held.seen.isEmpty());
        QTRY_COMPARE(held.seen, unheld);
    }

    // A step's message box takes input at once and holds the step; the keys
    // that came for the window before it wait for the step's end.
    void stepsMessageBoxTakesInputAtOnce()
    {
        QWidget window;
        auto *field = new QLineEdit(&window);
        QWindow *handle = shown(window);
        QVERIFY(handle);
        field->setFocus();
        int answer = -1;
        QString fieldDuringBox;
        step(hold(), [&] {
            type(handle, QStringLiteral("42"));
            QMessageBox box(QMessageBox::Warning, QStringLiteral("VTX-500 MONITOR"), QStringLiteral("No response from VTX."),
                            QMessageBox::Ok, &window);
            QTimer::singleShot(100, &box, [&box] {
                if (box.windowHandle())
                    QTest::keyClick(box.windowHandle(), Qt::Key_Return);
            });
            const InputHold::ModalScope takesInput;
            answer = box.exec();
            fieldDuringBox = field->text();
        });
        QCOMPARE(answer, int(QMessageBox::Ok));
        QCOMPARE(fieldDuringBox, QString());
        QTRY_COMPARE(field->text(), QStringLiteral("42"));
    }

    // A widget's timer that comes due during a step runs after it.
    void widgetTimerRunsAfterTheStep()
    {
        QPushButton button(QStringLiteral("OK"));
        QVERIFY(shown(button));
        int clicks = 0;
        QObject::connect(&button, &QPushButton::clicked, [&clicks] { ++clicks; });
        button.animateClick(); // clicks after 100 ms, by a timer of the button
        step(hold(), {}, 300);
        QCOMPARE(clicks, 0);
        QTRY_COMPARE(clicks, 1);
    }
};

int main(int argc, char *argv[])
{
    MonitorApplication application(argc, argv);
    tst_inputhold test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_inputhold.moc"
