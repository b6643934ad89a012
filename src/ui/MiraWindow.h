#pragma once
// The carrier window "МИРА-1": a folder tree, the carrier files of the
// chosen folder with what each holds, the proposed new names below the
// program's carrier folder, the copy of the ticked files and the choice of
// the file to import. The file work itself is headless (carrier/MiraFiles).

#include "carrier/ArchiveDescription.h"

#include <QDialog>

#include <functional>

class QAction;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTextEdit;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace pim::ui {

class MiraWindow : public QDialog {
    Q_OBJECT
public:
    explicit MiraWindow(QWidget *parent = nullptr);
    ~MiraWindow() override;

    // The file chosen by "открыть файл" (empty when no item was selected).
    QString chosenFile() const { return m_chosen; }
    // The shown folder, with a trailing separator.
    QString shownFolder() const { return m_folder; }
    // Shows a folder as the tree's choice does.
    void showFolder(const QString &folder);

    void AFileListExecute();
    void AMIRARENAMEExecute();
    void AMIRACopyExecute();
    void AfileDLOpenExecute();
    void AHelpMIRAExecute();
    void BitBtn1Click();
    void LVcClick(QTreeWidgetItem *item);

    // The window's settings file (the shown folder): ДАННЫЕ/окно МИРА-1.mem,
    // a name of its own beside the main window's settings.
    static QString settingsPath();

    // Message boxes and the question before a file is replaced; tests
    // answer them instead of an operator.
    static void setMessageHook(std::function<void(const QString &)> hook);
    static void setReplaceHook(std::function<bool(const QString &destination)> hook);

    static QString notFoundText() { return QStringLiteral("МИРА: файлов не найдено"); }

protected:
    void done(int r) override;

private:
    void message(const QString &text);
    void saveSettings();
    void loadSettings();

    ArchiveDescription m_table;
    QString m_folder;
    QString m_chosen;
    QLabel *m_laind;
    QTreeView *m_tree;
    QFileSystemModel *m_fs;
    QPushButton *m_bitBtn1;
    QTreeWidget *m_lvc;
    QTextEdit *m_rename;
    QAction *m_help, *m_copy, *m_open, *m_list, *m_renameAction;
};

} // namespace pim::ui
