#include "ui/ArchivePlotWidget.h"

#include <QPainter>

namespace pim::ui {

ArchivePlotWidget::ArchivePlotWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PPlot"));
    setMinimumSize(240, 180);
}

void ArchivePlotWidget::setPlot(const PlotData &data)
{
    m_data = data;
    update();
}

void ArchivePlotWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    ArchivePlot::draw(p, rect(), m_data);
}

} // namespace pim::ui
