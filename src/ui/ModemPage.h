#pragma once
// The "МОДЕМ" page of the link pages: the phone book, the number and its
// codes, raw AT commands, the call and the hang-up. The dialling itself is
// links/ModemDialer; the page shows the book and forwards the clicks.

#include "links/PhoneBook.h"

#include <QWidget>

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace pim {
class AsyncReceiver;
class ExchangeEngine;
class ModemDialer;
class StatusSink;
struct DialPlan;
}

namespace pim::ui {

class Events;
class PortPage;

class ModemPage : public QWidget {
    Q_OBJECT
public:
    ModemPage(Events &events, ExchangeEngine &engine, AsyncReceiver &rx, StatusSink &status, PortPage &port,
              QWidget *parent = nullptr);
    ~ModemPage() override;

    ModemDialer &dialer() { return *m_dialer; }
    // The question before an entry is destroyed (the window's TFmd).
    void setConfirm(std::function<bool(const QString &question)> f) { m_confirm = std::move(f); }
    // "Идет сеанс связи...\rПрервать его ?": true to end the session.
    void setAbortQuestion(std::function<bool(const QString &question)> f) { m_askAbort = std::move(f); }
    // The book's file (the program folder's by default).
    void setBookPath(const QString &path) { m_bookPath = path; }
    const PhoneBook &book() const { return m_book; }

    void pageShown();
    void pageHidden();
    // The entry named in "CBcon" fills the number, the port and the codes.
    void entrySelected();
    void remember();   // "запомнить"
    void destroyEntry(); // "уничтожить"
    void sendCommand(); // "послать..."
    void call();       // "позвонить"
    void disconnectLine(); // "отсоединить"
    DialPlan plan() const;

    // The index of CBcon the settings named, taken when the list is filled.
    void rememberIndex(int i) { m_remembered = i; }
    void selectRemembered();
    // The port check's question while a session is up; false: the check stops.
    bool allowPortChange();

    QLabel *stateLabel() const { return m_lmstate; }
    QComboBox *entries() const { return m_cbcon; }

signals:
    // A modem answer was listed in the terminal memo.
    void memoChanged();

private:
    bool eventFilter(QObject *o, QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void codesEnabled();

    Events &m_events;
    ExchangeEngine &m_engine;
    AsyncReceiver &m_rx;
    StatusSink &m_status;
    PortPage &m_port;
    ModemDialer *m_dialer;
    PhoneBook m_book;
    QString m_bookPath;
    int m_remembered = -1;
    std::function<bool(const QString &)> m_confirm;
    std::function<bool(const QString &)> m_askAbort;

    QAction *m_aRemember;
    QAction *m_aDestroy;
    QAction *m_aSend;
    QAction *m_aCall;
    QAction *m_aDisconnect;
    QComboBox *m_cbcon;
    QLineEdit *m_etel;
    QComboBox *m_cbmod;
    QCheckBox *m_cbton;
    QCheckBox *m_cbsta;
    QLineEdit *m_esta;
    QCheckBox *m_cbtru;
    QLineEdit *m_ekmg;
    QLineEdit *m_etru;
    QLabel *m_lmstate;
};

} // namespace pim::ui
