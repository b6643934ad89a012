#include "ui/Lamp.h"

#include <QMouseEvent>
#include <QPainter>

namespace pim::ui {

Lamp::Lamp(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Lblink"));
    setToolTip(QStringLiteral("cветодиод щ-выкл"));
    setFixedSize(18, 18);
}

void Lamp::show(const QColor &colour, bool lit)
{
    if (m_colour == colour && m_lit == lit)
        return;
    m_colour = colour;
    m_lit = lit;
    update();
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(m_lit ? m_colour : m_colour.darker(300));
    p.setPen(QPen(Qt::darkGray, 1));
    p.drawEllipse(rect().adjusted(2, 2, -2, -2));
}

void Lamp::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        emit clicked();
}

} // namespace pim::ui
