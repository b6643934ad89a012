// state_appender PATH CSV N: appends N rows, each naming this process and
// its number, to the state file PATH and N rows to the CSV file CSV, one
// after the other, as a `pimctl poll` or a batch worker does; prints how
// many appends found a missing or empty file (and so wrote the header) and
// exits 1 at the first append that failed.

#include "workflows/StateFile.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const QString path = args[1], csv = args[2];
    const int n = args[3].toInt();
    const QString me = QString::number(::getpid());
    int headers = 0;
    for (int i = 0; i < n; ++i) {
        const QStringList row{me, QString::number(i), QStringLiteral("Тепло")};
        QString error;
        bool created = false;
        if (!pim::StateFile::append(path, {QStringLiteral("h1")}, {QStringLiteral("h2")}, row, &error, &created)
            || !pim::StateFile::appendCsv(csv, {QStringLiteral("время")}, row, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        headers += created ? 1 : 0;
    }
    std::printf("%d\n", headers);
    return 0;
}
