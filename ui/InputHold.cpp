#include "ui/InputHold.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace {

InputHold *current = nullptr;

// Mouse moves beyond this many held events are dropped (a pointer waved over
// the window for a long step); keys and clicks are always kept.
constexpr std::size_t MaxHeldMoves = 4096;

// Input as the windowing system hands it to a top-level window.
bool isWindowInput(const QObject *receiver, const QEvent *event)
{
    if (!receiver->isWindowType() || !event->spontaneous())
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

// A press made anew that the window treats as the windowing system's own
// second press of a double click: the window then hands on the double click
// that follows instead of this press, so a widget sees one press, one double
// click and the releases, as it would have without the hold.
class RemadeMouseEvent : public QMouseEvent {
public:
    using QMouseEvent::QMouseEvent;
    void setDoubleClick() { m_doubleClick = true; }
};

// How to make the event again when its turn comes. Pointer events are made
// anew from their values at that moment: their touch points live on in the
// device's state and move on with every later event, so a copy kept from
// now would deliver a held release at the window's corner, not on the button.
std::function<std::unique_ptr<QEvent>()> remake(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        const auto *e = static_cast<const QMouseEvent *>(event);
        return [type = e->type(), local = e->position(), scene = e->scenePosition(), global = e->globalPosition(),
                button = e->button(), buttons = e->buttons(), modifiers = e->modifiers(),
                device = QPointer<const QPointingDevice>(e->pointingDevice()), time = e->timestamp()] {
            auto made = std::make_unique<RemadeMouseEvent>(
                type, local, scene, global, button, buttons, modifiers,
                device ? device.get() : QPointingDevice::primaryPointingDevice());
            made->setTimestamp(time);
            return std::unique_ptr<QEvent>(std::move(made));
        };
    }
    case QEvent::Wheel: {
        const auto *e = static_cast<const QWheelEvent *>(event);
        return [local = e->position(), global = e->globalPosition(), pixels = e->pixelDelta(), angle = e->angleDelta(),
                buttons = e->buttons(), modifiers = e->modifiers(), phase = e->phase(), inverted = e->inverted(),
                source = e->source(), device = QPointer<const QPointingDevice>(e->pointingDevice()),
                time = e->timestamp()] {
            auto made = std::make_unique<QWheelEvent>(local, global, pixels, angle, buttons, modifiers, phase, inverted,
                                                      source,
                                                      device ? device.get() : QPointingDevice::primaryPointingDevice());
            made->setTimestamp(time);
            return std::unique_ptr<QEvent>(std::move(made));
        };
    }
    case QEvent::Enter: {
        const auto *e = static_cast<const QEnterEvent *>(event);
        return [local = e->position(), scene = e->scenePosition(), global = e->globalPosition(),
                device = QPointer<const QPointingDevice>(e->pointingDevice())] {
            return std::unique_ptr<QEvent>(std::make_unique<QEnterEvent>(
                local, scene, global, device ? device.get() : QPointingDevice::primaryPointingDevice()));
        };
    }
    default: {
        std::shared_ptr<QEvent> copy(event->clone());
        return [copy] { return std::unique_ptr<QEvent>(copy->clone()); };
    }
    }
}

bool isClick(QEvent::Type type)
{
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
        type == QEvent::MouseButtonDblClick;
}

QWidget *widgetOf(const QObject *window)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window)
            return widget;
    }
    return nullptr;
}

// The frame's close button. A program's own close() of a window reaches
// the window the same way; menus close themselves so, and must, at once.
bool isFrameClose(const QObject *receiver, const QEvent *event)
{
    if (event->type() != QEvent::Close || !receiver->isWindowType() || !event->spontaneous())
        return false;
    const QWidget *widget = widgetOf(receiver);
    return widget && widget->windowType() != Qt::Popup;
}

// Where a key goes when its turn comes: into the window it was typed into,
// to that window's focus widget at this moment (so keys typed ahead follow
// the focus that the earlier keys have moved, Tab among them), or the
// window itself (a window without a focus widget still has its menu's access
// keys). The window manager may have activated another window meanwhile (a
// click on it); the keys still belong where they were typed. Only when that
// window has gone, or a modal window blocks it, do they follow the focus, as
// they would have if the program had kept up.
QWidget *keyTarget(const QObject *heldReceiver)
{
    if (QWidget *grabber = QWidget::keyboardGrabber())
        return grabber;
    QWidget *typedInto = widgetOf(heldReceiver);
    const QWidget *modal = QApplication::activeModalWidget();
    // A modal window that has opened since (by an earlier key) takes them,
    // as it would have taken the keys typed after it came up.
    if (typedInto && typedInto->isVisible() && (!modal || modal == typedInto)) {
        QWidget *focus = typedInto->focusWidget();
        return focus && focus->isVisible() && focus->isEnabled() ? focus : typedInto;
    }
    if (QWidget *focus = QApplication::focusWidget())
        return focus;
    return QApplication::activeWindow();
}

} // namespace

InputHold::InputHold()
{
    if (!current)
        current = this;
}

InputHold::~InputHold()
{
    if (current == this)
        current = nullptr;
}

InputHold *InputHold::instance() { return current; }

bool InputHold::intercept(QObject *receiver, QEvent *event)
{
    if (!holding() || !receiver || event == delivering_)
        return false;
    if (event->type() == QEvent::ShortcutOverride && receiver->isWindowType() && event->spontaneous()) {
        // Taken as a plain key: the key press that follows is held, and its
        // shortcuts are looked up when it is handed on.
        event->accept();
        return true;
    }
    if (event->type() == QEvent::InputMethod || isWindowInput(receiver, event)) {
        keep(receiver, event);
        return true;
    }
    // A window that closes itself in a handler of held input (Enter on a
    // dialog's OK) reaches here the same way as a click on its frame's close
    // button; held, the dialog's own close would come back later as a frame
    // close and turn its accept into a reject.
    if (isFrameClose(receiver, event) && !(delivering_ && !inStep_)) {
        keep(receiver, event);
        event->ignore(); // not closed now; it is, when its turn comes
        return true;
    }
    return false;
}

void InputHold::keep(QObject *receiver, QEvent *event)
{
    Qt::MouseButtons buttons;
    if (event->type() == QEvent::MouseMove) {
        buttons = static_cast<QMouseEvent *>(event)->buttons();
        // Only where the pointer ended up matters between two clicks.
        if (!held_.empty() && held_.back().receiver == receiver && held_.back().type == QEvent::MouseMove &&
            held_.back().buttons == buttons) {
            held_.back().make = remake(event);
            return;
        }
        if (held_.size() >= MaxHeldMoves)
            return;
    }
    if (event->type() == QEvent::MouseButtonDblClick && !held_.empty() &&
        held_.back().type == QEvent::MouseButtonPress && held_.back().receiver == receiver)
        held_.back().doubleClick = true; // the press just before it was its second press
    held_.push_back(Held{receiver, event->type(), buttons, remake(event)});
}

void InputHold::serveInStep()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::X11ExcludeTimers);
}

void InputHold::stepBegins() { inStep_ = true; }

void InputHold::stepEnds()
{
    inStep_ = false;
    if (held_.empty() || handOnQueued_)
        return;
    // Queued now, before the loop queues its next turn, so it runs first.
    handOnQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { handOn(); }, Qt::QueuedConnection);
}

void InputHold::handOn()
{
    handOnQueued_ = false;
    // A delivered event may open a dialog with an event loop of its own, in
    // which further steps run; their ends hand on the rest from the same
    // queue, so the order holds.
    while (!inStep_ && !held_.empty()) {
        Held next = std::move(held_.front());
        held_.pop_front();
        deliver(next);
    }
}

void InputHold::deliver(Held &held)
{
    std::unique_ptr<QEvent> made = held.make();
    QObject *target = held.receiver;
    if (auto *window = qobject_cast<QWindow *>(target); window && !window->isVisible() && isClick(made->type())) {
        // An open pop-up took every click while it was up (the completion
        // list of a file name). The first of them closed it; the rest go
        // where they would have gone without it, to the window under them.
        const auto *click = static_cast<const QMouseEvent *>(made.get());
        const QWidget *under = QApplication::topLevelAt(click->globalPosition().toPoint());
        target = under && under->windowHandle() ? under->windowHandle() : nullptr;
        if (target) {
            const QPointF local = under->windowHandle()->mapFromGlobal(click->globalPosition().toPoint()) +
                (click->globalPosition() - click->globalPosition().toPoint());
            auto moved = std::make_unique<RemadeMouseEvent>(click->type(), local, local, click->globalPosition(),
                                                            click->button(), click->buttons(), click->modifiers(),
                                                            click->pointingDevice());
            moved->setTimestamp(click->timestamp());
            made = std::move(moved);
        }
    }
    QEvent *event = made.get();
    if (held.doubleClick)
        static_cast<RemadeMouseEvent *>(event)->setDoubleClick();
    const QEvent *outer = std::exchange(delivering_, event);
    const bool isKey = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    QWidget *popup = QApplication::activePopupWidget();
    if (isKey && popup && popup->windowHandle()) {
        // An open menu takes every key, as from the windowing system.
        target = popup->windowHandle();
    } else if (isKey || event->type() == QEvent::InputMethod) {
        if (QWidget *widget = keyTarget(held.receiver)) {
            // Sent to a widget (not spontaneous), a key press goes through
            // the shortcut look-up first, as the windowing system's own do.
            QCoreApplication::sendEvent(widget, event);
            target = nullptr;
        }
    }
    // The window hands a click on to its widgets as the windowing system's
    // own (a click moves the focus). A window closed since the event came
    // has no use for it.
    if (target)
        QCoreApplication::instance()->notify(target, event);
    delivering_ = outer;
}

InputHold::ModalScope::ModalScope() : hold_(InputHold::instance())
{
    if (hold_)
        ++hold_->modal_;
}

InputHold::ModalScope::~ModalScope()
{
    if (hold_)
        --hold_->modal_;
}
