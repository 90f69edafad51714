// The main loop's state table, against recorded steps.
#include "app/MainLoop.h"
#include "config/SharedState.h"

#include <QtTest>

class tst_mainloop : public QObject {
    Q_OBJECT
private slots:
    void init();
    void stateTable_data();
    void stateTable();
    void loggingStartsOnceAfterTheEarliestPoll();
    void stopRequestEndsAfterTheStep();
    void closeAnswerEndsWithoutAnotherTurn();

private:
    MainLoop makeLoop();
    SharedState state_;
    bool stop_ = false;
    QStringList log_;
    QStringList linkResults_; // results of successive StartLink calls, "" when used up
    bool closeRequested_ = false;
    std::function<void(const QString &)> onStep;
};

void tst_mainloop::init()
{
    state_ = SharedState();
    stop_ = true; // begin() must clear it
    log_.clear();
    linkResults_.clear();
    closeRequested_ = false;
    onStep = nullptr;
}

MainLoop tst_mainloop::makeLoop()
{
    auto step = [this](const QString &name) {
        log_ << name;
        if (onStep)
            onStep(name);
    };
    MainLoop::Steps steps;
    steps.StartLink = [this, step] {
        step(QStringLiteral("StartLink"));
        return linkResults_.isEmpty() ? QString() : linkResults_.takeFirst();
    };
    steps.ReadAllPv = [step] { step(QStringLiteral("ReadAllPv")); };
    steps.PollChannels = [step] { step(QStringLiteral("PollChannels")); };
    steps.TransferSettings = [step] { step(QStringLiteral("TransferSettings")); };
    steps.startLogging = [this, step] {
        step(QStringLiteral("startLogging"));
        state_.LoggingActive = true;
    };
    steps.closeRequested = [this] { return closeRequested_; };
    steps.yield = [this] { log_ << QStringLiteral("yield"); };
    steps.idleWait = [this] { log_ << QStringLiteral("idle"); };
    return MainLoop(state_, stop_, steps);
}

void tst_mainloop::stateTable_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<int>("turns");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("finalState");

    QTest::newRow("found at start")
        << QStringList{"9600"} << 4
        << QStringList{"StartLink", "yield", "ReadAllPv", "yield", "PollChannels", "startLogging", "yield",
                       "TransferSettings", "yield", "PollChannels"}
        << 2;
    QTest::newRow("nothing answers: discovery with a wait on every turn")
        << QStringList{} << 2
        << QStringList{"StartLink", "yield", "StartLink", "idle", "yield", "StartLink", "idle"} << 3;
    QTest::newRow("found on the second try")
        << QStringList{"", "19200"} << 2
        << QStringList{"StartLink", "yield", "StartLink", "yield", "ReadAllPv"} << 1;
}

void tst_mainloop::stateTable()
{
    QFETCH(QStringList, links);
    QFETCH(int, turns);
    QFETCH(QStringList, expected);
    QFETCH(int, finalState);
    linkResults_ = links;
    MainLoop loop = makeLoop();
    loop.begin();
    QCOMPARE(stop_, false);
    QCOMPARE(state_.LoggingActive, false);
    for (int i = 0; i < turns; ++i)
        loop.turn();
    QCOMPARE(log_, expected);
    QCOMPARE(int(loop.LoopState), finalState);
}

void tst_mainloop::loggingStartsOnceAfterTheEarliestPoll()
{
    linkResults_ = {QStringLiteral("9600")};
    MainLoop loop = makeLoop();
    loop.begin();
    for (int i = 0; i < 9; ++i)
        loop.turn();
    QCOMPARE(log_.count(QStringLiteral("PollChannels")), 4);
    QCOMPARE(log_.count(QStringLiteral("startLogging")), 1);
    QCOMPARE(log_.indexOf(QStringLiteral("startLogging")), log_.indexOf(QStringLiteral("PollChannels")) + 1);
}

void tst_mainloop::stopRequestEndsAfterTheStep()
{
    // File > Exit chosen during a yield: the step after it still runs, then
    // the loop ends.
    linkResults_ = {QStringLiteral("9600")};
    onStep = [this](const QString &name) {
        if (name == QLatin1String("ReadAllPv"))
            stop_ = true;
    };
    MainLoop loop = makeLoop();
    loop.communicate();
    QCOMPARE(log_, (QStringList{"StartLink", "yield", "ReadAllPv"}));

    // In discovery the loop ends after the current StartLink.
    init();
    int calls = 0;
    onStep = [this, &calls](const QString &name) {
        if (name == QLatin1String("StartLink") && ++calls == 3)
            stop_ = true;
    };
    MainLoop idle = makeLoop();
    idle.communicate();
    QCOMPARE(log_.count(QStringLiteral("StartLink")), 3);
    QCOMPARE(int(idle.LoopState), 3);
}

void tst_mainloop::closeAnswerEndsWithoutAnotherTurn()
{
    closeRequested_ = true;
    MainLoop loop = makeLoop();
    loop.communicate();
    QCOMPARE(log_, QStringList{"StartLink"});
    QVERIFY(stop_);
}

QTEST_GUILESS_MAIN(tst_mainloop)
#include "tst_mainloop.moc"
