#pragma once
// The configuration editor of the current type: the module's form model
// mirrored into widgets, grouped by what the values are about. Every edit
// goes back into the form and through the module's check; choosing the
// other system rebuilds it from that system's half; a click on a pulse
// weight's label switches its unit. Both the configuration page and the
// calibration page show one.

#include <QList>
#include <QStringList>
#include <QWidget>

class QGridLayout;
class QLabel;

namespace pim {
class DeviceSession;
class ParamCodec;
struct ParamControl;
class WorkflowUi;
} // namespace pim

namespace pim::ui {

class Events;

class ParamEditor : public QWidget {
    Q_OBJECT
public:
    ParamEditor(Events &events, WorkflowUi &ui, DeviceSession &session, QWidget *parent = nullptr);

    // The form of the current type from the configuration record (the
    // defaults until one was read), then the widgets. False for a type
    // without module.
    bool build();
    // "Конфигурация по умолчанию": the type's defaults into every system.
    void loadDefaults();
    // The widgets again from the form.
    void render();
    // The configuration grid of the record as it stands.
    void showGrid();

signals:
    // The configuration grid after an edit, a unit switch or the
    // defaults, for the state grid "sgsp".
    void gridChanged(const QList<QStringList> &cells);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    ParamCodec *codec() const;
    QWidget *makeInput(const ParamControl &pc, QWidget *parent);
    void changed(const QString &name);

    Events &m_events;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    QWidget *m_body = nullptr;
    bool m_lastOk = false;
};

} // namespace pim::ui
