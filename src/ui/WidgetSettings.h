#pragma once
// The operator's settings as control values: every named control of the
// main window is stored and restored by its class, so a control added later
// is kept without further code.
//
//   spin box        value                     number (0 if none), clamped to range
//   line edit       text                      text
//   combo box       index (-1 none)           index (0 if not a number); "cbd" skipped
//   radio group     index                     index
//   date edit       day number from 30.12.1899  that day
//   radio button,
//   check box       "0" checked, "1" not      checked when the value reads as 0
//   tab widget      active page (only "PCcon")  active page
//   label           caption                   caption

#include "workflows/SettingsFile.h"

#include <QList>

class QWidget;

namespace pim::ui {

// The widgets that are stored, in component order (depth first, creation
// order), each with a unique name; the first of two equal names wins.
QList<QWidget *> storedControls(QWidget *root);

QList<SettingsEntry> collectSettings(QWidget *root);

// Applies every entry whose name is a stored control's name, for each
// control in component order and the entries in file order (a later line
// overrides an earlier one). The index applied to "CBcon" is returned in
// `cbconIndex` (-1 when the file has none), because its list is filled later.
void applySettings(QWidget *root, const QList<SettingsEntry> &entries, int *cbconIndex = nullptr);

} // namespace pim::ui
