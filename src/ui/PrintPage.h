#pragma once
// "настройка печати": print margins, line spacing, margin frame and the
// print-variable list.

#include <QWidget>

namespace pim::ui {

struct Shell;

class PrintPage : public QWidget {
    Q_OBJECT
public:
    PrintPage(Shell &shell, QWidget *parent = nullptr);
};

} // namespace pim::ui
