#pragma once
// "настройка печати": print margins, line spacing, margin frame and the
// print-variable list.

#include <QWidget>

namespace pim::ui {

class PrintPage : public QWidget {
    Q_OBJECT
public:
    explicit PrintPage(QWidget *parent = nullptr);
};

} // namespace pim::ui
