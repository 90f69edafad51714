// The main loop's steps against a scripted component: polling and the PV
// format, setting transfer, port and speed discovery, and the line status.
#include "comm/Commands.h"
#include "comm/Discovery.h"
#include "comm/LineRecorder.h"
#include "comm/LineText.h"
#include "comm/Polling.h"
#include "comm/SettingTransfer.h"
#include "config/SettingFields.h"
#include "config/SettingsStore.h"
#include "support/Channels.h"
#include "support/FakeClock.h"
#include "support/FakePanels.h"
#include "support/FakeVtx.h"
#include "support/ScriptedPrompter.h"

#include <QLocale>
#include <QSettings>
#include <QtTest>

namespace {
// The setting dialog's fields as the transfer sees them.
class RecordingFields : public SettingFields {
public:
    QString selector;
    QMap<int, QString> texts;
    QList<int> refused;
    QString channelSelectorText() const override { return selector; }
    void setItemText(int item, const QString &text) override { texts[item] = text; }
    void markRefused(int item) override { refused << item; }
};

const QString NoResponse = QStringLiteral("No response from VTX.");
const QString OverSpan = QStringLiteral("It can not set up. It is over setting allowable span.");
} // namespace

class tst_steps : public QObject {
    Q_OBJECT

    SharedState state_;
    FakeVtx vtx_;
    ScriptedPrompter prompter_;
    FakePanels panels_;
    RecordingFields fields_;
    SettingsStore store_;
    std::unique_ptr<SettingTransfer> transfer_;

    void answer(const QString &reply)
    {
        vtx_.reply = [reply](const SentCommand &) { return reply; };
    }
    // Replies by device address, the PV's and the status word's; ESC when missing.
    void answerByAddress(const QMap<int, QString> &pv, const QMap<int, QString> &status)
    {
        vtx_.reply = [pv, status](const SentCommand &c) {
            return (c.item == QLatin1String("0080") ? pv : status).value(c.deviceAddress(), FakeVtx::none());
        };
    }
    // "address item" of each command, and its attempts when not 3.
    QStringList sent() const
    {
        QStringList result;
        for (const SentCommand &c : vtx_.sent)
            result << QStringLiteral("%1 %2").arg(c.deviceAddress()).arg(c.item) + (c.count == 3 ? "" : " count");
        return result;
    }
    // Transfer calls until n commands were sent; false when two rounds pass first.
    bool transferUntilSent(int n)
    {
        for (int call = 0; call < 2 * 10 * n && vtx_.sent.size() < n; ++call)
            transfer_->TransferSettings();
        return vtx_.sent.size() == n;
    }
    QString stored(const char *key) const { return store_.get(QString::fromLatin1(key), QStringLiteral("-")); }
    Discovery discovery() { return Discovery(vtx_, state_, store_, prompter_); }
    FakeClock clock_;

private slots:
    void initTestCase() { cleanup(); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init()
    {
        QSettings(QStringLiteral("KORVANE")).clear();
        state_ = SharedState();
        switchAllOff(state_);
        vtx_ = FakeVtx();
        prompter_ = ScriptedPrompter();
        panels_ = FakePanels();
        fields_ = RecordingFields();
        transfer_ = std::make_unique<SettingTransfer>(vtx_, state_, prompter_);
        transfer_->setFields(&fields_);
    }

    // Places, leading zeros and sign kept; an impossible place count shows the
    // PV whole; the locale's decimal separator, never a group separator.
    void formatPv_data()
    {
        QTest::addColumn<int>("pv");
        QTest::addColumn<int>("places");
        QTest::addColumn<qint64>("address");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::newRow("1234 place 3") << 1234 << 3 << qint64(3) << "1.234" << "en_US";
        QTest::newRow("-5 place 3") << -5 << 3 << qint64(3) << "-0.005" << "en_US";
        QTest::newRow("-32768 place 1") << -32768 << 1 << qint64(3) << "-3276.8" << "en_US";
        QTest::newRow("impossible place 4") << 1234 << 4 << qint64(3) << "1234" << "en_US";
        QTest::newRow("impossible place -1") << -12 << -1 << qint64(3) << "-12" << "en_US";
        QTest::newRow("highest address") << 1234 << 1 << qint64(31) << "123.4" << "en_US";
        QTest::newRow("address 32") << 1234 << 1 << qint64(32) << "" << "en_US";
        QTest::newRow("German separator") << -32768 << 1 << qint64(1) << "-3276,8" << "de_DE";
        QTest::newRow("no group separator") << 12345 << 0 << qint64(0) << "12345" << "de_DE";
    }
    void formatPv()
    {
        QFETCH(int, pv);
        QFETCH(int, places);
        QFETCH(qint64, address);
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        DecimalPlaceTable table{};
        table.fill(qint16(places));
        QCOMPARE(FormatPv(qint16(pv), address, table), text);
    }

    // The opening read goes to every channel upwards, OFF ones too, and a
    // channel that did not answer must not show a made-up 0.
    void readAllPv()
    {
        QStringList expected;
        for (int channel = 0; channel < ChannelCount; ++channel) {
            state_.DvtoN[std::size_t(channel)] = QString::number(channel);
            expected << QStringLiteral("%1 0080").arg(channel);
        }
        state_.DvtoN[9] = QStringLiteral("40"); // nothing sent for it
        expected.removeAt(9);
        state_.DecimalPlaces[4] = 2;
        answerByAddress({{4, FakeVtx::ack("04D2")}, {5, FakeVtx::nak()}, {6, QStringLiteral("?0000")}}, {});
        Polling(vtx_, state_, panels_, prompter_).ReadAllPv();
        QCOMPARE(sent(), expected);
        QCOMPARE(panels_.texts.value(4), QStringLiteral("12.34"));
        for (int channel : {0, 5, 6, 9, 30})
            QCOMPARE(panels_.texts.value(channel), QStringLiteral("----"));
        QVERIFY(prompter_.shown.isEmpty());
        QVERIFY(panels_.lamps.isEmpty());
    }

    // What each pair of replies shows and tells, the failure shown before its box;
    // an address outside 0..31 never reaches the line nor indexes past the places.
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
        switchOn(state_, 5, address);
        state_.DecimalPlaces[12] = 1;
        panels_.texts[5] = QStringLiteral("old");
        vtx_.reply = [&](const SentCommand &c) { return c.item == QLatin1String("0080") ? pvAnswer : statusAnswer; };
        QStringList seenWhileOpen;
        prompter_.onShow = [&](const ScriptedPrompter::Shown &) { seenWhileOpen << panels_.pvText(5); };
        Polling(vtx_, state_, panels_, prompter_).PollChannels();
        QCOMPARE(panels_.texts.value(5), text);
        QCOMPARE(prompter_.texts(), messages);
        QCOMPARE(seenWhileOpen, QStringList(messages.size(), text));
        QCOMPARE(panels_.lamps.contains(5) ? int(panels_.lamps.value(5)) : -1, lampWord);
        QCOMPARE(sent(), (address == QLatin1String("12") ? QStringList{"12 0080", "12 0081"} : QStringList()));
    }

    // Polling goes from channel 30 down to 0, only to channels switched on
    // (any case, blanks around), each channel's boxes before the next's.
    void pollVisitsOnChannelsDownwards_data()
    {
        QTest::addColumn<QString>("lowState");
        QTest::addColumn<bool>("lowPolled");
        QTest::newRow("list entry in lower case with blanks") << "      on" << true;
        QTest::newRow("OFF") << "      OFF" << false;
        QTest::newRow("empty") << "" << false;
    }
    void pollVisitsOnChannelsDownwards()
    {
        QFETCH(QString, lowState);
        QFETCH(bool, lowPolled);
        switchOn(state_, 3, QStringLiteral("3"), lowState);
        switchOn(state_, 7, QStringLiteral("7"));
        answerByAddress({{7, FakeVtx::nak()}}, {{7, FakeVtx::ack("0000")}});
        panels_.texts[3] = QStringLiteral("kept");
        Polling(vtx_, state_, panels_, prompter_).PollChannels();
        QStringList expected{"7 0080", "7 0081"};
        QStringList messages{QStringLiteral("PV cannot be read.")};
        if (lowPolled) {
            expected << "3 0080" << "3 0081";
            messages << NoResponse << NoResponse;
        }
        QCOMPARE(sent(), expected);
        QCOMPARE(prompter_.texts(), messages);
        QCOMPARE(panels_.texts.value(3), QString(lowPolled ? "----" : "kept"));
    }

    // 310 positions (channels 0..30, items 1..10), 31 per call when nothing is pending; a pending one is
    // served within one round of 10 calls (the code each item reads: tst_line_sim's settingItemsLoad).
    void transferCursorWalk()
    {
        state_.channels(31, 1).ReadRequest = 1; // row 31 is never visited
        transfer_->TransferSettings();
        QCOMPARE(transfer_->TransferCursor().channel, 3); // channel 0 item 1 .. channel 3 item 1
        QCOMPARE(transfer_->TransferCursor().item, 1);
        for (int call = 1; call < 10; ++call)
            transfer_->TransferSettings();
        QCOMPARE(transfer_->TransferCursor().channel, 30);
        QCOMPARE(transfer_->TransferCursor().item, 10);
        QVERIFY(vtx_.sent.isEmpty());
        for (int channel = 0; channel < ChannelCount; ++channel) {
            state_.DvtoN[std::size_t(channel)] = QString::number(channel);
            for (int item = 1; item <= 10; ++item) {
                state_.channels(channel, item).ReadRequest = 1;
                vtx_.sent.clear();
                for (int call = 0; call < 10 && vtx_.sent.isEmpty(); ++call)
                    transfer_->TransferSettings();
                QCOMPARE(vtx_.sent.size(), 1);
                QCOMPARE(vtx_.sent[0].deviceAddress(), channel);
                QCOMPARE(vtx_.sent[0].type + QString::number(vtx_.sent[0].count), QStringLiteral(" 3"));
            }
        }
        QCOMPARE(prompter_.shown.size(), 310);
    }

    // A pending read goes before the write of the same item, and the write
    // then sends the value read, not the one entered.
    void transferReadsBeforeWritingTheSameItem()
    {
        state_.DvtoN[2] = QStringLiteral("5");
        ChannelItem &cell = state_.channels(2, 3);
        cell.Value = QStringLiteral("0064"); // what the operator entered
        cell.ReadRequest = cell.WriteRequest = 1;
        vtx_.reply = [](const SentCommand &c) { return c.type == u"P" ? FakeVtx::ack() : FakeVtx::ack("FF38"); };
        QVERIFY(transferUntilSent(2));
        QCOMPARE(vtx_.sent[0].type, QStringLiteral(" "));
        QCOMPARE(vtx_.sent[1].type + vtx_.sent[1].item, QStringLiteral("P0007"));
        QCOMPARE(vtx_.sent[1].deviceAddress(), 5);
        QCOMPARE(vtx_.sent[1].data, QStringLiteral("FF38"));
        QCOMPARE(cell.WriteRequest, 0);
    }

    // A read reply fills the field and the place table only while the dialog
    // still shows that channel (the operator may have moved on meanwhile).
    void transferReadReply_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("fieldText"); // empty: the field is not touched
        QTest::addColumn<int>("places");        // -1: DecimalPlaces not touched
        QTest::addColumn<QString>("message");
        const QString ack = QString(ACK);
        QTest::newRow("place 3") << " 7" << 4 << ack + "0003" << "x.xxx" << 3 << "";
        QTest::newRow("place unknown") << " 7" << 4 << ack + "0004" << "xxxx" << 0 << "";
        QTest::newRow("refused") << " 7" << 2 << QString(NAK) + "0001" << "" << -1 << "Setting cannot be read.";
        QTest::newRow("no answer") << " 7" << 4 << QString(ESC) << "" << -1 << NoResponse;
        QTest::newRow("other") << " 7" << 2 << "?" << "" << -1 << "";
        QTest::newRow("another channel shown") << "8" << 4 << ack + "0003" << "" << -1 << "";
        QTest::newRow("no channel shown") << "abc" << 2 << ack + "0064" << "" << -1 << "";
    }
    void transferReadReply()
    {
        QFETCH(QString, selector);
        QFETCH(int, item);
        QFETCH(QString, reply);
        QFETCH(QString, fieldText);
        QFETCH(int, places);
        QFETCH(QString, message);
        fields_.selector = selector;
        state_.DvtoN[7] = QStringLiteral("12");
        state_.DecimalPlaces[12] = 9;
        ChannelItem &cell = state_.channels(7, item);
        cell.Value = QStringLiteral("1111");
        cell.ReadRequest = 1;
        answer(reply);
        QVERIFY(transferUntilSent(1));
        QCOMPARE(cell.ReadRequest, 0);
        QCOMPARE(cell.Value, reply.startsWith(ACK) ? reply.mid(1) : QStringLiteral("1111"));
        QCOMPARE(fields_.texts, (fieldText.isEmpty() ? QMap<int, QString>() : QMap<int, QString>{{item, fieldText}}));
        QCOMPARE(state_.DecimalPlaces[12], places < 0 ? 9 : places);
        QCOMPARE(prompter_.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    // An accepted write is done; a refused one is told and marked, with or
    // without a dialog; one without answer is told and retried next round.
    void transferWriteReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("pending");
        QTest::addColumn<QString>("message");
        QTest::newRow("accepted") << QString(ACK) << 0 << "";
        QTest::newRow("refused") << QString(NAK) + "0002" << 0 << OverSpan;
        QTest::newRow("no answer: retried next round") << QString(ESC) << 1 << NoResponse;
    }
    void transferWriteReply()
    {
        QFETCH(QString, reply);
        QFETCH(int, pending);
        QFETCH(QString, message);
        fields_.selector = QStringLiteral("9"); // a refusal is marked whatever channel is shown
        state_.DvtoN[4] = QStringLiteral("31");
        ChannelItem &cell = state_.channels(4, 4);
        cell.Value = QStringLiteral("0002");
        cell.WriteRequest = 1;
        answer(reply);
        QVERIFY(transferUntilSent(1));
        for (int call = 0; call < 10; ++call) // one more round
            transfer_->TransferSettings();
        const SentCommand &sent = vtx_.sent[0];
        QCOMPARE(QStringLiteral("%1 %2%3 %4").arg(sent.deviceAddress()).arg(sent.type, sent.item, sent.data),
                 QStringLiteral("31 P0008 0002"));
        QCOMPARE(vtx_.sent.size(), 1 + pending);
        QCOMPARE(cell.WriteRequest, pending);
        QCOMPARE(cell.Value, QStringLiteral("0002")); // a refused value stays as it was
        QCOMPARE(fields_.refused, message == OverSpan ? QList<int>{4} : QList<int>{});
        QCOMPARE(prompter_.texts(), QStringList(message.isEmpty() ? 0 : vtx_.sent.size(), message));
        if (message == OverSpan) {
            transfer_->setFields(nullptr);
            cell.WriteRequest = 1;
            QVERIFY(transferUntilSent(2));
            QCOMPARE(prompter_.texts(), QStringList(2, OverSpan));
        }
    }

    // An address outside 0..31 sends nothing: the read is told and dropped,
    // the write told and kept.
    void transferToAddressOutsideRangeSendsNothing()
    {
        fields_.selector = QStringLiteral("1");
        state_.DvtoN[1] = QStringLiteral("40");
        state_.channels(1, 4).ReadRequest = 1;
        state_.channels(1, 4).WriteRequest = 1;
        answer(FakeVtx::ack("0003"));
        for (int call = 0; call < 11; ++call) // one round and the call that reaches the item again
            transfer_->TransferSettings();
        QVERIFY(vtx_.sent.isEmpty());
        QCOMPARE(prompter_.texts(), QStringList(2, NoResponse));
        QCOMPARE(state_.channels(1, 4).ReadRequest, 0);
        QCOMPARE(state_.channels(1, 4).WriteRequest, 1);
        QVERIFY(fields_.texts.isEmpty());
    }

    // Saved pair first, then the saved port's other speeds, then COM1 and COM2
    // from 9600; a port that does not open skips its other speeds. Each probe
    // reads the PV of the lowest channel switched on (any case, blanks around).
    void discoveryTriesCandidatesInOrder_data()
    {
        QTest::addColumn<QString>("savedPort");
        QTest::addColumn<QString>("savedSpeed");
        QTest::addColumn<QString>("answering"); // the pair the instrument answers at
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("storedPair"); // "-" where nothing was written
        QTest::newRow("saved COM3 at 38400, found on COM1 at 9600")
            << "COM3" << "38400" << "COM1 9600"
            << QStringList{"COM3 38400", "COM3 19200", "COM3 9600", "COM3 4800", "COM3 2400",
                           "COM1 38400", "COM1 19200", "COM1 9600"}
            << "COM1 9600";
        QTest::newRow("missing port skips its other speeds")
            << "/dev/gone" << "4800" << "COM1 9600" << QStringList{"COM1 4800", "COM1 19200", "COM1 9600"}
            << "COM1 9600";
        QTest::newRow("found at the saved pair writes nothing") << "" << "" << "COM1 9600"
                                                                << QStringList{"COM1 9600"} << "- -";
        // COM1 at 9600 saved and COM2 missing: COM1 comes round twice.
        const QStringList round{"COM1 9600", "COM1 19200", "COM1 9600", "COM1 4800", "COM1 2400"};
        QTest::newRow("duplicates kept, nothing answers") << "" << "" << "" << round + round << "- -";
        // A hand-edited saved speed that no line runs at is passed over.
        for (const char *speed : {"abc", "-9600", "10"})
            QTest::newRow(speed) << "COM1" << speed << "COM1 9600" << QStringList{"COM1 19200", "COM1 9600"}
                                 << "COM1 9600";
    }
    void discoveryTriesCandidatesInOrder()
    {
        QFETCH(QString, savedPort);
        QFETCH(QString, savedSpeed);
        QFETCH(QString, answering);
        QFETCH(QStringList, expected);
        QFETCH(QString, storedPair);
        switchOn(state_, 4, QStringLiteral("3"));
        switchOn(state_, 2, QStringLiteral("17"), QStringLiteral("      on"));
        state_.channels(1, StateItem).Value = QStringLiteral("Off");
        if (!savedPort.isEmpty()) {
            store_.save(QStringLiteral("CommPort"), savedPort);
            store_.save(QStringLiteral("Speed"), savedSpeed);
        }
        vtx_.open = [](const QString &port, const QString &) {
            return port != QLatin1String("/dev/gone") && port != QLatin1String("COM2");
        };
        vtx_.reply = [this, answering](const SentCommand &) {
            return vtx_.port + u' ' + vtx_.speed == answering ? FakeVtx::ack("0000") : FakeVtx::nak("0001");
        };
        QCOMPARE(discovery().StartLink(), answering.section(u' ', 1));
        QStringList tries; // "PORT SPEED" of each probe
        for (const SentCommand &c : vtx_.sent) {
            tries << c.port + u' ' + c.speed;
            QCOMPARE(QStringLiteral("%1 %2 %3").arg(c.deviceAddress()).arg(c.item).arg(c.count), "17 0080 2");
        }
        QCOMPARE(tries, expected);
        QCOMPARE(stored("CommPort") + u' ' + stored("Speed"), storedPair);
        QCOMPARE(vtx_.isOpen, !answering.isEmpty()); // left open for polling
        QVERIFY(prompter_.shown.isEmpty());
        // Every probe after a failed one was preceded by a Close of the port.
        QCOMPARE(vtx_.calls.count(QStringLiteral("Close")), expected.size() - (answering.isEmpty() ? 0 : 1));
    }

    // Nothing to probe, or a probe address outside 0..31: no port is opened.
    void discoveryWithNothingToProbeOpensNothing_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("address");
        QTest::newRow("all OFF") << "      OFF" << "3";
        QTest::newRow("probe address out of range") << "ON" << "40";
        QTest::newRow("probe address beyond 32 bits") << "ON" << "4294967299";
    }
    void discoveryWithNothingToProbeOpensNothing()
    {
        QFETCH(QString, state);
        QFETCH(QString, address);
        switchOn(state_, 4, address, state);
        QCOMPARE(discovery().StartLink(), QString());
        QCOMPARE(vtx_.calls, QStringList());
        QVERIFY(prompter_.shown.isEmpty());
    }

    // The latest 500 attempts, oldest first; while paused none is kept but
    // all are counted. An address character of no device counts nowhere.
    void lineRecorderKeepsTheLatestFrames()
    {
        auto fake = std::make_unique<FakeVtx>();
        fake->reply = [](const SentCommand &) { return FakeVtx::ack(); };
        const auto line = std::make_unique<LineRecorder>(std::move(fake), clock_);
        const auto write = [&](int n, const QString &address = QStringLiteral("#")) {
            line->SendCommand(address, " ", "P", "0001", QString::number(n).rightJustified(4, u'0'), 3);
        };
        for (int n = 0; n < 503; ++n)
            write(n);
        QCOMPARE(line->frameCount(), 500);
        QCOMPARE(line->frame(0).data + line->frame(499).data, "00030502");
        line->setPaused(true);
        const quint64 changes = line->changes();
        write(600);
        write(601, "@");
        QCOMPARE(line->frame(499).data, "0502");
        QCOMPARE(line->counts(3).replies, 504);
        QVERIFY(line->changes() > changes);
        QCOMPARE(line->counts(32).replies + line->counts(-1).replies, 0);
    }

    // Cycles that polled nothing stay out of the median; the ratio is to the
    // wire limit of the cycle's own channels and speed.
    void lineRecorderCycleTimes()
    {
        const auto line = std::make_unique<LineRecorder>(std::make_unique<FakeVtx>(), clock_);
        line->cycleFinished(1, 0, 9600);
        for (double ms : {3000.0, 1000.0, 2000.0, 4000.0})
            line->cycleFinished(ms, 31, 9600);
        const double limit = line->lastWireLimitMs();
        QCOMPARE(qRound(limit * 1000), 1872917);
        QCOMPARE(line->medianCycleMs(), 2500.0);
        QCOMPARE(line->wireLimitRatio(), 2500.0 / limit);
    }

    // What the line does, as the window says it: a search without answer
    // (the probe counted apart from the channel at its address, an absent
    // port named), polling on the port found, an outage (no healthy median
    // shown, its cycles kept out of the median), one silent instrument among
    // answering ones (no outage, until a box holds the loop for three
    // cycles' time), and the counts reset.
    void lineRecorderFollowsTheLine()
    {
        auto fake = std::make_unique<FakeVtx>();
        FakeVtx &vtx = *fake;
        FakeClock clock;
        LineRecorder line(std::move(fake), clock);
        const auto text = [&] { return linetext::activity(line) + u' ' + linetext::cycle(line); };
        const auto send = [&](int address, const QString &reply, int count) {
            vtx.reply = [reply](const SentCommand &) { return reply; };
            commands::send(line, address, commands::Read, commands::PvItem, {}, count);
        };
        const auto cycle = [&](const QStringList &replies, double ms) { // addresses 0, 1, ...
            for (int address = 0; address < replies.size(); ++address)
                send(address, replies[address], commands::CommandCount);
            clock.advance(ms / 1000);
            line.cycleFinished(ms, int(replies.size()), line.lineSpeed());
        };
        QCOMPARE(text(), "Line: not opened yet. Polling cycle: none yet.");
        vtx.open = [](const QString &port, const QString &) { return port != QLatin1String("COM1"); };
        line.searchBegins();
        for (const QString port : {"COM2", "COM1"}) {
            line.SetPort(port);
            line.SetSpeed("2400");
            if (line.Open())
                send(0, FakeVtx::none(), commands::ProbeCount);
        }
        line.searchEnded(false);
        QCOMPARE(text(), "Line: searching since 2006-12-05 08:46:00; no answer to the probe of address 0, last on "
                         "COM2 at 2400 bit/s; no port COM1. Polling cycle: none yet.");
        clock.advance(5);
        line.searchBegins();
        line.SetPort("/dev/ttyUSB0");
        line.SetSpeed("9600");
        send(0, FakeVtx::ack("0001"), commands::ProbeCount);
        line.searchEnded(true);
        QCOMPARE(line.counts(0).replies + line.counts(0).noAnswers, 0);
        const QString ok = FakeVtx::ack("0001");
        cycle({ok, ok}, 100);
        QCOMPARE(text(), "Line: polling on /dev/ttyUSB0 at 9600 bit/s since 2006-12-05 08:46:05; last good reply "
                         "2006-12-05 08:46:05 from address 1. Polling cycle: last 100.0 ms, median 100.0 ms; wire "
                         "limit 120.8 ms at 9600 bit/s, ratio 0.83.");
        cycle({FakeVtx::none(), FakeVtx::none()}, 5000);
        QCOMPARE(linetext::cycle(line), "Polling cycle: no reply since 2006-12-05 08:46:05; last cycle 5000.0 ms.");
        cycle({ok, FakeVtx::none()}, 300);
        QCOMPARE(line.activity(), LineRecorder::Activity::Polling);
        QCOMPARE(line.medianCycleMs(), 200.0);
        clock.advance(0.301); // a box holds the loop after the unanswered command
        QCOMPARE(line.activity(), LineRecorder::Activity::NoReply);
        line.resetCounts();
        QCOMPARE(line.counts(0).replies + line.counts(1).noAnswers + line.probeCounts().replies, 0);
    }

    // Each frame's command and reply in words (the bytes go to a tooltip).
    void frameTexts_data()
    {
        QTest::addColumn<QStringList>("fields"); // type, item, data, reply data
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");
        using O = AttemptReport::Outcome;
        QTest::newRow("negative PV") << QStringList{" ", "0080", "", "FB2E"} << int(O::Ack) << "read PV: ACK -1234";
        QTest::newRow("lamps, range") << QStringList{" ", "0081", "", "0105"} << int(O::Ack)
                                      << "read status: ACK lamps A1 A3, input out of range";
        QTest::newRow("write") << QStringList{"P", "0001", "0078", ""} << int(O::Ack)
                               << "write alarm 1 set value 120: ACK written";
        QTest::newRow("refused") << QStringList{"P", "0006", "7FFF", "0002"} << int(O::Nak)
                                 << "write scaling high limit 32767: NAK value outside the span";
        QTest::newRow("unknown item and code") << QStringList{" ", "00A0", "", "0009"} << int(O::Nak)
                                               << "read item 00A0: NAK 0009";
        QTest::newRow("silence") << QStringList{" ", "0009", "", ""} << int(O::Silence) << "read filter time: no answer";
    }
    void frameTexts()
    {
        QFETCH(QStringList, fields);
        QFETCH(int, outcome);
        QFETCH(QString, text);
        LineRecorder::LineFrame frame;
        frame.type = fields[0];
        frame.item = fields[1];
        frame.data = fields[2];
        frame.replyData = fields[3];
        frame.outcome = AttemptReport::Outcome(outcome);
        QCOMPARE(linetext::command(frame) + ": " + linetext::reply(frame), text);
    }
};

QTEST_GUILESS_MAIN(tst_steps)
#include "tst_steps.moc"
