// Polling and PV formatting against a scripted line: what each reply shows,
// which messages come in which order, and what never goes on the line.

#include "comm/Polling.h"
#include "support/Channels.h"
#include "support/FakePanels.h"
#include "support/FakeVtx.h"
#include "support/ScriptedPrompter.h"

#include <QLocale>
#include <QtTest>

namespace {
const QString NoResponse = QStringLiteral("No response from VTX.");
} // namespace

class tst_Polling : public QObject {
    Q_OBJECT

    FakeVtx vtx;
    SharedState state;
    FakePanels panels;
    ScriptedPrompter prompter;
    QMap<int, QString> pvReply, statusReply; // by device address; no answer when missing

    QStringList sent() const // "address item", and the attempts when not 3
    {
        QStringList result;
        for (const SentCommand &c : vtx.sent)
            result << QStringLiteral("%1 %2").arg(c.deviceAddress()).arg(c.item) + (c.count == 3 ? "" : " count");
        return result;
    }

private slots:
    void initTestCase() { cleanup(); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init()
    {
        vtx = FakeVtx();
        vtx.reply = [this](const SentCommand &c) {
            return (c.item == QLatin1String("0080") ? pvReply : statusReply).value(c.deviceAddress(), FakeVtx::none());
        };
        state = SharedState();
        switchAllOff(state);
        panels = FakePanels();
        prompter = ScriptedPrompter();
        pvReply.clear();
        statusReply.clear();
    }

    // The PV with its decimal places, leading zeros and sign kept; nothing
    // for a place count or an address without an entry.
    void formatPv_data()
    {
        QTest::addColumn<int>("pv");
        QTest::addColumn<int>("places");
        QTest::addColumn<qint64>("address");
        QTest::addColumn<QString>("text");
        QTest::newRow("1234 place 0") << 1234 << 0 << qint64(3) << "1234";
        QTest::newRow("1234 place 3") << 1234 << 3 << qint64(3) << "1.234";
        QTest::newRow("-5 place 1") << -5 << 1 << qint64(3) << "-0.5";
        QTest::newRow("-5 place 3") << -5 << 3 << qint64(3) << "-0.005";
        QTest::newRow("zero place 2") << 0 << 2 << qint64(3) << "0.00";
        QTest::newRow("-32768 place 1") << -32768 << 1 << qint64(3) << "-3276.8";
        QTest::newRow("place 4") << 1234 << 4 << qint64(3) << "";
        QTest::newRow("highest address") << 1234 << 1 << qint64(31) << "123.4";
        QTest::newRow("address 32") << 1234 << 1 << qint64(32) << "";
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

    // The decimal separator is the locale's; no group separator splits a PV.
    void formatPvUsesLocaleSeparatorWithoutGrouping()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        DecimalPlaceTable table{};
        table[1] = 1;
        QCOMPARE(FormatPv(-32768, 1, table), QStringLiteral("-3276,8"));
        QCOMPARE(FormatPv(12345, 0, table), QStringLiteral("12345"));
    }

    // The opening read goes to every channel upwards, OFF ones too, and a
    // channel that did not answer must not show a made-up 0.
    void readAllPv()
    {
        QStringList expected;
        for (int channel = 0; channel < ChannelCount; ++channel) {
            state.DvtoN[std::size_t(channel)] = QString::number(channel);
            expected << QStringLiteral("%1 0080").arg(channel);
        }
        state.DvtoN[9] = QStringLiteral("40"); // nothing sent for it
        expected.removeAt(9);
        state.DecimalPlaces[4] = 2;
        pvReply[4] = FakeVtx::ack(QStringLiteral("04D2"));
        pvReply[5] = FakeVtx::nak();
        pvReply[6] = QStringLiteral("?0000");
        Polling(vtx, state, panels, prompter).ReadAllPv();
        QCOMPARE(sent(), expected);
        QCOMPARE(panels.texts.value(4), QStringLiteral("12.34"));
        for (int channel : {0, 5, 6, 9, 30})
            QCOMPARE(panels.texts.value(channel), QStringLiteral("----"));
        QVERIFY(prompter.shown.isEmpty());
        QVERIFY(panels.lamps.isEmpty());
    }

    // What each pair of replies shows and tells, the failure shown before its
    // box; an address outside 0..31 must not reach the line (it would be a
    // control or a stray character) nor index past the decimal places.
    void pollShowsEachOutcome_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("pvAnswer");
        QTest::addColumn<QString>("statusAnswer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("lampWord"); // -1: lamps untouched
        const QString ack = FakeVtx::ack("04D2"), nak = FakeVtx::nak(), none = FakeVtx::none();
        const QStringList silent{NoResponse, NoResponse};
        QTest::newRow("both read") << "12" << ack << FakeVtx::ack("0005") << "123.4" << QStringList() << 5;
        QTest::newRow("high status bits kept for lamps")
            << "12" << FakeVtx::ack("FFFF") << FakeVtx::ack("FFF8") << "-0.1" << QStringList() << 0xFFF8;
        QTest::newRow("PV refused") << "12" << nak << FakeVtx::ack("0002") << "----" << QStringList{"PV cannot be read."}
                                    << 2;
        QTest::newRow("status refused after a good PV")
            << "12" << ack << nak << "----" << QStringList{"Condition cannot be read."} << -1;
        QTest::newRow("silent") << "12" << none << none << "----" << silent << -1;
        QTest::newRow("other replies leave the panel alone") << "12" << "X" << "" << "old" << QStringList() << -1;
        QTest::newRow("address 32 is silent") << "32" << ack << ack << "----" << silent << -1;
        QTest::newRow("address -1 is silent") << "-1" << ack << ack << "----" << silent << -1;
        QTest::newRow("address rounding to 32 is silent") << "31.6" << ack << ack << "----" << silent << -1;
    }
    void pollShowsEachOutcome()
    {
        QFETCH(QString, address);
        QFETCH(QString, pvAnswer);
        QFETCH(QString, statusAnswer);
        QFETCH(QString, text);
        QFETCH(QStringList, messages);
        QFETCH(int, lampWord);
        switchOn(state, 5, address);
        state.DecimalPlaces[12] = 1;
        panels.texts[5] = QStringLiteral("old");
        vtx.reply = [&](const SentCommand &c) { return c.item == QLatin1String("0080") ? pvAnswer : statusAnswer; };
        QStringList seenWhileOpen;
        prompter.onShow = [&](const ScriptedPrompter::Shown &) { seenWhileOpen << panels.pvText(5); };
        Polling(vtx, state, panels, prompter).PollChannels();
        QCOMPARE(panels.texts.value(5), text);
        QCOMPARE(prompter.texts(), messages);
        QCOMPARE(seenWhileOpen, QStringList(messages.size(), text));
        QCOMPARE(panels.lamps.contains(5) ? int(panels.lamps.value(5)) : -1, lampWord);
        QCOMPARE(sent(), (address == QLatin1String("12") ? QStringList{"12 0080", "12 0081"} : QStringList()));
    }

    // Polling goes from channel 30 down to 0, only to channels switched on
    // (any case, blanks around), each channel's boxes before the next's.
    void pollVisitsOnChannelsDownwards_data()
    {
        QTest::addColumn<QString>("lowState");
        QTest::addColumn<bool>("lowPolled");
        QTest::newRow("list entry with blanks") << "      ON" << true;
        QTest::newRow("lower case on") << "on" << true;
        QTest::newRow("OFF") << "      OFF" << false;
        QTest::newRow("empty") << "" << false;
    }
    void pollVisitsOnChannelsDownwards()
    {
        QFETCH(QString, lowState);
        QFETCH(bool, lowPolled);
        switchOn(state, 3, QStringLiteral("3"), lowState);
        switchOn(state, 7, QStringLiteral("7"));
        pvReply[7] = FakeVtx::nak();
        statusReply[7] = FakeVtx::ack("0000");
        panels.texts[3] = QStringLiteral("kept");
        Polling(vtx, state, panels, prompter).PollChannels();
        QStringList expected{"7 0080", "7 0081"};
        QStringList messages{QStringLiteral("PV cannot be read.")};
        if (lowPolled) {
            expected << "3 0080" << "3 0081";
            messages << NoResponse << NoResponse;
        }
        QCOMPARE(sent(), expected);
        QCOMPARE(prompter.texts(), messages);
        QCOMPARE(panels.texts.value(3), QString(lowPolled ? "----" : "kept"));
    }
};

QTEST_GUILESS_MAIN(tst_Polling)
#include "tst_polling.moc"
