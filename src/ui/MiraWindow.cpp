#include "ui/MiraWindow.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "carrier/MiraFiles.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace pim::ui {
namespace {

std::function<void(const QString &)> &messageHook()
{
    static std::function<void(const QString &)> h;
    return h;
}

std::function<bool(const QString &)> &replaceHook()
{
    static std::function<bool(const QString &)> h;
    return h;
}

QString withSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

void MiraWindow::setMessageHook(std::function<void(const QString &)> hook)
{
    messageHook() = std::move(hook);
}

void MiraWindow::setReplaceHook(std::function<bool(const QString &)> hook)
{
    replaceHook() = std::move(hook);
}

QString MiraWindow::settingsPath()
{
    return DataPath({QStringLiteral("ДАННЫЕ")}, QStringLiteral("окно МИРА-1"), QStringLiteral("mem"));
}

MiraWindow::MiraWindow(QWidget *parent) : QDialog(parent), m_table(ArchiveDescription::programTable())
{
    setObjectName(QStringLiteral("FMIRA"));
    setWindowTitle(QStringLiteral("МИРА-1"));
    resize(900, 600);
    auto *lay = new QVBoxLayout(this);

    auto *bar = new QToolBar(this);
    m_help = bar->addAction(QStringLiteral("помощь"));
    m_help->setObjectName(QStringLiteral("AHelpMIRA"));
    m_copy = bar->addAction(QStringLiteral("копировать файлы"));
    m_copy->setObjectName(QStringLiteral("AMIRACopy"));
    m_copy->setToolTip(QStringLiteral("копировать отмеченные файлы с новыми именами"));
    m_open = bar->addAction(QStringLiteral("открыть файл"));
    m_open->setObjectName(QStringLiteral("AfileDLOpen"));
    m_open->setToolTip(QStringLiteral("открыть выбранный файл"));
    m_list = new QAction(QStringLiteral("список файлов"), this);
    m_list->setObjectName(QStringLiteral("AFileList"));
    m_renameAction = new QAction(QStringLiteral("переименовать"), this);
    m_renameAction->setObjectName(QStringLiteral("AMIRARENAME"));
    addAction(m_list);
    addAction(m_renameAction);
    lay->addWidget(bar);

    m_laind = new QLabel(QStringLiteral("Состояние программы и ее процессов"), this);
    m_laind->setObjectName(QStringLiteral("LAind"));
    m_laind->setWordWrap(true);
    lay->addWidget(m_laind);

    auto *split = new QSplitter(Qt::Horizontal, this);
    auto *computer = new QGroupBox(QStringLiteral("Мой компьютер"), split);
    auto *cl = new QVBoxLayout(computer);
    m_fs = new QFileSystemModel(this);
    m_fs->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_fs->setRootPath(QDir::rootPath());
    m_tree = new QTreeView(computer);
    m_tree->setObjectName(QStringLiteral("ShellTreeView1"));
    m_tree->setModel(m_fs);
    for (int c = 1; c < m_fs->columnCount(); ++c)
        m_tree->hideColumn(c);
    m_tree->header()->hide();
    cl->addWidget(m_tree);
    m_bitBtn1 = new QPushButton(QStringLiteral("Перейти в папку с программой"), computer);
    m_bitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    cl->addWidget(m_bitBtn1);

    auto *right = new QSplitter(Qt::Vertical, split);
    auto *files = new QGroupBox(QStringLiteral("МИРА файлы"), right);
    auto *fl = new QVBoxLayout(files);
    m_lvc = new QTreeWidget(files);
    m_lvc->setObjectName(QStringLiteral("LVc"));
    m_lvc->setRootIsDecorated(false);
    fl->addWidget(m_lvc);
    auto *names = new QGroupBox(QStringLiteral("новое имя"), right);
    auto *nl = new QVBoxLayout(names);
    m_rename = new QTextEdit(names);
    m_rename->setObjectName(QStringLiteral("REName"));
    m_rename->setAcceptRichText(false);
    nl->addWidget(m_rename);
    split->setStretchFactor(1, 2);
    lay->addWidget(split, 1);

    connect(m_help, &QAction::triggered, this, &MiraWindow::AHelpMIRAExecute);
    connect(m_copy, &QAction::triggered, this, &MiraWindow::AMIRACopyExecute);
    connect(m_open, &QAction::triggered, this, &MiraWindow::AfileDLOpenExecute);
    connect(m_list, &QAction::triggered, this, &MiraWindow::AFileListExecute);
    connect(m_renameAction, &QAction::triggered, this, &MiraWindow::AMIRARENAMEExecute);
    connect(m_bitBtn1, &QPushButton::clicked, this, &MiraWindow::BitBtn1Click);
    connect(m_lvc, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { LVcClick(item); });
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &i) {
        if (isVisible() && i.isValid())
            showFolder(m_fs->filePath(i));
    });

    loadSettings();
    if (m_folder.isEmpty())
        m_folder = withSeparator(mira::programFolder());
    AFileListExecute();
}

MiraWindow::~MiraWindow() = default;

void MiraWindow::message(const QString &text)
{
    if (messageHook())
        messageHook()(text);
    else
        QMessageBox::information(this, windowTitle(), text);
}

void MiraWindow::showFolder(const QString &folder)
{
    setWindowTitle(QDir::toNativeSeparators(folder));
    m_folder = withSeparator(folder);
    AFileListExecute();
}

void MiraWindow::BitBtn1Click()
{
    const QString mira = mira::programFolder();
    setWindowTitle(QDir::toNativeSeparators(mira));
    const QString target = QFileInfo(mira).isDir() ? mira : programFolder();
    const QModelIndex i = m_fs->index(target);
    if (i.isValid()) {
        m_tree->setCurrentIndex(i);
        m_tree->scrollTo(i);
    }
    m_folder = withSeparator(target);
    AFileListExecute();
    m_tree->setFocus();
}

void MiraWindow::AFileListExecute()
{
    m_laind->setText(QStringLiteral("определяю список файлов..."));
    m_lvc->clear();
    const QStringList found = mira::fileList(m_folder);
    m_lvc->setColumnCount(2);
    m_lvc->setHeaderLabels({QDir::toNativeSeparators(m_folder), QStringLiteral("Подробно")});
    m_laind->setText(QStringLiteral("готово!"));
    if (found.isEmpty()) {
        new QTreeWidgetItem(m_lvc, {notFoundText()});
        m_rename->clear();
        m_laind->setText(notFoundText());
        m_open->setEnabled(false);
        m_copy->setEnabled(false);
        return;
    }
    m_open->setEnabled(true);
    m_copy->setEnabled(true);
    for (const QString &name : found) {
        auto *item = new QTreeWidgetItem(m_lvc, {name, mira::details(m_folder, name, m_table)});
        item->setCheckState(0, Qt::Unchecked);
    }
    m_lvc->resizeColumnToContents(0);
}

void MiraWindow::LVcClick(QTreeWidgetItem *item)
{
    if (!item || item->text(0) == notFoundText())
        return;
    m_laind->setText(item->text(1));
    AMIRARENAMEExecute();
}

void MiraWindow::AMIRARENAMEExecute()
{
    if (!mira::makeProgramFolder())
        message(QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"));
    m_rename->clear();
    QTextCursor cursor(m_rename->document());
    QTextCharFormat bold, plain;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(mira::proposalHead(), bold);
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < m_lvc->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_lvc->topLevelItem(i);
        QString line = mira::untickedLine();
        if (item->text(0) != notFoundText() && item->checkState(0) == Qt::Checked) {
            bool folderFailed = false;
            QString err;
            line = mira::proposal(m_folder, item->text(0), m_table, now, &folderFailed, &err);
            if (!err.isEmpty())
                m_laind->setText(err);
            if (folderFailed)
                message(QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"));
        }
        cursor.insertBlock();
        cursor.insertText(line, plain);
    }
}

void MiraWindow::AMIRACopyExecute()
{
    QStringList names;
    QList<bool> ticked;
    for (int i = 0; i < m_lvc->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_lvc->topLevelItem(i);
        names << item->text(0);
        ticked << (item->text(0) != notFoundText() && item->checkState(0) == Qt::Checked);
    }
    const QList<mira::CopyPair> pairs =
        mira::copyPairs(m_folder, names, ticked, m_rename->toPlainText().split(QLatin1Char('\n')));
    if (pairs.isEmpty()) {
        m_laind->setText(QStringLiteral("нет файлов для копирования. Поставте галочки в списке"));
        return;
    }
    m_laind->setText(QStringLiteral("Пожалуйста, подождите"));
    auto replace = [this](const QString &destination) {
        if (replaceHook())
            return replaceHook()(destination);
        return QMessageBox::question(this, QStringLiteral("ВОПРОС"),
                                     QStringLiteral("Файл уже есть:\n") + QDir::toNativeSeparators(destination)
                                         + QStringLiteral("\nЗаменить?"))
            == QMessageBox::Yes;
    };
    QString error;
    const mira::CopyResult r = mira::copyFiles(pairs, replace, &error);
    m_laind->setText(error.isEmpty() ? mira::copyResultText(r) : error);
    message(mira::copyResultText(r));
}

void MiraWindow::AfileDLOpenExecute()
{
    const QTreeWidgetItem *item = m_lvc->currentItem();
    m_chosen = item && item->isSelected() && item->text(0) != notFoundText() ? m_folder + item->text(0) : QString();
    accept();
}

void MiraWindow::AHelpMIRAExecute()
{
    m_laind->setText(QStringLiteral("Вызываю файл справки. Ждите..."));
    const QString help = DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("ПОМОЩЬ")}, QStringLiteral("MIRAhelp"),
                                  QStringLiteral("hlp"));
    if (QFileInfo::exists(help))
        QDesktopServices::openUrl(QUrl::fromLocalFile(help));
    m_laind->setText(QStringLiteral("готово!"));
}

void MiraWindow::done(int r)
{
    saveSettings();
    QDialog::done(r);
}

void MiraWindow::saveSettings()
{
    QDir().mkpath(QFileInfo(settingsPath()).absolutePath());
    writeLines(settingsPath(), {QStringLiteral("folder=") + m_folder});
}

void MiraWindow::loadSettings()
{
    QStringList lines;
    if (!readLines(settingsPath(), lines))
        return;
    for (const QString &l : lines)
        if (l.startsWith(QLatin1String("folder="))) {
            const QString folder = l.mid(7);
            if (QFileInfo(folder).isDir())
                m_folder = withSeparator(folder);
        }
}

} // namespace pim::ui
