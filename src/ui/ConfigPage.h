#pragma once
// "КОНФИГУРАЦИЯ": the configuration panel "Ppar", built per type once a
// configuration has been read (that workflow comes later), with its menu.

#include <QWidget>

namespace pim::ui {

struct Shell;

class ConfigPage : public QWidget {
    Q_OBJECT
public:
    ConfigPage(Shell &shell, QWidget *parent = nullptr);
};

} // namespace pim::ui
