#pragma once
// The line status: wraps the communication component and keeps, for a
// window that may or may not be showing, what happened on the line: counts
// per device address, the latest frames, and how long polling cycles take
// against what the wire allows. Recording is a few counter increments and
// one ring slot per attempt, so it can stay on for the program's whole life.
// It also knows what the line is doing: searching (discovery's rounds, which
// the program marks, are counted apart from the channels' commands: the
// probe goes to an address that other channels may share), polling, or
// polling without a reply.

#include "comm/VtxPort.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

class Clock;

class LineRecorder : public VtxPort {
public:
    struct AddressCounts {
        qint64 replies = 0;   // commands answered with ACK
        qint64 refusals = 0;  // commands answered with NAK
        qint64 noAnswers = 0; // commands without an answer after all their attempts
        qint64 repeats = 0;   // attempts beyond a command's first
        QDateTime lastGoodReply; // the latest ACK; invalid while none came
    };

    // One attempt of a command: the command's fields as the caller gave
    // them, and what came back. reply is "ACK", "NAK" (replyData: the value
    // or the error code), or for an attempt without answer "none" (silence),
    // "bad reply" (bytes, but no valid reply) or "line fault" (the port
    // failed or stayed closed; nothing may have gone out).
    struct LineFrame {
        QDateTime time; // when the attempt ended
        int address = -1; // device address; -1 for an address character of no device
        QString sub, type, item, data;
        QString reply;
        QString replyData;
        int attempt = 1;
        AttemptReport::Outcome outcome = AttemptReport::Outcome::Silence;
        bool probe = false; // sent by discovery
    };

    enum class Activity {
        Idle,      // no discovery round yet
        Searching, // discovery has not found the line (yet)
        Polling,   // the line was found; commands are answered
        NoReply,   // the line was found, but the latest commands went unanswered:
                   // the whole cycle so far, or for longer than three median cycles
    };

    static constexpr int AddressCount = 32;
    static constexpr int FrameCapacity = 500;
    static constexpr int CycleWindow = 101;

    LineRecorder(std::unique_ptr<VtxPort> inner, Clock &clock);
    ~LineRecorder() override;
    LineRecorder(const LineRecorder &) = delete;
    LineRecorder &operator=(const LineRecorder &) = delete;

    void SetPort(const QString &name) override;
    void SetSpeed(const QString &speed) override;
    bool Open() override;
    void Close() override;
    QString SendCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                        const QString &data, int count) override;
    QString ReplyData(const QString &reply, int n) const override;
    void setWaitHook(std::function<void()> hook) override;
    // Reports reach this observer after they are recorded.
    void setAttemptObserver(std::function<void(const AttemptReport &)> observer) override;

    VtxPort &inner() const { return *inner_; }
    // The speed last given to SetSpeed as a number; 0 when it is none.
    qint32 lineSpeed() const { return lineSpeed_; }

    // An address outside 0..31 gets an empty record. Discovery's probes are
    // not in it.
    const AddressCounts &counts(int address) const;
    // Discovery's probes, whatever their address.
    const AddressCounts &probeCounts() const { return probeCounts_; }
    // Sets every count to zero (also the probe's); the last good replies,
    // the frames and the cycle times stay.
    void resetCounts();
    // When the counts began: the first discovery round, or the last reset.
    QDateTime countsSince() const { return countsSince_; }

    // Discovery marks each of its rounds; the program calls these around it.
    void searchBegins();
    void searchEnded(bool found);
    Activity activity() const;
    // Since when the activity holds: searching since the first round without
    // success, polling since the line was found, no reply since the last
    // answer (ACK or NAK) on the line.
    QDateTime activitySince() const;
    // The port last given to SetPort: the line's while polling, the pair
    // tried last while searching (with lineSpeed()).
    QString portName() const { return port_; }
    // Whether the round that ended last put any probe on the line (none when
    // no channel is ON at an address an instrument can have).
    bool probed() const { return probed_; }
    // The address, port and speed of the latest probe; -1, "" and 0 before one.
    int probeAddress() const { return probeAddress_; }
    QString probePort() const { return probePort_; }
    qint32 probeSpeed() const { return probeSpeed_; }
    // The ports the latest round found absent (Open gave false).
    const QStringList &absentPorts() const { return absentPorts_; }
    // The latest ACK on the line (probes included) and its address.
    QDateTime lastGoodReply() const { return lastGoodReply_; }
    int lastGoodAddress() const { return lastGoodAddress_; }

    // The latest FrameCapacity attempts, 0 the oldest.
    int frameCount() const { return int(frames_.size()); }
    const LineFrame &frame(int index) const;
    // While paused no frame is kept; the counts go on.
    void setPaused(bool paused);
    bool paused() const { return paused_; }

    // Grows with every change of what the recorder holds: a window refreshes
    // only when it differs from the value it last showed.
    quint64 changes() const { return changes_; }

    // Called after each polling cycle with its duration, the channels it
    // polled and the line speed. A cycle that put nothing on the wire (no
    // channel, no speed) only sets the last values: it would pull the
    // median down; nor does a cycle whose every command went unanswered
    // (its time is time-outs, not the line's pace).
    void cycleFinished(double milliseconds, int channelsPolled, qint32 baudRate);
    double lastCycleMs() const { return lastCycleMs_; }
    // The shortest time the last cycle could have taken on the wire.
    double lastWireLimitMs() const { return lastWireLimitMs_; }
    // Over the latest CycleWindow cycles that polled something; 0 before one.
    double medianCycleMs() const { return medianCycleMs_; }
    // The median of each cycle's time over its own wire limit, so that
    // switching channels on or off does not skew it; 0 before any cycle.
    double wireLimitRatio() const { return wireLimitRatio_; }

private:
    // A fixed window of the latest values and their median.
    class MedianWindow {
    public:
        void add(double value);
        double median() const;

    private:
        std::array<double, CycleWindow> values_{};
        int size_ = 0;
        int next_ = 0;
    };

    void record(const AttemptReport &report);
    AddressCounts &countsOfCommand();

    std::unique_ptr<VtxPort> inner_;
    Clock &clock_;
    std::function<void(const AttemptReport &)> observer_;
    qint32 lineSpeed_ = 0;
    QString port_;

    // The command being sent, for the attempts it reports.
    int address_ = -1;
    QString sub_, type_, item_, data_;

    std::array<AddressCounts, AddressCount> counts_{};
    AddressCounts probeCounts_;
    QDateTime countsSince_;

    bool started_ = false; // a discovery round began
    bool inRound_ = false; // commands now are probes
    bool found_ = false;   // the latest round found the line
    bool probed_ = false;
    int probeAddress_ = -1;
    QString probePort_;
    qint32 probeSpeed_ = 0;
    QStringList absentPorts_;
    QDateTime searchingSince_, pollingSince_, lastAnswer_, lastGoodReply_;
    int lastGoodAddress_ = -1;
    // The channels' commands since the last cycle ended.
    int commandsInCycle_ = 0;
    int answeredInCycle_ = 0;
    bool latestUnanswered_ = false;
    bool lastCycleSilent_ = false;
    std::vector<LineFrame> frames_; // a ring of FrameCapacity once full
    std::size_t nextFrame_ = 0;
    bool paused_ = false;
    quint64 changes_ = 0;

    MedianWindow cycles_;
    MedianWindow ratios_;
    double lastCycleMs_ = 0;
    double lastWireLimitMs_ = 0;
    double medianCycleMs_ = 0;
    double wireLimitRatio_ = 0;
};
