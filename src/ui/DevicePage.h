#pragma once
// The page "УСТРОЙСТВО": the link pages, the device group box (identity read
// from the device or set by hand), the state tabs "TCSP", the polling panel
// "PAcSt", the value panel "POi" and the state grid "sgsp".

#include <QList>
#include "workflows/ArchiveView.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTabBar;
class QTableWidget;

namespace pim {
class DeviceRoad;
class DeviceSession;
class WorkflowUi;
}

namespace pim::ui {

class CommandMap;
class Events;
class LinkPages;
class StatePoller;

class DevicePage : public QWidget {
    Q_OBJECT
public:
    // The page takes `links` (the link pages) into its layout.
    DevicePage(Events &events, CommandMap &commands, DeviceRoad &road, WorkflowUi &ui, DeviceSession &session, LinkPages *links,
               QWidget *parent = nullptr);

    LinkPages *linkPages() const { return m_links; }
    // "Enok" of the calibration page: filled and cleared with "ENo", and a
    // double click on it clears the identity too.
    void setCalibrationIdentityField(QLineEdit *enok);
    // The type the imitation answers as: the type chosen in "CBTu" (set by
    // the hand identity, or come back with the settings while the change
    // handlers were held off), 128 before any was chosen.
    int imitationType() const;
    // The change-log command may be enabled (its workflow is present).
    bool changeLogAvailable() const { return m_changeLogAvailable; }
    // The identity fields (ENo, Etype, Enok) show these texts.
    void setIdentityTexts(const QString &eno, const QString &etype, const QString &enok);
    QString enoText() const;
    QString etypeText() const;
    QString enokText() const;
    // Colours "ENo" as an ordinary field again.
    void resetEnoColour();
    // The state file name "EFst".
    void setStateFileName(const QString &name);

    // Preparation: the type list "CBTu" with the model names of the served
    // types in code order.
    void fillTypeList();
    // "rbu"/"rbs": which identity fields are shown, then the hand identity.
    void deviceGroupMode();
    // "SEno"/"CBTu" changed: the identity set by hand.
    void handIdentity();
    // Double click on "ENo", "Etype" or "Enok".
    void clearIdentity();

    // "состояние" switched on or off.
    void AreadstateExecute(bool on);
    // A click on "состояние" that could not run (another command holds the
    // link): the toggle goes back to what it showed, so that it stays in step
    // with the state display.
    void AreadstateRefused(bool on);
    // The values of the last state reading for the selected tab.
    void stateDisplay();
    // Error-field double click: tag 1 device error, 2 system error.
    void AErrDecExecute(int tag);
    // Double click on a cell of the state grid.
    void gridDoubleClick(int row, int column);
    // The system the selected tab shows (0 or 1).
    int selectedSystem() const;
    // "чтение архива": the grid "sgsp" shows a loaded archive file; hidden
    // again when the toggle goes off (unless the state display uses it).
    void showFileGrid(const ArchiveView::Grid &g);
    void hideFileGrid();
    // Page shown: "НА СВЯЗИ!" with a valid identity, else the link's state.
    void pageShown();

    // "ЖУИ" switched on or off: the change log read into "sgsp".
    void AReadChangExecute(bool on);
    // The polling timer's tick: the state read again (the window runs it
    // as a device command); refused when another command holds the link.
    void pollReading();
    void pollRefused();
    StatePoller *poller() const { return m_poller; }
    // The confirmation dialog's question (the prefix is added by it).
    void setAsk(std::function<bool(const QString &)> ask) { m_ask = std::move(ask); }
    // "BitBtn3": the state file deleted after the question.
    void deleteStateFile();
    // Where "EFst" points.
    QString stateFilePath() const;

    // The value fields on the panel (for the window's tests and screenshots).
    QList<QLineEdit *> valueFields() const { return m_fields; }
    QMenu *menu() const { return m_pmr; }

    // The text a message box would show last (the error decoder).
    QString lastMessage() const { return m_lastMessage; }
    // Message boxes are not shown when false (tests drive the page).
    static void setMessagesShown(bool on);

signals:
    // The state command shows its readings on this page.
    void showRequested();
    // The polling period is over: the window runs pollReading().
    void pollRequested();

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void buildTabs();
    void resetTabs();
    void discardFields();
    void showMessage(const QString &text);
    // The value panel covers the polling panel and every shown field.
    void fitValuePanel(int right, int bottom);
    // One state reading with the polling timer held while it runs.
    bool readState();
    // The state tabs of the identified type, kept when they are built.
    void ensureTabs();
    // "писать в файл": the row of the state display appended to the state
    // file, and the file shown in "sgsp".
    void writeStateFile(const QList<QStringList> &rows);
    void fillGrid(const QList<QStringList> &rows);

    Events &m_events;
    CommandMap &m_commands;
    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    LinkPages *m_links;
    QLineEdit *m_enok = nullptr;
    int m_imitType = 128;
    bool m_changeLogAvailable = false;
    QGroupBox *m_group;
    QLineEdit *m_eno;
    QLineEdit *m_etype;
    QRadioButton *m_rbu;
    QRadioButton *m_rbs;
    QSpinBox *m_seno;
    QComboBox *m_cbtu;
    QTabBar *m_tcsp;
    QWidget *m_pacst;
    QCheckBox *m_fire;
    QCheckBox *m_stinf;
    QLineEdit *m_efst;
    QWidget *m_poi;
    QTableWidget *m_sgsp;
    QSplitter *m_split;
    QMenu *m_pmr;
    QList<QLabel *> m_labels;
    QList<QLineEdit *> m_fields;
    QList<int> m_fieldTags;
    QString m_lastMessage;
    QSpinBox *m_fireSec = nullptr;
    StatePoller *m_poller = nullptr;
    std::function<bool(const QString &)> m_ask;
    QString m_gridFile; // the state file "sgsp" shows whole, if any
};

} // namespace pim::ui
