#include "comm/LineRecorder.h"

#include "comm/Commands.h"
#include "logging/Clock.h"

#include <algorithm>

namespace {

// Shared texts, so that a frame's reply costs no allocation.
const QString &replyText(AttemptReport::Outcome outcome)
{
    static const std::array<QString, 5> texts = {QStringLiteral("ACK"), QStringLiteral("NAK"),
                                                 QStringLiteral("none"), QStringLiteral("bad reply"),
                                                 QStringLiteral("line fault")};
    return texts[std::size_t(outcome)];
}

int deviceAddress(const QString &address)
{
    if (address.size() != 1)
        return -1;
    const int device = address.at(0).unicode() - 32;
    return device >= 0 && device < LineRecorder::AddressCount ? device : -1;
}

} // namespace

LineRecorder::LineRecorder(std::unique_ptr<VtxPort> inner, Clock &clock) : inner_(std::move(inner)), clock_(clock)
{
    frames_.reserve(FrameCapacity);
    inner_->setAttemptObserver([this](const AttemptReport &report) { record(report); });
}

LineRecorder::~LineRecorder()
{
    inner_->setAttemptObserver(nullptr);
}

void LineRecorder::SetPort(const QString &name)
{
    inner_->SetPort(name);
    port_ = name;
    ++changes_;
}

void LineRecorder::SetSpeed(const QString &speed)
{
    inner_->SetSpeed(speed);
    bool ok = false;
    const qint32 value = speed.trimmed().toInt(&ok);
    lineSpeed_ = ok && value > 0 ? value : 0;
    ++changes_;
}

bool LineRecorder::Open()
{
    const bool opened = inner_->Open();
    if (!opened && inRound_ && !absentPorts_.contains(port_))
        absentPorts_ << port_;
    return opened;
}

void LineRecorder::Close()
{
    inner_->Close();
}

QString LineRecorder::SendCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                                  const QString &data, int count)
{
    address_ = deviceAddress(address);
    sub_ = sub;
    type_ = type;
    item_ = item;
    data_ = data;
    if (inRound_) {
        probed_ = true;
        probeAddress_ = address_;
        probePort_ = port_;
        probeSpeed_ = lineSpeed_;
    }
    const QString reply = inner_->SendCommand(address, sub, type, item, data, count);
    if (address_ < 0)
        return reply;
    // Counted by the result, so that a component without attempt reports
    // still gives the per-command counts.
    AddressCounts &counts = countsOfCommand();
    const QDateTime now = clock_.now();
    const bool answered = reply.startsWith(ACK) || reply.startsWith(NAK);
    if (reply.startsWith(ACK)) {
        ++counts.replies;
        counts.lastGoodReply = now;
        lastGoodReply_ = now;
        lastGoodAddress_ = address_;
    } else if (reply.startsWith(NAK)) {
        ++counts.refusals;
    } else if (reply.startsWith(ESC)) {
        ++counts.noAnswers;
    } else {
        return reply;
    }
    if (answered)
        lastAnswer_ = now;
    if (!inRound_) {
        ++commandsInCycle_;
        answeredInCycle_ += answered;
        latestUnanswered_ = !answered;
    }
    ++changes_;
    return reply;
}

QString LineRecorder::ReplyData(const QString &reply, int n) const
{
    return inner_->ReplyData(reply, n);
}

void LineRecorder::setWaitHook(std::function<void()> hook)
{
    inner_->setWaitHook(std::move(hook));
}

void LineRecorder::setAttemptObserver(std::function<void(const AttemptReport &)> observer)
{
    observer_ = std::move(observer);
}

const LineRecorder::AddressCounts &LineRecorder::counts(int address) const
{
    static const AddressCounts none;
    return address >= 0 && address < AddressCount ? counts_[std::size_t(address)] : none;
}

LineRecorder::AddressCounts &LineRecorder::countsOfCommand()
{
    return inRound_ ? probeCounts_ : counts_[std::size_t(address_)];
}

void LineRecorder::resetCounts()
{
    // The last good replies are times, not counts: they stay.
    for (AddressCounts &counts : counts_)
        counts = AddressCounts{0, 0, 0, 0, counts.lastGoodReply};
    probeCounts_ = AddressCounts{0, 0, 0, 0, probeCounts_.lastGoodReply};
    countsSince_ = clock_.now();
    ++changes_;
}

void LineRecorder::searchBegins()
{
    if (!started_)
        countsSince_ = clock_.now();
    if (!inRound_ && (found_ || !started_))
        searchingSince_ = clock_.now();
    started_ = true;
    inRound_ = true;
    found_ = false;
    probed_ = false;
    absentPorts_.clear();
    ++changes_;
}

void LineRecorder::searchEnded(bool found)
{
    inRound_ = false;
    found_ = found;
    if (found) {
        pollingSince_ = clock_.now();
        commandsInCycle_ = answeredInCycle_ = 0;
        latestUnanswered_ = lastCycleSilent_ = false;
    }
    ++changes_;
}

LineRecorder::Activity LineRecorder::activity() const
{
    if (!started_)
        return Activity::Idle;
    if (inRound_ || !found_)
        return Activity::Searching;
    // One unanswered command among answered ones is an instrument's fault,
    // not the line's: the line is silent when its latest command went
    // unanswered and so did the whole cycle so far (or, between two cycles,
    // the whole last one).
    const bool silent = latestUnanswered_ && answeredInCycle_ == 0 && (commandsInCycle_ > 0 || lastCycleSilent_);
    // A box after a failure holds the loop, and so the cycle: a line that
    // has answered nothing for three cycles' time is silent all the same.
    const bool overdue = latestUnanswered_ && medianCycleMs_ > 0 && lastAnswer_.isValid() &&
                         double(lastAnswer_.msecsTo(clock_.now())) > 3 * medianCycleMs_;
    return silent || overdue ? Activity::NoReply : Activity::Polling;
}

QDateTime LineRecorder::activitySince() const
{
    switch (activity()) {
    case Activity::Searching:
        return searchingSince_;
    case Activity::Polling:
        return pollingSince_;
    case Activity::NoReply:
        return lastAnswer_;
    default:
        return {};
    }
}

const LineRecorder::LineFrame &LineRecorder::frame(int index) const
{
    // Once the ring is full, the oldest frame is the one to be overwritten next.
    const std::size_t oldest = frames_.size() < FrameCapacity ? 0 : nextFrame_;
    return frames_[(oldest + std::size_t(index)) % FrameCapacity];
}

void LineRecorder::setPaused(bool paused)
{
    paused_ = paused;
}

void LineRecorder::record(const AttemptReport &report)
{
    if (address_ >= 0 && report.attempt > 1)
        ++countsOfCommand().repeats;
    if (!paused_) {
        if (frames_.size() < FrameCapacity)
            frames_.emplace_back();
        LineFrame &frame = frames_[nextFrame_];
        frame.time = clock_.now();
        frame.address = address_;
        frame.sub = sub_;
        frame.type = type_;
        frame.item = item_;
        frame.data = data_;
        frame.reply = replyText(report.outcome);
        frame.replyData = report.data;
        frame.attempt = report.attempt;
        frame.outcome = report.outcome;
        frame.probe = inRound_;
        nextFrame_ = (nextFrame_ + 1) % FrameCapacity;
    }
    ++changes_;
    if (observer_)
        observer_(report);
}

void LineRecorder::cycleFinished(double milliseconds, int channelsPolled, qint32 baudRate)
{
    lastCycleMs_ = milliseconds;
    lastWireLimitMs_ = commands::cycleWireLimitMs(channelsPolled, baudRate);
    lastCycleSilent_ = commandsInCycle_ > 0 && answeredInCycle_ == 0;
    commandsInCycle_ = answeredInCycle_ = 0;
    ++changes_;
    if (lastWireLimitMs_ <= 0 || lastCycleSilent_)
        return;
    cycles_.add(milliseconds);
    ratios_.add(milliseconds / lastWireLimitMs_);
    medianCycleMs_ = cycles_.median();
    wireLimitRatio_ = ratios_.median();
}

void LineRecorder::MedianWindow::add(double value)
{
    values_[std::size_t(next_)] = value;
    next_ = (next_ + 1) % CycleWindow;
    size_ = std::min(size_ + 1, CycleWindow);
}

double LineRecorder::MedianWindow::median() const
{
    if (size_ == 0)
        return 0;
    std::array<double, CycleWindow> sorted = values_;
    const auto end = sorted.begin() + size_;
    const auto middle = sorted.begin() + size_ / 2;
    std::nth_element(sorted.begin(), middle, end);
    if (size_ % 2)
        return *middle;
    // The lower middle is the largest of the half below the upper one.
    return (*std::max_element(sorted.begin(), middle) + *middle) / 2;
}
