// Polling through the real communication component against the simulator:
// what the operator sees in the panels for live instruments.

#include "comm/Polling.h"
#include "support/Channels.h"
#include "support/ScriptedPrompter.h"
#include "support/SimLine.h"
#include "ui/main/MonitorPanels.h"

#include <QLabel>
#include <QLocale>
#include <QtTest>

namespace {
struct Bench : SimLine {
    explicit Bench(const QStringList &args) : SimLine(QStringList{QStringLiteral("--no-pacing")} + args)
    {
        switchAllOff(state, QStringLiteral("      OFF"));
    }
    QLabel *label(const QString &name) const { return panels.findChild<QLabel *>(name); }
    QString pv(int channel) const { return label(QStringLiteral("PVw%1").arg(channel))->text(); }
    // The colour a lamp is drawn with, taken beside its caption.
    QColor lamp(int channel, int lamp) const
    {
        const QImage image = label(QStringLiteral("La%1_%2").arg(lamp).arg(channel))->grab().toImage();
        return image.pixelColor(image.width() - 4, image.height() / 2);
    }

    SharedState state;
    MonitorPanels panels;
    ScriptedPrompter prompter;
    Polling polling{vtx, state, panels, prompter};
};

#define OPEN_BENCH(bench) QVERIFY2((bench).open(), "the simulator's line did not open")

const QColor Red(255, 0, 0);
const QColor Green(0, 192, 0);
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
        OPEN_BENCH(bench);
        const QStringList expected{"1234", "123.4", "12.34", "1.234", "-0.5", "-3276.8"};
        for (int channel = 0; channel < expected.size(); ++channel) {
            switchOn(bench.state, channel, QString::number(channel + 1), QStringLiteral("      ON"));
            bench.state.DecimalPlaces[std::size_t(channel + 1)] = qint16(channel < 4 ? channel : 1);
        }
        switchOn(bench.state, 30, QStringLiteral("7"), QStringLiteral("      ON"));
        bench.panels.show();
        bench.polling.PollChannels();
        for (int channel = 0; channel < expected.size(); ++channel)
            QCOMPARE(bench.pv(channel), expected.at(channel));
        QCOMPARE(bench.pv(30), QStringLiteral("0"));
        QVERIFY(bench.prompter.shown.isEmpty());
        // Status 5: alarms 1 and 3.
        QCOMPARE(bench.lamp(30, 1), Red);
        QCOMPARE(bench.lamp(30, 2), Green);
        QCOMPARE(bench.lamp(30, 3), Red);
        // One cycle: channel 30 first, PV before status for each channel.
        const QStringList record = bench.sim.record();
        QCOMPARE(record.size(), 14);
        QCOMPARE(record.mid(0, 3), (QStringList{"9600\t7\tR\t0080\t", "9600\t7\tR\t0081\t", "9600\t6\tR\t0080\t"}));
    }
};

QTEST_MAIN(tst_PollingSim)
#include "tst_polling_sim.moc"
