#include "ui/ConfirmDialog.h"

#include "workflows/Maintenance.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace pim::ui {

ConfirmDialog::ConfirmDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Fmd"));
    setWindowTitle(QStringLiteral("ВОПРОС"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("Lquestion"));
    m_text->setWordWrap(true);
    m_text->setToolTip(QStringLiteral("Вопрос"));
    m_text->setAutoFillBackground(true);
    m_text->setMinimumSize(360, 120);
    m_text->setStyleSheet(QStringLiteral(
        "QLabel { color: blue; font-weight: bold; font-size: 12pt; background-color: palette(tool-tip-base); }"));

    m_yes = new QPushButton(QStringLiteral("ДА"), this);
    m_yes->setObjectName(QStringLiteral("BuYes"));
    m_yes->setToolTip(QStringLiteral("Начать процесс изменения"));
    m_yes->setStyleSheet(QStringLiteral("QPushButton { color: red; font-weight: bold; }"));
    m_yes->setAutoDefault(false);

    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("BuCancel"));
    m_cancel->setToolTip(QStringLiteral("Не изменять параметры"));
    m_cancel->setStyleSheet(QStringLiteral("QPushButton { color: green; font-weight: bold; }"));
    m_cancel->setDefault(true);

    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_yes);
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_text, 1);
    lay->addLayout(buttons);
}

QString ConfirmDialog::prefix()
{
    return Maintenance::question(QString());
}

void ConfirmDialog::setQuestion(const QString &text)
{
    // The label breaks lines at '\n'; the question keeps its own breaks.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_text->setText(shown);
}

QString ConfirmDialog::question() const
{
    return m_text->text();
}

bool ConfirmDialog::ask(const QString &text)
{
    return askWhole(prefix() + text);
}

bool ConfirmDialog::askWhole(const QString &question)
{
    setQuestion(question);
    m_cancel->setFocus();
    adjustSize();
    if (const QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    return exec() == QDialog::Accepted;
}

} // namespace pim::ui
