#pragma once
// "график" beside the archive grid: draws the plot of the shown tab with
// the same code as the PNG and pimctl.

#include "workflows/ArchivePlot.h"

#include <QWidget>

namespace pim::ui {

class ArchivePlotWidget : public QWidget {
    Q_OBJECT
public:
    explicit ArchivePlotWidget(QWidget *parent = nullptr);

    void setPlot(const PlotData &data);
    const PlotData &plot() const { return m_data; }

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    PlotData m_data;
};

} // namespace pim::ui
