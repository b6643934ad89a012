#pragma once
// TFmd: the question every command that changes the device asks first.
// Only "ДА" continues; "Отмена" has the initial focus.

#include <QDialog>

class QLabel;
class QPushButton;

namespace pim::ui {

class ConfirmDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConfirmDialog(QWidget *parent = nullptr);

    // The text every question starts with: two line breaks, three blanks,
    // "А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО", two line breaks, three blanks.
    static QString prefix();

    void setQuestion(const QString &text);
    QString question() const;
    // Shows the dialog modally with prefix() + text; true only for "ДА".
    bool ask(const QString &text);
    // The same with the whole question (the prefix already in it).
    bool askWhole(const QString &question);

    QPushButton *yesButton() const { return m_yes; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    QLabel *m_text;
    QPushButton *m_yes;
    QPushButton *m_cancel;
};

} // namespace pim::ui
