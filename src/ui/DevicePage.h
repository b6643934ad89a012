#pragma once
// The page "УСТРОЙСТВО": the link pages, the device group box (identity read
// from the device or set by hand), the state tabs "TCSP", the polling panel
// "PAcSt", the value panel "POi" and the state grid "sgsp".

#include <QList>
#include <QWidget>

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

namespace pim::ui {

struct Shell;
class LinkPages;

class DevicePage : public QWidget {
    Q_OBJECT
public:
    DevicePage(Shell &shell, QWidget *parent = nullptr);

    LinkPages *linkPages() const { return m_links; }

    // Preparation: the type list "CBTu" with the model names of the served
    // types in code order.
    void fillTypeList();
    // "rbu"/"rbs": which identity fields are shown, then the hand identity.
    void deviceGroupMode();
    // "SEno"/"CBTu" changed: the identity set by hand.
    void handIdentity();
    // Double click on "ENo", "Etype" or "Enok".
    void clearIdentity();
    // The identity fields after the identity command.
    void showIdentity(const QString &eno, const QString &etype);

    // "состояние" switched on or off.
    void AreadstateExecute(bool on);
    // The values of the last state reading for the selected tab.
    void stateDisplay();
    // Error-field double click: tag 1 device error, 2 system error.
    void AErrDecExecute(int tag);
    // Double click on a cell of the state grid.
    void gridDoubleClick(int row, int column);
    // The system the selected tab shows (0 or 1).
    int selectedSystem() const;
    // Page shown: "НА СВЯЗИ!" with a valid identity, else the link's state.
    void pageShown();

    // The value fields on the panel (for the window's tests and screenshots).
    QList<QLineEdit *> valueFields() const { return m_fields; }

    // The text a message box would show last (the error decoder).
    QString lastMessage() const { return m_lastMessage; }
    // Message boxes are not shown when false (tests drive the page).
    static void setMessagesShown(bool on);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void buildTabs();
    void resetTabs();
    void discardFields();
    void showMessage(const QString &text);

    Shell &m_shell;
    LinkPages *m_links;
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
    QWidget *m_poi;
    QTableWidget *m_sgsp;
    QSplitter *m_split;
    QMenu *m_pmr;
    QList<QLabel *> m_labels;
    QList<QLineEdit *> m_fields;
    QList<int> m_fieldTags;
    QString m_lastMessage;
};

} // namespace pim::ui
