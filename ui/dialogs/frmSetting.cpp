#include "ui/dialogs/frmSetting.h"

#include "config/ChannelTable.h"
#include "config/SettingCodes.h"
#include "config/WindowGeometry.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTimer>

namespace {
// The layout is drawn in twips; 15 twips make one pixel.
using window_geometry::pixels;

constexpr int FieldLeft = 3840;
constexpr int FieldWidth = 1215;
constexpr int ActionFieldLeft = 4560; // the three alarm actions take about three characters
constexpr int ActionFieldWidth = 495;

int rowTop(int item) { return item == NameItem ? 1560 : 2400 + (item - 1) * 480; }

void setRed(QWidget *widget, bool red)
{
    const bool isRed = widget->testAttribute(Qt::WA_SetPalette);
    if (red == isRed)
        return;
    if (red) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Text, QColor(255, 0, 0));
        widget->setPalette(palette);
    } else {
        widget->setPalette(QPalette());
    }
}
} // namespace

frmSetting::frmSetting(SharedState &state, Prompter &prompter, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), form_(state, prompter)
{
    setObjectName(QStringLiteral("frmSetting"));
    setWindowTitle(QStringLiteral("Setting"));
    setModal(false);
    setFixedSize(pixels(5385), pixels(7980));

    addLabel(QStringLiteral("LabelDvN"), QStringLiteral("Device No."), 1920, 240, 2295, 255);
    QStringList channels;
    for (int c = 0; c < ChannelCount; ++c)
        channels << QStringLiteral("%1").arg(c, 2);
    DvN = addCombo(QStringLiteral("DvN"), channels, 4320, 240, 735, 300);

    addLabel(QStringLiteral("ItemName11"), settingcodes::itemCaption(StateItem), 1920, 720, 1935, 255);
    MEflag = addCombo(QStringLiteral("MEflag"), {QStringLiteral("      ON"), QStringLiteral("      OFF")}, 3840, 720,
                       1215, 300);

    for (int item = NameItem; item <= LastSettingItem; ++item) {
        ItemName[std::size_t(item)] = addLabel(QStringLiteral("ItemName%1").arg(item),
                                                settingcodes::itemCaption(item), 480, rowTop(item), 3255, 255);
        if (item == DecimalPointItem)
            DPp = addCombo(QStringLiteral("DPp"),
                            {QStringLiteral("    xxxx."), QStringLiteral("    xxx.x"), QStringLiteral("    xx.xx"),
                             QStringLiteral("    x.xxx"), QStringLiteral("    .xxxx")},
                            FieldLeft, 3840, FieldWidth, 300);
        else if (item >= 8)
            addField(item, ActionFieldLeft, rowTop(item), ActionFieldWidth, 270);
        else
            addField(item, FieldLeft, rowTop(item), FieldWidth, 270);
    }

    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setGeometry(pixels(3240), pixels(7320), pixels(855), pixels(495));
    Cancele = new QPushButton(QStringLiteral("Cancel"), this);
    Cancele->setObjectName(QStringLiteral("Cancele"));
    Cancele->setGeometry(pixels(4200), pixels(7320), pixels(855), pixels(495));
    // Enter in a field does not press a button.
    OK->setAutoDefault(false);
    Cancele->setAutoDefault(false);
    connect(OK, &QPushButton::clicked, &form_, &SettingForm::OK_Click);
    connect(Cancele, &QPushButton::clicked, &form_, &SettingForm::Cancele_Click);

    // Tab order: OK, Cancel, DvN, MEflag, then the fields top to bottom.
    QWidget *order[] = {OK, Cancele, DvN, MEflag};
    QWidget *previous = nullptr;
    for (QWidget *w : order) {
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    for (int item = NameItem; item <= LastSettingItem; ++item) {
        setTabOrder(previous, fieldWidget(item));
        previous = fieldWidget(item);
    }

    connect(DvN, &QComboBox::editTextChanged, &form_, &SettingForm::setDvNText);
    connect(MEflag, &QComboBox::editTextChanged, &form_, &SettingForm::setMEflagText);
    connect(DPp, &QComboBox::editTextChanged, &form_,
            [this](const QString &text) { form_.setFieldText(DecimalPointItem, text); });
    connect(&form_, &SettingForm::changed, this, &frmSetting::showForm);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, &form_, &SettingForm::Timer1_Timer);
    Timer1->start();

    showForm();
}

QLabel *frmSetting::addLabel(const QString &name, const QString &caption, int left, int top, int width, int height)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
    return label;
}

QComboBox *frmSetting::addCombo(const QString &name, const QStringList &entries, int left, int top, int width,
                                int height)
{
    auto *combo = new QComboBox(this);
    combo->setObjectName(name);
    combo->setEditable(true);
    // Typed text is a choice for this moment, not a new list entry, and it
    // stays as typed: an inline completion ("1" becoming "10") would load
    // another channel at the next tick.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->addItems(entries);
    combo->setEditText(QString());
    combo->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
    return combo;
}

QLineEdit *frmSetting::addField(int item, int left, int top, int width, int height)
{
    auto *field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("ItemV%1").arg(item));
    field->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
    connect(field, &QLineEdit::textEdited, &form_, [this, item](const QString &text) { form_.setFieldText(item, text); });
    ItemV[std::size_t(item)] = field;
    return field;
}

QWidget *frmSetting::fieldWidget(int item) const
{
    return item == DecimalPointItem ? static_cast<QWidget *>(DPp) : ItemV[std::size_t(item)];
}

void frmSetting::openForChannel(int n)
{
    show();
    raise();
    activateWindow();
    form_.openForChannel(n);
    OK->setFocus(); // first in the tab order
}

void frmSetting::reject()
{
    form_.Cancele_Click();
    QDialog::reject();
}

void frmSetting::showForm()
{
    // Texts are set only when they differ, so the operator's cursor stays
    // where it is while the form echoes an edit.
    if (DvN->currentText() != form_.DvN())
        DvN->setEditText(form_.DvN());
    if (MEflag->currentText() != form_.MEflag())
        MEflag->setEditText(form_.MEflag());
    for (int item = NameItem; item <= LastSettingItem; ++item) {
        const SettingForm::Field &f = form_.field(item);
        if (item == DecimalPointItem) {
            if (DPp->currentText() != f.text)
                DPp->setEditText(f.text);
        } else if (ItemV[std::size_t(item)]->text() != f.text) {
            ItemV[std::size_t(item)]->setText(f.text);
        }
        fieldWidget(item)->setEnabled(f.enabled);
        ItemName[std::size_t(item)]->setEnabled(f.enabled);
        setRed(fieldWidget(item), f.red);
    }
    if (form_.isShown() != isVisible())
        setVisible(form_.isShown());
}
