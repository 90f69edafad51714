// The real communication component over the simulator on a pty: the
// instruments' rules, repeats, speeds and faults, setting transfer and
// discovery on top of it, and the simulator as a background program.

#include "comm/Discovery.h"
#include "comm/LineRecorder.h"
#include "comm/Polling.h"
#include "comm/SettingTransfer.h"
#include "comm/Vtx.h"
#include "config/SettingForm.h"
#include "config/SettingsStore.h"
#include "logging/EventJournal.h"
#include "logging/JournalPanels.h"
#include "support/Channels.h"
#include "support/FakeClock.h"
#include "support/FakePanels.h"
#include "support/ScriptedPrompter.h"
#include "support/SimProcess.h"
#include "trend/LogChart.h"

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
// The simulator and the real communication component opened on its pty.
struct Line {
    explicit Line(const QStringList &args) : sim(args) {}
    bool open(const QString &speed = "9600")
    {
        vtx.SetPort(sim.link());
        vtx.SetSpeed(speed);
        return sim.start() && vtx.Open();
    }
    // A read, or with data a write; the reply as the component gives it.
    QString send(int address, const QString &item, const QString &data = {}, int count = 3)
    {
        return vtx.SendCommand(QChar(char16_t(32 + address)), " ", data.isEmpty() ? " " : "P", item, data, count);
    }

    SimProcess sim;
    Vtx vtx;
};

QString ack(const QString &data = {}) { return ACK + data; }
QString nak(const QString &code) { return NAK + code; }
const QString NoAnswer = ESC;

// A line of the simulator's record; type "R" or "W".
QString recorded(const char *type, int address, const QString &item, const QString &data = {}, int speed = 9600)
{
    return QStringLiteral("%1\t%2\t%3\t%4\t%5").arg(speed).arg(address).arg(QLatin1String(type), item, data);
}

// The journal's events from the n-th on, as "kind channel detail".
QStringList eventTexts(const EventJournal &journal, std::size_t from = 0)
{
    QStringList texts;
    for (std::size_t i = from; i < journal.events().size(); ++i) {
        const Event &e = journal.events()[i];
        texts << QStringLiteral("%1 %2 %3").arg(Event::kindText(e.kind)).arg(e.channel).arg(e.detail).trimmed();
    }
    return texts;
}

#define OPEN_LINE(line, ...) QVERIFY2((line).open(__VA_ARGS__), "the simulator's pty did not open")
} // namespace

class TestLineSim : public QObject {
    Q_OBJECT

private slots:
    // Each item is read, written and read back: the spans at their edges and
    // the refusal codes; a refusal leaves the value in place.
    void instrumentRules_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("value"); // as configured
        QTest::addColumn<QString>("data");  // written
        QTest::addColumn<QString>("reply"); // to the write
        const QString ok = ack(), span = nak("0002");
        QTest::newRow("PV read-only, whatever the data") << "0080" << "04D2" << "zz" << nak("0003");
        QTest::newRow("status read-only, alarm 1 (high) active") << "0081" << "0001" << "0000" << nak("0003");
        QTest::newRow("alarm 2 to 9999") << "0002" << "00C8" << "270F" << ok;
        QTest::newRow("alarm 2 to 10000") << "0002" << "00C8" << "2710" << span;
        QTest::newRow("alarm 3 to -2000") << "0003" << "012C" << "F830" << span;
        QTest::newRow("scaling high down to low") << "0006" << "1388" << "FF9C" << span;
        QTest::newRow("filter to 1000") << "0009" << "0014" << "03E8" << span;
        QTest::newRow("alarm 1 action to 3") << "000D" << "0001" << "0003" << span;
        // Only control characters are the component's business; the
        // instrument judges the rest of a data field.
        QTest::newRow("malformed data") << "0001" << "0064" << "12" << nak("0004");
        QTest::newRow("unknown item") << "0004" << "" << "0000" << nak("0001");
    }
    void instrumentRules()
    {
        QFETCH(QString, item);
        QFETCH(QString, value);
        QFETCH(QString, data);
        QFETCH(QString, reply);
        Line line({"--no-pacing", "--instrument",
                   "3:pv=1234,dp=1,filter=20,hi=5000,lo=-100,a1=100,a2=200,a3=300,act1=1,act2=2,act3=0"});
        OPEN_LINE(line);
        const QString read = value.isEmpty() ? nak("0001") : ack(value);
        QCOMPARE(line.send(3, item), read);
        QCOMPARE(line.send(3, item, data), reply);
        QCOMPARE(line.send(3, item), reply == ack() ? ack(data) : read);
        // A reply late on a loaded machine is asked for again: the same frame
        // twice in a row is one command.
        QStringList frames = line.sim.record();
        frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
        QCOMPARE(frames, (QStringList{recorded("R", 3, item), recorded("W", 3, item, data), recorded("R", 3, item)}));
    }

    // The wait counts from the command's last byte on the wire and covers the
    // reply's wire time: at 2400 bit/s a reply begun 65 ms after the 50 ms
    // command is within its allowance.
    void pacedRepliesArriveInTime()
    {
        Line line({"--speed", "2400", "--turnaround", "65", "--instrument", "7:pv=-2"});
        OPEN_LINE(line, "2400");
        for (int i = 0; i < 5; ++i)
            QCOMPARE(line.send(7, "0080"), ack("FFFE"));
    }

    // A silent address gets its count of attempts (at least one), and the
    // next address answers at once.
    void silentAddressMakesCountAttempts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("frames");
        QTest::newRow("count 3") << 3 << 3;
        QTest::newRow("count 0 still tries once") << 0 << 1;
    }
    void silentAddressMakesCountAttempts()
    {
        QFETCH(int, count);
        QFETCH(int, frames);
        Line line({"--no-pacing", "--instrument", "5", "--instrument", "6:pv=6", "--silent", "5"});
        OPEN_LINE(line);
        QCOMPARE(line.send(5, "0080", {}, count), NoAnswer);
        QCOMPARE(line.send(6, "0080"), ack("0006"));
        QCOMPARE(line.sim.record(), QStringList(frames, recorded("R", 5, "0080")) << recorded("R", 6, "0080"));
    }

    // The line status counts what the simulator saw (a frame beyond one a
    // command is a repeat, a corrupted byte no answer); the last frame keeps
    // its attempt, reply and data.
    void lineRecorderCountsWhatTheLineDid_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("reply");        // to every command
        QTest::addColumn<QList<qint64>>("counts"); // replies, refusals, no answers
        QTest::addColumn<QString>("missed");       // the reply of each attempt without answer
        QTest::addColumn<QString>("lastFrame");    // "address item attempt reply data", attempt 0: any
        QTest::newRow("corrupted replies") << QStringList{"--corrupt", "0.3", "--seed", "11"} << 8 << ack("FB2E")
                                           << QList<qint64>{40, 0, 0} << "bad reply" << "2 0080 0 ACK FB2E";
        QTest::newRow("silent") << QStringList{"--no-pacing", "--silent", "2"} << 3 << NoAnswer
                                << QList<qint64>{0, 0, 4} << "none" << "2 0080 3 none ";
        QTest::newRow("refused") << QStringList{"--no-pacing", "--refuse", "2:0080"} << 3 << nak("0001")
                                 << QList<qint64>{0, 40, 0} << "" << "2 0080 1 NAK 0001";
    }
    void lineRecorderCountsWhatTheLineDid()
    {
        QFETCH(QStringList, args);
        QFETCH(int, count);
        QFETCH(QString, reply);
        QFETCH(QList<qint64>, counts);
        QFETCH(QString, missed);
        QFETCH(QString, lastFrame);
        SimProcess sim(QStringList{"--instrument", "2:pv=-1234"} + args);
        FakeClock clock;
        LineRecorder line(std::make_unique<Vtx>(), clock);
        line.SetPort(sim.link());
        line.SetSpeed("9600");
        QVERIFY(sim.start() && line.Open());
        const qint64 commands = counts[0] + counts[1] + counts[2];
        for (int i = 0; i < commands; ++i)
            QCOMPARE(line.SendCommand("\"", " ", " ", "0080", {}, count), reply);
        const LineRecorder::AddressCounts &c = line.counts(2);
        QCOMPARE((QList<qint64>{c.replies, c.refusals, c.noAnswers}), counts);
        QCOMPARE(c.repeats > 0, !missed.isEmpty());
        QTRY_COMPARE(sim.record().size(), commands + c.repeats);
        QCOMPARE(line.frameCount(), commands + c.repeats);
        qint64 misses = 0;
        for (int i = 0; i < line.frameCount(); ++i)
            misses += line.frame(i).reply == missed;
        QCOMPARE(misses, c.repeats + c.noAnswers);
        QCOMPARE(c.lastGoodReply, c.replies ? clock.current : QDateTime());
        const LineRecorder::LineFrame &last = line.frame(line.frameCount() - 1);
        const int attempt = lastFrame.section(u' ', 2, 2) == u"0" ? 0 : last.attempt;
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5").arg(last.address).arg(last.item).arg(attempt).arg(last.reply,
                                                                                                   last.replyData),
                 lastFrame);
    }

    void unpluggedConverter_data()
    {
        QTest::addColumn<bool>("idleHook");
        QTest::addColumn<bool>("eventLoopFirst");
        QTest::newRow("command notices, no event loop") << false << false;
        QTest::newRow("command notices, idle hook turns the event loop") << true << false;
        QTest::newRow("event loop notices between commands") << false << true;
    }
    void unpluggedConverter()
    {
        QFETCH(bool, idleHook);
        QFETCH(bool, eventLoopFirst);
        Line line({"--no-pacing", "--instrument", "4:pv=44"});
        OPEN_LINE(line);
        int idleCalls = 0;
        if (idleHook)
            line.vtx.setWaitHook([&idleCalls] { ++idleCalls; QCoreApplication::processEvents(); });
        QList<AttemptReport::Outcome> attempts; // a faulted line's attempts are told, not skipped
        line.vtx.setAttemptObserver([&attempts](const AttemptReport &r) { attempts << r.outcome; });
        QCOMPARE(line.send(4, "0080"), ack("002C"));
        QCOMPARE(line.sim.command("vanish"), "ok");
        // The link leads nowhere, not to a pty number the next program may get.
        QVERIFY(!QFileInfo(line.sim.link()).symLinkTarget().startsWith("/dev/pts/"));
        if (eventLoopFirst) // Qt reports the lost pty over and over; the device must be let go
            QTRY_VERIFY(line.vtx.lineFaulted());
        QCOMPARE(line.send(4, "0080"), NoAnswer);
        QVERIFY(line.vtx.lineFaulted());
        QCOMPARE(line.send(4, "0001", "0001"), NoAnswer);
        QVERIFY(line.vtx.isOpen()); // still open as far as its user knows
        QCOMPARE(attempts.mid(1), QList<AttemptReport::Outcome>(6, AttemptReport::Outcome::LineFault));
        QCOMPARE(idleCalls > 0, idleHook);
        // The event loop turns on the closed device (Qt still has the lost
        // pty's errors to tell): nothing is reopened or told without a command.
        const qsizetype told = attempts.size();
        QTest::qWait(50);
        QVERIFY(line.vtx.lineFaulted());
        QCOMPARE(attempts.size(), told);
        QCOMPARE(line.sim.command("appear"), "ok");
        QCOMPARE(line.send(4, "0080"), ack("002C"));
        QVERIFY(!line.vtx.lineFaulted());
    }

    // A converter that takes no byte: the command waits out the write margin,
    // a line fault, serving the wait hook (the window) all the while.
    void stalledConverterServesTheWindow()
    {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString slave = QString::fromLocal8Bit(::ptsname(master));
        Vtx vtx;
        vtx.SetPort(slave);
        vtx.SetSpeed(QStringLiteral("9600"));
        QVERIFY(vtx.Open());
        // Nobody reads the master: fill what the pty holds, until it stays
        // full (the kernel moves what was written on in the background).
        const int filler = ::open(QFile::encodeName(slave).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(filler >= 0);
        const QByteArray block(4096, 'x');
        for (int full = 0; full < 5;) {
            bool took = false;
            for (std::size_t size : {std::size_t(4096), std::size_t(1)}) {
                while (::write(filler, block.constData(), size) > 0)
                    took = true;
            }
            full = took ? 0 : full + 1;
            QThread::msleep(10);
        }
        int served = 0;
        vtx.setWaitHook([&served] { ++served; });
        QList<AttemptReport::Outcome> attempts;
        vtx.setAttemptObserver([&attempts](const AttemptReport &r) { attempts << r.outcome; });
        QCOMPARE(vtx.SendCommand(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("R"), QStringLiteral("0080"),
                                 QString(), 1),
                 NoAnswer);
        QCOMPARE(attempts, QList<AttemptReport::Outcome>{AttemptReport::Outcome::LineFault});
        // The margin alone is 1000 ms, served in slices of 5 ms: about 200
        // calls on a quiet machine, 41 seen with two test suites and a build
        // on two cores; a wait that served only before or after the write
        // made 0 or 1.
        QVERIFY2(served >= 10, qPrintable(QString::number(served)));
        vtx.Close();
        ::close(filler);
        ::close(master);
    }

    // A port that is not there, or can never be a serial line whatever the
    // store says: Open is false. A port that cannot be used: VtxError.
    void openFailures_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<bool>("throws");
        QTest::newRow("missing path") << "/nonexistent/tty" << "9600" << false;
        QTest::newRow("FIFO, which would wait for a writer") << "fifo" << "9600" << false;
        QTest::newRow("a device that is no terminal") << "/dev/null" << "9600" << false;
        QTest::newRow("in use by another component") << "sim" << "9600" << true;
        QTest::newRow("speed not a number") << "free sim" << "abc" << true;
    }
    void openFailures()
    {
        QFETCH(QString, port);
        QFETCH(QString, speed);
        QFETCH(bool, throws);
        Line first({"--no-pacing", "--instrument", "0"});
        OPEN_LINE(first);
        QTemporaryDir dir;
        if (port == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(port = dir.filePath("fifo")).constData(), 0600), 0);
        if (port == "free sim")
            first.vtx.Close();
        Vtx second;
        second.SetPort(port.endsWith("sim") ? first.sim.link() : port);
        second.SetSpeed(speed);
        if (throws)
            QVERIFY_THROWS_EXCEPTION(VtxError, second.Open());
        else
            QVERIFY(!second.Open());
        QVERIFY(!second.isOpen());
        if (port == "sim") // the holder is undisturbed
            QCOMPARE(first.send(0, "0080"), ack("0000"));
    }

    // Nothing goes out: only the sound command after it is recorded.
    void badFieldsSendNothing_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("data");
        QTest::newRow("address 32") << "@" << "0001" << "0000";
        QTest::newRow("lower-case item") << "\"" << "000d" << "0001";
        QTest::newRow("CR in data") << "\"" << "0001" << "00\r1";
    }
    void badFieldsSendNothing()
    {
        QFETCH(QString, address);
        QFETCH(QString, item);
        QFETCH(QString, data);
        Line line({"--no-pacing", "--instrument", "2"});
        OPEN_LINE(line);
        QVERIFY_THROWS_EXCEPTION(VtxError, line.vtx.SendCommand(address, " ", "P", item, data, 3));
        QCOMPARE(line.send(2, "0008"), ack("0000"));
        QCOMPARE(line.sim.record(), QStringList{recorded("R", 2, "0008")});
    }

    // Its input at its end at once, the simulator runs until a signal ends
    // it, and takes its link away.
    void simulatorRunsInTheBackgroundUntilASignal()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        QProcess sim;
        sim.setStandardInputFile(QProcess::nullDevice());
        sim.start(VTX500_SIM_PATH, {"--link", link});
        QVERIFY(sim.waitForReadyRead(10000));
        QVERIFY(!sim.waitForFinished(500));
        QVERIFY(QFileInfo(link).isSymLink());
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    // The ten items read from a live instrument into the real form: which
    // code fills which field, and how each value shows.
    void settingItemsLoad()
    {
        Line line({"--no-pacing", "--instrument",
                   "3:pv=100,dp=2,filter=5,hi=5000,lo=-100,a1=10,a2=-20,a3=30,act1=1,act2=2,act3=0"});
        OPEN_LINE(line);
        SharedState state;
        switchOn(state, 3, "3");
        ScriptedPrompter prompter;
        SettingForm form(state, prompter);
        SettingTransfer transfer(line.vtx, state, prompter);
        transfer.setFields(&form);
        form.openForChannel(3);
        for (int call = 0; call < 10; ++call)
            transfer.TransferSettings();
        const QStringList codes = {"0009", "0006", "0007", "0008", "0001", "0002", "0003", "000D", "000E", "000F"};
        const QStringList shown = {" 5", " 5000", "-100", "xx.xx", " 10", "-20", " 30", " 1", " 2", " 0"};
        QStringList record, texts;
        for (int item = 1; item <= 10; ++item) {
            record << recorded("R", 3, codes[item - 1]);
            texts << form.field(item).text;
        }
        QCOMPARE(texts, shown);
        QCOMPARE(line.sim.record(), record);
        QVERIFY(prompter.shown.isEmpty());
    }

    // An instrument at 19200 while 9600 is saved: two attempts at 9600, then
    // one at 19200, reading the probe channel's PV; the speed is saved.
    void discoveryFindsTheSpeed()
    {
        QSettings("KORVANE").clear();
        SimProcess sim({"--speed", "19200", "--instrument", "7:pv=100"});
        QVERIFY(sim.start());
        SettingsStore store;
        store.save("CommPort", sim.link());
        store.save("Speed", "9600");
        SharedState state;
        switchAllOff(state);
        switchOn(state, 12, "7");
        ScriptedPrompter prompter;
        Vtx vtx;
        QCOMPARE(Discovery(vtx, state, store, prompter).StartLink(), "19200");
        QCOMPARE(sim.record(), (QStringList{recorded("R", 7, "0080"), recorded("R", 7, "0080"),
                                            recorded("R", 7, "0080", {}, 19200)}));
        QCOMPARE(store.get("Speed", QString()), "19200");
        QCOMPARE(store.get("CommPort", QString()), sim.link());
        QVERIFY(prompter.shown.isEmpty());
    }

    // Polling, the line and setting transfer as the journal hears them:
    // lamps set by the simulator, a silent instrument, a vanished port and a
    // refused write each make their events once, however many cycles they
    // last; a restart reads the day's file back with its acknowledgements.
    void eventJournalOverTheLine()
    {
        Line line({"--no-pacing", "--instrument", "0:status=1", "--instrument", "1:a1=100,act1=1"});
        OPEN_LINE(line);
        QTemporaryDir dir;
        FakeClock clock;
        SharedState state;
        switchAllOff(state);
        switchOn(state, 0, "0");
        switchOn(state, 1, "1");
        state.channels(1, NameItem).Value = "Oven\t2";
        ScriptedPrompter prompter;
        FakePanels shown;
        auto journal = std::make_unique<EventJournal>(state, clock, prompter, dir.path());
        JournalPanels panels(shown, *journal);
        line.vtx.setAttemptObserver([&journal](const AttemptReport &r) { journal->attemptEnded(r); });
        Polling polling(line.vtx, state, panels, prompter);
        SettingTransfer transfer(line.vtx, state, prompter);
        transfer.settingWritten = [&journal](int c, int item, const QString &before, const QString &after, bool ok) {
            journal->settingWritten(c, item, before, after, ok);
        };
        auto cycles = [&](int n) {
            for (int i = 0; i < n; ++i) {
                polling.PollChannels();
                journal->cycleEnded();
            }
        };
        journal->programStarted();
        cycles(2); // the first cycle: the red lamps only
        QCOMPARE(eventTexts(*journal), (QStringList{"Program start -1", "Lamp red 0 A1"}));

        std::size_t seen = journal->events().size();
        QCOMPARE(line.sim.command("set 0 status 4"), "ok");
        QCOMPARE(line.sim.command("silent 1 on"), "ok");
        cycles(3);
        QCOMPARE(eventTexts(*journal, seen), (QStringList{"Lamp green 0 A1", "Lamp red 0 A3", "No answer 1 no answer"}));
        seen = journal->events().size();
        QCOMPARE(line.sim.command("silent 1 off"), "ok");
        QCOMPARE(line.sim.command("vanish"), "ok");
        cycles(3);
        QCOMPARE(line.sim.command("appear"), "ok");
        cycles(2);
        QCOMPARE(eventTexts(*journal, seen),
                 (QStringList{"Line fault -1", "No answer 0 line fault", "Line restored -1", "Answers again 0",
                              "Answers again 1"}));

        // Alarm 1 of channel 1: read as 100, written as 150 (taken), then as
        // 10000 (over its span: refused).
        seen = journal->events().size();
        state.channels(1, 5).ReadRequest = 1;
        transfer.TransferSettings();
        for (const char *value : {"0096", "2710"}) {
            state.channels(1, 5).Value = value;
            state.channels(1, 5).WriteRequest = 1;
            for (int call = 0; call < 10 && state.channels(1, 5).WriteRequest; ++call)
                transfer.TransferSettings();
        }
        QCOMPARE(journal->events().size(), seen + 2);
        const Event &refused = journal->events().back();
        QCOMPARE((QStringList{refused.name, refused.caption, refused.before, refused.after}),
                 (QStringList{"Oven\t2", "Alarm 1 setting", " 150", " 10000"}));
        QVERIFY(!refused.accepted && journal->events()[seen].accepted);
        state.channels(1, StateItem).Value = "OFF";
        cycles(2);
        QCOMPARE(eventTexts(*journal, seen + 2), QStringList{"Channel OFF 1"});

        // The active A3 acknowledged, the returned A1 not: both states
        // survive the restart, as does every event.
        QCOMPARE(journal->acknowledge({journal->events()[3].sequence, journal->events()[4].sequence}), 1);
        QCOMPARE(journal->acknowledge({journal->events()[3].sequence}), 0);
        journal->programEnded();
        const QStringList before = eventTexts(*journal);
        QCOMPARE(journal->failedWrites(), 0);
        QVERIFY(prompter.shown.size() >= 3); // polling's own boxes, none of the journal's
        journal = std::make_unique<EventJournal>(state, clock, prompter, dir.path());
        QCOMPARE(journal->readBack(), before.size());
        QCOMPARE(eventTexts(*journal), before);
        QCOMPARE(journal->activeAlarms(), 1);
        QCOMPARE(journal->unacknowledgedAlarms(), 1);
        QCOMPARE(journal->alarmState(journal->events()[3]), AlarmState::ActiveAcknowledged);
        QCOMPARE(journal->events()[seen + 1].name, "Oven 2"); // the tab could not shift the columns
        // The first status after the restart: A3 still red is no news.
        journal->programStarted();
        journal->lampsShown(0, 4);
        journal->cycleEnded();
        QCOMPARE(eventTexts(*journal, std::size_t(before.size())), QStringList{"Program start -1"});
    }

    // The journal file: a name no PV log has, a torn last line skipped on
    // reading and not continued by the next event, a failed write told once.
    void journalFile()
    {
        QTemporaryDir dir;
        FakeClock clock;
        SharedState state;
        ScriptedPrompter prompter;
        const QString path = EventJournal::fileName(dir.path(), clock.current.date());
        QCOMPARE(QFileInfo(path).fileName(), "events-2006-12-05.tsv");
        trend::LogChart chart;
        QVERIFY(!chart.open({path}));
        {
            EventJournal journal(state, clock, prompter, dir.path());
            journal.programStarted();
            journal.linkFound("/dev/ttyS0", "9600");
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("2006-12-05T08:46:00Z\tLamp red\t0\t");
        file.close();
        EventJournal journal(state, clock, prompter, dir.path());
        QCOMPARE(journal.readBack(), 2);
        QCOMPARE(journal.events().back().detail, "/dev/ttyS0 at 9600 bit/s");
        journal.programEnded();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 6);
        QVERIFY(lines[0].startsWith("Time\tEvent\t"));
        QVERIFY(lines[4].startsWith("2006-12-05T08:46:00") && lines[4].contains("\tProgram end\t"));
        QCOMPARE(lines[4].count('\t'), 9);

        // A directory where tomorrow's file belongs: every event fails, one
        // box, and during a step only after its end.
        clock.advance(86400);
        QVERIFY(QDir().mkpath(journal.fileName(clock.current.date())));
        journal.holdMessages(true);
        for (int i = 0; i < 3; ++i)
            journal.programEnded();
        QCOMPARE(journal.failedWrites(), 3);
        QVERIFY(prompter.shown.isEmpty());
        journal.holdMessages(false);
        QCOMPARE(prompter.shown.size(), 1);
        QVERIFY(prompter.shown[0].text.startsWith("Cannot write in the event journal"));
    }
};

QTEST_GUILESS_MAIN(TestLineSim)
#include "tst_line_sim.moc"
