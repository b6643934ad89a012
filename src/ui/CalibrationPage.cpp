#include "ui/CalibrationPage.h"

#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "protocol/Frame.h"
#include "ui/CommandMap.h"
#include "ui/Events.h"
#include "ui/PageKit.h"
#include "ui/ParamEditor.h"
#include "ui/RadioGroup.h"
#include "workflows/WorkflowUi.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pim::ui {

namespace {
const QString kSingle = QStringLiteral("ОДИНОЧНЫМИ");
const QString kInTurn = QStringLiteral("ОЧЕРЕДЯМИ");

// The captions of the four set points for a type and kind.
std::array<QString, 4> captions(int type, int kind)
{
    const bool two = Calibration::twoSystems(type);
    if (kind == Calibration::Pressure && type != 228) {
        if (two)
            return {QStringLiteral("ток Ма 1 датчик 1-й системы"), QStringLiteral("ток Ма 2 датчик 1-й системы"),
                    QStringLiteral("ток Ма 1 датчик 2-й системы"), QStringLiteral("ток Ма 2 датчик 2-й системы")};
        return {QStringLiteral("ток Ма 1 датчик"), QStringLiteral("ток Ма 2 датчик"), QString(), QString()};
    }
    if (two)
        return {QStringLiteral("t°C  подачи 1-й системы"), QStringLiteral("t°C обратки 1-й системы"),
                QStringLiteral("t°C  подачи 2-й системы"), QStringLiteral("t°C обратки 2-й системы")};
    return {QStringLiteral("t°C  подачи"), QStringLiteral("t°C обратки"), QString(), QString()};
}

} // namespace

CalibrationPage::CalibrationPage(Events &events, CommandMap &commands, WorkflowUi &ui, DeviceSession &session,
                                 DeviceRoad &road, QWidget *parent)
    : QWidget(parent), m_events(events), m_commands(commands), m_ui(ui), m_session(session), m_road(road)
{
    setObjectName(QStringLiteral("TSk"));
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Pcal"));
    m_pmk = kit::attachMenu(commands, panel, QStringLiteral("PMk"));

    m_rgk = new RadioGroup(QStringLiteral("RGk"), QStringLiteral("Калибровка по:"),
                           {QStringLiteral("МЕНЬШЕЙ температуре"), QStringLiteral("БОЛЬШЕЙ температуре"),
                            QStringLiteral("ДАВЛЕНИЮ")},
                           1, panel);
    {
        const QSignalBlocker block(m_rgk);
        m_rgk->setItemIndex(0);
    }
    // Kinds on the left (the pressure mode under them), the set points with
    // what a run measured beside them, then the device's number and the one
    // "задать №" gives; the command buttons in two rows under them and the
    // configuration editor below: everything within a 1024-pixel screen.
    auto *outer = new QVBoxLayout(panel);
    auto *top = new QHBoxLayout;
    outer->addLayout(top);
    auto *kinds = new QVBoxLayout;
    kinds->addWidget(m_rgk);
    top->addLayout(kinds);
    auto *g = new QGridLayout;
    g->setHorizontalSpacing(8);
    top->addLayout(g);
    const char *labels[4] = {"L1Td1", "L1Od2", "L2Td1", "L2Od2"};
    const char *spins[4] = {"SE1Td1", "SE1Od2", "SE2Td1", "SE2Od2"};
    const std::array<QString, 4> first = captions(229, 0);
    for (int i = 0; i < 4; ++i) {
        m_labels[size_t(i)] = kit::label(labels[i], "", "", panel);
        m_labels[size_t(i)]->setText(first[size_t(i)]);
        m_labels[size_t(i)]->setAutoFillBackground(true);
        m_points[size_t(i)] = kit::spin(spins[i], -kit::kUnbounded, kit::kUnbounded, 0, "", panel);
        m_points[size_t(i)]->setMaximumWidth(90);
        m_points[size_t(i)]->installEventFilter(this);
        m_resultLabels[size_t(i)] = new QLabel(QStringLiteral("  измерено:  "), panel);
        m_results[size_t(i)] = new QLineEdit(panel);
        // Unnamed: what a run measured is no setting to keep.
        m_results[size_t(i)]->setReadOnly(true);
        m_results[size_t(i)]->setMaximumWidth(110);
        m_resultLabels[size_t(i)]->setVisible(false);
        m_results[size_t(i)]->setVisible(false);
        g->addWidget(m_labels[size_t(i)], i, 0);
        g->addWidget(m_points[size_t(i)], i, 1);
        g->addWidget(m_resultLabels[size_t(i)], i, 2);
        g->addWidget(m_results[size_t(i)], i, 3);
    }
    // Spare height under the rows, so that two set points stay together.
    g->setRowStretch(4, 1);
    m_sbd = kit::button("sbd", "", "", panel);
    m_sbd->setCheckable(true);
    m_sbd->setText(kSingle);
    m_sbd->setToolTip(QStringLiteral("по выбранному каналу давления"));
    m_sbd->setVisible(false);
    kinds->addWidget(m_sbd);
    kinds->addStretch();

    auto *numbers = new QGridLayout;
    top->addSpacing(16);
    top->addLayout(numbers);
    // The room left over goes to the right, not between captions and fields.
    top->addStretch(1);
    m_enok = kit::edit("Enok", QString(), "", panel);
    m_enok->setReadOnly(true);
    m_enok->setMaximumWidth(90);
    m_sedn = kit::spin("SEDN", 1, 65535, 1, "№ устройства (для записи)", panel);
    m_sedn->setMaximumWidth(90);
    auto *enokLabel = new QLabel(QStringLiteral("№ устройства"), panel);
    enokLabel->setBuddy(m_enok);
    auto *sednLabel = new QLabel(QStringLiteral("новый № (для записи)"), panel);
    sednLabel->setBuddy(m_sedn);
    numbers->addWidget(enokLabel, 0, 0);
    numbers->addWidget(m_enok, 0, 1);
    numbers->addWidget(sednLabel, 1, 0);
    numbers->addWidget(m_sedn, 1, 1);
    numbers->setRowStretch(2, 1);

    const std::pair<const char *, const char *> buttons[] = {
        {"BuNoTu", "AreadNoTu"},      {"BuSetNo", "ASetNO"},       {"BuDateTime", "ASaveDateTime"},
        {"BuSetPar", "ASetPar"},      {"BuInit", "ASetDevice"},    {"BuCal", "Acal"},
        {"BuWorkTime", "AsetWorkTime"}, {"BuClrArh", "ASetArh"},
    };
    auto *rows = new QGridLayout;
    int at = 0;
    for (const auto &[name, action] : buttons) {
        rows->addWidget(kit::commandButton(commands, name, action, panel), at / 5, at % 5);
        ++at;
    }
    m_offerButtons = kit::offerByType(commands, panel, m_session, "BuCal", "BuClrArh");
    auto *def = kit::button("BuDefault", "Конфигурация по умолчанию", "", panel);
    rows->addWidget(def, at / 5, at % 5);
    rows->setColumnStretch(5, 1);
    rows->setAlignment(Qt::AlignLeft);
    outer->addLayout(rows);
    // The type's configuration editor, under the calibration controls.
    m_editor = new ParamEditor(events, ui, session, panel);
    m_editor->setObjectName(QStringLiteral("ParamEditorK"));
    outer->addWidget(m_editor);
    // The spare height goes under the editor, not between the parts.
    outer->addStretch(1);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(panel, 1);

    connect(def, &QPushButton::clicked, this, [this] {
        if (!m_session.module()) {
            m_ui.statusFail(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
            return;
        }
        m_editor->loadDefaults();
    });

    connect(m_rgk, &RadioGroup::clicked, this, [this] {
        if (m_events.on())
            kindChosen();
    });
    connect(m_sbd, &QPushButton::toggled, this, [this](bool down) {
        m_sbd->setText(down ? kInTurn : kSingle);
        m_sbd->setToolTip(down ? QStringLiteral("по всем каналам давления") : QStringLiteral("по выбранному каналу давления"));
    });
}

void CalibrationPage::pageShown()
{
    if (!m_events.on())
        return;
    const int type = m_session.type();
    // With a device the line says so; without one it says which port is
    // chosen and how it stands.
    const bool connected = m_session.identified() && type >= kMinTypeCode && type <= kMaxTypeCode;
    if (connected)
        m_ui.statusOk(QStringLiteral("НА СВЯЗИ!"));
    else
        m_ui.statusBusy(m_linkText ? m_linkText() : QString());
    if (type >= 0) {
        if (connected)
            m_ui.statusOk(QStringLiteral("На связи"));
        else
            m_ui.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
        // The clock and the configuration can be written from here, as
        // from the configuration page once it has been read.
        if (m_session.module())
            for (const char *name : {"ASaveDateTime", "ASetPar"})
                if (QAction *a = m_commands.action(QString::fromUtf8(name)))
                    a->setEnabled(true);
        // The type's configuration editor: the configuration read, else the defaults.
        if (!m_editor->build())
            m_ui.statusFail(QStringLiteral("%1 %2").arg(type).arg(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА")));
    }
    const QList<int> kinds = Calibration::kinds(type);
    for (int k = 0; k < 3; ++k)
        m_rgk->setItemShown(k, kinds.contains(k) || kinds.isEmpty());
    m_rgk->setEnabled(!kinds.isEmpty());
    m_offerButtons();
    if (kinds.isEmpty() && typeInfo(type)) {
        // No kind, so no set point to give and nothing measured to show.
        for (int i = 0; i < 4; ++i) {
            m_labels[size_t(i)]->setVisible(false);
            m_points[size_t(i)]->setVisible(false);
            m_results[size_t(i)]->setVisible(false);
            m_resultLabels[size_t(i)]->setVisible(false);
        }
        m_sbd->setVisible(false);
    }
    if (kinds.isEmpty())
        return;
    EventsOff off(m_events);
    if (!kinds.contains(m_rgk->itemIndex()))
        m_rgk->setItemIndex(0);
    kindChosen();
}

void CalibrationPage::kindChosen()
{
    const int type = m_session.type();
    const int kind = m_rgk->itemIndex();
    if (!typeInfo(type)) {
        m_ui.message(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return;
    }
    const std::array<QString, 4> text = captions(type, kind);
    const std::array<double, 4> points = Calibration::defaults(kind);
    for (int i = 0; i < 4; ++i) {
        const bool shown = !text[size_t(i)].isEmpty();
        m_labels[size_t(i)]->setText(text[size_t(i)]);
        m_labels[size_t(i)]->setVisible(shown);
        m_points[size_t(i)]->setVisible(shown);
        m_points[size_t(i)]->setValue(int(points[size_t(i)]));
        // The measured values of the last run go with the kind.
        m_results[size_t(i)]->clear();
        m_results[size_t(i)]->setVisible(false);
        m_resultLabels[size_t(i)]->setVisible(false);
    }
    m_sbd->setVisible(kind == Calibration::Pressure);
    m_points[0]->setFocus();
}

bool CalibrationPage::allChannels() const
{
    return m_sbd->isChecked();
}

QString CalibrationPage::measured(int i) const
{
    return m_results[size_t(i)]->text();
}

Calibration::Result CalibrationPage::calibrate()
{
    std::array<double, 4> points{};
    for (int i = 0; i < 4; ++i) {
        points[size_t(i)] = m_points[size_t(i)]->value();
        const bool shown = !m_points[size_t(i)]->isHidden();
        m_results[size_t(i)]->clear();
        m_results[size_t(i)]->setVisible(shown);
        m_resultLabels[size_t(i)]->setVisible(shown);
    }
    Calibration calibration(m_road, m_ui, m_session);
    const Calibration::Result r = calibration.run(m_rgk->itemIndex(), points, m_channel, allChannels(),
                                                  QStringLiteral("байты калибровки.txt"));
    for (int i = 0; i < 4; ++i)
        m_results[size_t(i)]->setText(r.shown[size_t(i)]);
    return r;
}

bool CalibrationPage::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
        for (int i = 0; i < 4; ++i) {
            if (o != m_points[size_t(i)])
                continue;
            const bool in = e->type() == QEvent::FocusIn;
            if (in)
                m_channel = 2 + i;
            // The label of the field being entered is lit.
            QPalette p = m_labels[size_t(i)]->palette();
            p.setColor(QPalette::Window, in ? palette().color(QPalette::ToolTipBase) : palette().color(QPalette::Button));
            m_labels[size_t(i)]->setPalette(p);
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace pim::ui
