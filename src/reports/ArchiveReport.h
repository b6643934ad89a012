#pragma once
// "печать архива" without widgets: the template set of the connected type
// is saved (its folders made first), then the archive in view is drawn on
// a canvas with the set, the page settings and the variables of the tab.

#include "reports/PrintForms.h"
#include "reports/ReportCanvas.h"
#include "reports/ReportLayout.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace pim {

class DeviceSession;
struct TypeInfo;

struct ReportSource {
    int type = -1;
    int tabIndex = -1;     // the archive tab; -1 none
    bool fromFile = false; // the records were loaded from an archive file (system 1 only)
    QString filePath;      // that file
    QDate begin, end;      // the date range of a device archive
    bool fileRange = false; // a file archive: begin and end are the days of its first and last record
    QDate today;
    int number = -1;       // the serial number shown; -1 none
};

class ArchiveReport {
public:
    // Rows from the last table entry to the first (229, 234, 236, 238).
    static bool reverseOrder(const TypeInfo &type);

    // The preview's title: the archive title of the tab.
    static QString previewTitle(int type, int tabIndex);

    // Makes ДАННЫЕ and ДАННЫЕ/ПЕЧАТЬ where missing and saves the set of the
    // type for the tab's kind into `folder`. Returns the messages for the
    // operator: "НЕ МОГУ СОЗДАТЬ ДИР", a failed save, or the type mismatch.
    static QStringList saveForms(const PrintForms &forms, int type, int tabIndex, const QString &folder);

    struct Drawn {
        int pages = 0;
        QStringList messages; // "TFpim.RVsPrint:НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА", once per header line
    };
    // Draws the session's displayed archive of the type.
    static Drawn render(ReportCanvas &canvas, const PrintForms &forms, const PageSettings &page,
                        DeviceSession &session, const ReportSource &source);
};

} // namespace pim
