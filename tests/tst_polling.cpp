// Polling and PV formatting against a scripted line: what each reply shows,
// which messages come in which order, and what never goes on the line.

#include "comm/Polling.h"
#include "comm/PanelView.h"
#include "config/SharedState.h"
#include "support/FakeVtx.h"
#include "support/ScriptedPrompter.h"

#include <QLocale>
#include <QMap>
#include <QtTest>

namespace {

// The panels as polling sees them, remembering every write.
class RecordingPanels : public PanelView {
public:
    QMap<int, QString> texts;
    QMap<int, quint16> lamps;
    QStringList writes; // "7 pv ----", "7 lamps 5"

    void setPvText(int channel, const QString &text) override
    {
        texts[channel] = text;
        writes << QStringLiteral("%1 pv %2").arg(channel).arg(text);
    }
    QString pvText(int channel) const override { return texts.value(channel); }
    void setLamps(int channel, quint16 statusWord) override
    {
        lamps[channel] = statusWord;
        writes << QStringLiteral("%1 lamps %2").arg(channel).arg(statusWord);
    }
};

// Instruments by device address: the reply to the PV and the status item.
struct Line {
    QMap<int, QString> pv, status;
    QString answer(const SentCommand &command) const
    {
        const auto &table = command.item == QLatin1String("0080") ? pv : status;
        return table.value(command.deviceAddress(), FakeVtx::none());
    }
};

const QString NoResponse = QStringLiteral("No response from VTX.");

} // namespace

class tst_Polling : public QObject {
    Q_OBJECT

    FakeVtx vtx;
    SharedState state;
    RecordingPanels panels;
    ScriptedPrompter prompter;
    Line line;

    void switchOn(int channel, const QString &address, const QString &monitoring = QStringLiteral("ON"))
    {
        state.channels(channel, StateItem).Value = monitoring;
        state.DvtoN[std::size_t(channel)] = address;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init()
    {
        vtx = FakeVtx();
        vtx.reply = [this](const SentCommand &command) { return line.answer(command); };
        state = SharedState();
        for (int channel = 0; channel < ChannelCount; ++channel)
            state.channels(channel, StateItem).Value = QStringLiteral("OFF");
        panels = RecordingPanels();
        prompter = ScriptedPrompter();
        line = Line();
    }

    void formatPv_data()
    {
        QTest::addColumn<int>("pv");
        QTest::addColumn<int>("places");
        QTest::addColumn<qint64>("address");
        QTest::addColumn<QString>("text");

        QTest::newRow("1234 place 0") << 1234 << 0 << qint64(3) << "1234";
        QTest::newRow("1234 place 1") << 1234 << 1 << qint64(3) << "123.4";
        QTest::newRow("1234 place 2") << 1234 << 2 << qint64(3) << "12.34";
        QTest::newRow("1234 place 3") << 1234 << 3 << qint64(3) << "1.234";
        QTest::newRow("-5 place 0") << -5 << 0 << qint64(3) << "-5";
        QTest::newRow("-5 place 1") << -5 << 1 << qint64(3) << "-0.5";
        QTest::newRow("-5 place 2") << -5 << 2 << qint64(3) << "-0.05";
        QTest::newRow("-5 place 3") << -5 << 3 << qint64(3) << "-0.005";
        QTest::newRow("zero place 2") << 0 << 2 << qint64(3) << "0.00";
        QTest::newRow("most negative place 1") << -32768 << 1 << qint64(3) << "-3276.8";
        QTest::newRow("most negative place 0") << -32768 << 0 << qint64(3) << "-32768";
        QTest::newRow("most positive place 3") << 32767 << 3 << qint64(3) << "32.767";
        QTest::newRow("FFFF place 1") << -1 << 1 << qint64(3) << "-0.1";
        QTest::newRow("FFFF place 0") << -1 << 0 << qint64(3) << "-1";
        QTest::newRow("place 4") << 1234 << 4 << qint64(3) << "";
        QTest::newRow("place -1") << 1234 << -1 << qint64(3) << "";
        QTest::newRow("highest address") << 1234 << 1 << qint64(31) << "123.4";
        QTest::newRow("address 32") << 1234 << 1 << qint64(32) << "";
        QTest::newRow("address -1") << 1234 << 1 << qint64(-1) << "";
    }

    void formatPv()
    {
        QFETCH(int, pv);
        QFETCH(int, places);
        QFETCH(qint64, address);
        QFETCH(QString, text);
        DecimalPlaceTable table{};
        table.fill(qint16(places));
        QCOMPARE(FormatPv(qint16(pv), address, table), text);
    }

    void formatPvUsesLocaleSeparatorWithoutGrouping()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        DecimalPlaceTable table{};
        table[1] = 1;
        QCOMPARE(FormatPv(-32768, 1, table), QStringLiteral("-3276,8"));
        QCOMPARE(FormatPv(12345, 0, table), QStringLiteral("12345"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void readAllPvVisitsEveryChannelUpwards()
    {
        QStringList expected;
        for (int channel = 0; channel < ChannelCount; ++channel) {
            state.DvtoN[std::size_t(channel)] = QString::number(channel);
            expected << QStringLiteral("%1 0080 3").arg(channel);
        }
        state.DecimalPlaces[4] = 2;
        line.pv[4] = FakeVtx::ack(QStringLiteral("04D2"));
        Polling(vtx, state, panels, prompter).ReadAllPv();

        QStringList sent;
        for (const SentCommand &c : vtx.sent)
            sent << QStringLiteral("%1 %2 %3").arg(c.deviceAddress()).arg(c.item).arg(c.count);
        QCOMPARE(sent, expected);
        QCOMPARE(panels.texts.value(4), QStringLiteral("12.34")); // OFF channels are read too
        QVERIFY(prompter.shown.isEmpty());
        QVERIFY(panels.lamps.isEmpty());
    }

    // A channel that did not answer must not show a made-up 0.
    void readAllPvShowsUnreadableForEveryFailure_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::newRow("no answer") << FakeVtx::none();
        QTest::newRow("refused") << FakeVtx::nak();
        QTest::newRow("garbage") << QStringLiteral("?0000");
        QTest::newRow("empty") << QString();
    }

    void readAllPvShowsUnreadableForEveryFailure()
    {
        QFETCH(QString, reply);
        vtx.reply = [reply](const SentCommand &) { return reply; };
        Polling(vtx, state, panels, prompter).ReadAllPv();
        for (int channel = 0; channel < ChannelCount; ++channel)
            QCOMPARE(panels.texts.value(channel), QStringLiteral("----"));
        QVERIFY(prompter.shown.isEmpty());
    }

    void pollShowsEachOutcome_data()
    {
        QTest::addColumn<QString>("pvReply");
        QTest::addColumn<QString>("statusReply");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("lampWord"); // -1: lamps untouched

        QTest::newRow("both read") << FakeVtx::ack("04D2") << FakeVtx::ack("0005") << "123.4" << QStringList() << 5;
        QTest::newRow("FFFF at place 1") << FakeVtx::ack("FFFF") << FakeVtx::ack("0000") << "-0.1" << QStringList()
                                         << 0;
        QTest::newRow("high status bits kept for lamps")
            << FakeVtx::ack("0001") << FakeVtx::ack("FFF8") << "0.1" << QStringList() << 0xFFF8;
        QTest::newRow("PV refused") << FakeVtx::nak() << FakeVtx::ack("0002") << "----"
                                    << QStringList{"PV cannot be read."} << 2;
        QTest::newRow("status refused after a good PV")
            << FakeVtx::ack("04D2") << FakeVtx::nak() << "----" << QStringList{"Condition cannot be read."} << -1;
        QTest::newRow("silent") << FakeVtx::none() << FakeVtx::none() << "----" << QStringList{NoResponse, NoResponse}
                                << -1;
        QTest::newRow("other replies leave the panel alone")
            << QStringLiteral("X") << QString() << "old" << QStringList() << -1;
    }

    void pollShowsEachOutcome()
    {
        QFETCH(QString, pvReply);
        QFETCH(QString, statusReply);
        QFETCH(QString, text);
        QFETCH(QStringList, messages);
        QFETCH(int, lampWord);

        switchOn(5, QStringLiteral("12"));
        state.DecimalPlaces[12] = 1;
        panels.texts[5] = QStringLiteral("old");
        line.pv[12] = pvReply;
        line.status[12] = statusReply;
        Polling(vtx, state, panels, prompter).PollChannels();

        QCOMPARE(panels.texts.value(5), text);
        QCOMPARE(prompter.texts(), messages);
        for (const ScriptedPrompter::Shown &shown : prompter.shown) {
            QCOMPARE(shown.title, QString()); // the application title
            QCOMPARE(shown.icon, Prompter::Icon::None);
            QVERIFY(!shown.question);
        }
        if (lampWord < 0)
            QVERIFY(!panels.lamps.contains(5));
        else
            QCOMPARE(int(panels.lamps.value(5)), lampWord);
        // PV first, then status, both read commands with three attempts.
        QStringList sent;
        for (const SentCommand &c : vtx.sent)
            sent << QStringLiteral("%1|%2|%3|%4|%5|%6").arg(c.deviceAddress()).arg(c.sub, c.type, c.item, c.data).arg(c.count);
        QCOMPARE(sent, (QStringList{"12| | |0080||3", "12| | |0081||3"}));
    }

    void failureShowsBeforeItsMessage()
    {
        switchOn(2, QStringLiteral("2"));
        panels.texts[2] = QStringLiteral("1.0");
        QStringList seenWhileOpen;
        prompter.onShow = [&](const ScriptedPrompter::Shown &) { seenWhileOpen << panels.pvText(2); };
        Polling(vtx, state, panels, prompter).PollChannels();
        QCOMPARE(seenWhileOpen, (QStringList{"----", "----"}));
    }

    void pollVisitsOnChannelsDownwards_data()
    {
        QTest::addColumn<QString>("lowState");
        QTest::addColumn<bool>("lowPolled");
        QTest::newRow("ON") << "ON" << true;
        QTest::newRow("list entry with blanks") << "      ON" << true;
        QTest::newRow("lower case on") << "on" << true;
        QTest::newRow("lower case off") << "off" << false;
        QTest::newRow("OFF") << "      OFF" << false;
        QTest::newRow("empty") << "" << false;
    }

    void pollVisitsOnChannelsDownwards()
    {
        QFETCH(QString, lowState);
        QFETCH(bool, lowPolled);
        switchOn(3, QStringLiteral("3"), lowState);
        switchOn(7, QStringLiteral("7"));
        panels.texts[3] = QStringLiteral("kept");
        Polling(vtx, state, panels, prompter).PollChannels();

        QStringList visited;
        for (const SentCommand &command : vtx.sent)
            visited << QString::number(command.deviceAddress()) + command.item;
        QStringList expected{"70080", "70081"};
        if (lowPolled)
            expected << "30080" << "30081";
        QCOMPARE(visited, expected);
        // Messages of channel 7 before those of channel 3.
        QCOMPARE(prompter.shown.size(), lowPolled ? 4 : 2);
        if (!lowPolled)
            QCOMPARE(panels.texts.value(3), QStringLiteral("kept"));
    }

    // An address outside 0..31 must not reach the line (it would be a
    // control or a stray character) nor index past the decimal places.
    void addressOutOfRangeIsAnInstrumentThatDoesNotAnswer_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("32") << "32";
        QTest::newRow("negative") << "-1";
        QTest::newRow("huge") << "1e12";
        QTest::newRow("rounds to 32") << "31.6";
    }

    void addressOutOfRangeIsAnInstrumentThatDoesNotAnswer()
    {
        QFETCH(QString, address);
        vtx.reply = [](const SentCommand &) { return FakeVtx::ack(QStringLiteral("0007")); };
        switchOn(6, address);
        Polling polling(vtx, state, panels, prompter);

        polling.PollChannels();
        QVERIFY(vtx.sent.isEmpty());
        QCOMPARE(panels.texts.value(6), QStringLiteral("----"));
        QCOMPARE(prompter.texts(), QStringList(2, NoResponse));
        QVERIFY(!panels.lamps.contains(6));

        polling.ReadAllPv();
        QCOMPARE(panels.texts.value(6), QStringLiteral("----"));
        for (const SentCommand &command : vtx.sent)
            QVERIFY(command.deviceAddress() >= 0 && command.deviceAddress() <= 31);
    }
};

QTEST_GUILESS_MAIN(tst_Polling)
#include "tst_polling.moc"
