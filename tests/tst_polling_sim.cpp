// Polling through the real communication component against the simulator:
// what the operator sees in the panels for live instruments.

#include "comm/Polling.h"
#include "comm/Vtx.h"
#include "config/SharedState.h"
#include "support/ScriptedPrompter.h"
#include "support/SimProcess.h"
#include "ui/main/MonitorPanels.h"

#include <QLabel>
#include <QLocale>
#include <QtTest>

namespace {

// The colour a lamp is drawn with, taken beside its caption.
QColor drawnColour(QLabel *lamp)
{
    const QImage image = lamp->grab().toImage();
    return image.pixelColor(image.width() - 4, image.height() / 2);
}

const QColor Red(255, 0, 0);
const QColor Green(0, 192, 0);

struct Bench {
    SimProcess sim;
    Vtx vtx;
    SharedState state;
    MonitorPanels panels;
    ScriptedPrompter prompter;
    Polling polling{vtx, state, panels, prompter};

    explicit Bench(const QStringList &args) : sim(QStringList{QStringLiteral("--no-pacing")} + args)
    {
        for (int channel = 0; channel < ChannelCount; ++channel)
            state.channels(channel, StateItem).Value = QStringLiteral("      OFF");
    }

    bool open()
    {
        if (!sim.start())
            return false;
        vtx.SetPort(sim.link());
        vtx.SetSpeed(QStringLiteral("9600"));
        return vtx.Open();
    }

    void monitor(int channel, int address)
    {
        state.channels(channel, StateItem).Value = QStringLiteral("      ON");
        state.DvtoN[std::size_t(channel)] = QString::number(address);
    }

    QString pv(int channel) const
    {
        return panels.findChild<QLabel *>(QStringLiteral("PVw%1").arg(channel))->text();
    }

    QColor lamp(int channel, int lamp) const
    {
        return drawnColour(panels.findChild<QLabel *>(QStringLiteral("La%1_%2").arg(lamp).arg(channel)));
    }
};

} // namespace

class tst_PollingSim : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void valuesAppearWithTheirDecimalPoint()
    {
        Bench bench({"--instrument", "1:pv=1234,dp=0", "--instrument", "2:pv=1234,dp=1", "--instrument",
                     "3:pv=1234,dp=2", "--instrument", "4:pv=1234,dp=3", "--instrument", "5:pv=-5,dp=1",
                     "--instrument", "6:pv=-32768,dp=1", "--instrument", "7:pv=0,status=5"});
        QVERIFY2(bench.open(), "the simulator's line did not open");
        const QStringList expected{"1234", "123.4", "12.34", "1.234", "-0.5", "-3276.8"};
        for (int channel = 0; channel < expected.size(); ++channel) {
            bench.monitor(channel, channel + 1);
            bench.state.DecimalPlaces[std::size_t(channel + 1)] = qint16(channel < 4 ? channel : 1);
        }
        bench.monitor(30, 7);
        bench.panels.show();

        bench.polling.PollChannels();
        for (int channel = 0; channel < expected.size(); ++channel)
            QCOMPARE(bench.pv(channel), expected.at(channel));
        QCOMPARE(bench.pv(30), QStringLiteral("0"));
        QVERIFY(bench.prompter.shown.isEmpty());

        QCOMPARE(bench.lamp(30, 1), Red);
        QCOMPARE(bench.lamp(30, 2), Green);
        QCOMPARE(bench.lamp(30, 3), Red);
        QCOMPARE(bench.lamp(0, 1), Green);

        // One cycle: channel 30 first, PV before status for each channel.
        QStringList order;
        for (const QString &line : bench.sim.record()) {
            const QStringList fields = line.split(u'\t');
            if (fields.size() >= 4)
                order << fields.at(1) + u' ' + fields.at(3);
        }
        QCOMPARE(order.mid(0, 4), (QStringList{"7 0080", "7 0081", "6 0080", "6 0081"}));
        QCOMPARE(order.size(), 14);
    }

    void silentInstrumentShowsUnreadableAndTwoMessagesEachCycle()
    {
        Bench bench({"--instrument", "2:pv=100", "--silent", "9"});
        QVERIFY2(bench.open(), "the simulator's line did not open");
        bench.monitor(4, 9);
        bench.monitor(3, 2);
        bench.polling.ReadAllPv();
        QCOMPARE(bench.pv(4), QStringLiteral("----"));
        QCOMPARE(bench.pv(3), QStringLiteral("100"));
        QVERIFY(bench.prompter.shown.isEmpty());

        for (int cycle = 1; cycle <= 2; ++cycle) {
            bench.polling.PollChannels();
            QCOMPARE(bench.prompter.texts(), QStringList(2 * cycle, QStringLiteral("No response from VTX.")));
            QCOMPARE(bench.pv(4), QStringLiteral("----"));
            QCOMPARE(bench.pv(3), QStringLiteral("100"));
        }
    }

    void refusedStatusShowsUnreadable()
    {
        Bench bench({"--instrument", "12:pv=77", "--refuse", "12:0081"});
        QVERIFY2(bench.open(), "the simulator's line did not open");
        bench.monitor(8, 12);
        bench.polling.PollChannels();
        QCOMPARE(bench.pv(8), QStringLiteral("----"));
        QCOMPARE(bench.prompter.texts(), QStringList{QStringLiteral("Condition cannot be read.")});

        // Once the instrument takes the request again, the value comes back.
        QVERIFY(bench.sim.command(QStringLiteral("refuse 12 0081 off")));
        bench.polling.PollChannels();
        QCOMPARE(bench.pv(8), QStringLiteral("77"));
        QCOMPARE(bench.prompter.shown.size(), 1);
    }
};

QTEST_MAIN(tst_PollingSim)
#include "tst_polling_sim.moc"
