#pragma once
// The lamp of the indicator strip: paints the colour and the lit state the
// status line holds; a click toggles the flash mode.

#include <QColor>
#include <QWidget>

namespace pim::ui {

class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget *parent = nullptr);

    void show(const QColor &colour, bool lit);
    QColor colour() const { return m_colour; }
    bool lit() const { return m_lit; }

    QSize sizeHint() const override { return {18, 18}; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;

private:
    QColor m_colour = Qt::green;
    bool m_lit = false;
};

} // namespace pim::ui
