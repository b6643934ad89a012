#include "ui/IndicatorStrip.h"

#include "ui/Lamp.h"
#include "ui/StatusView.h"
#include "workflows/StatusLine.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace pim::ui {

IndicatorStrip::IndicatorStrip(StatusLine &model, QWidget *parent) : QFrame(parent), m_model(model)
{
    setObjectName(QStringLiteral("Pind"));
    setFrameShape(QFrame::StyledPanel);

    m_lamp = new Lamp(this);
    connect(m_lamp, &Lamp::clicked, &m_model, &StatusLine::toggleFlashMode);

    m_state = new QLabel(QStringLiteral("не определено"), this);
    m_state->setObjectName(QStringLiteral("LuState"));
    m_state->setToolTip(QStringLiteral("Состояние устройства"));
    QFont f = m_state->font();
    f.setBold(true);
    m_state->setFont(f);
    m_state->setMinimumWidth(200);
    m_state->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_sec = new QProgressBar(this);
    m_sec->setObjectName(QStringLiteral("Gsec"));
    m_sec->setToolTip(QStringLiteral("секунды"));
    m_sec->setRange(0, 59);
    m_sec->setTextVisible(false);
    m_sec->setFixedWidth(80);
    m_sec->setMaximumHeight(12);

    m_clock = new QLabel(this);
    m_clock->setObjectName(QStringLiteral("LDT"));
    m_clock->setToolTip(QStringLiteral("дата и время двойной щелчок для установки"));
    m_clock->installEventFilter(this);

    auto *lay = new QHBoxLayout(this);
    lay->setContentsMargins(4, 2, 4, 2);
    lay->addWidget(m_lamp);
    lay->addWidget(m_state, 1);
    lay->addWidget(m_sec);
    lay->addWidget(m_clock);

    connect(&m_model, &StatusLine::lampChanged, this, &IndicatorStrip::paintLamp);
    connect(&m_model, &StatusLine::clockChanged, this, &IndicatorStrip::paintClock);
    paintLamp();
}

void IndicatorStrip::paintLamp()
{
    m_lamp->show(StatusView::lampColour(m_model.lampKind()), m_model.lampLit());
}

void IndicatorStrip::paintClock()
{
    m_clock->setText(m_model.LDT());
    m_sec->setValue(m_model.Gsec());
}

bool IndicatorStrip::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_clock && e->type() == QEvent::MouseButtonDblClick)
        emit clockDoubleClicked();
    return QFrame::eventFilter(o, e);
}

} // namespace pim::ui
