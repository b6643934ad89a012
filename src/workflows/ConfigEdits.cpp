#include "workflows/ConfigEdits.h"

#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "devices/ParamTexts.h"
#include "devices/ParamTwoSystem.h"

namespace pim {

QStringList configValueLabels(const ParamCodec &codec, int count)
{
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels << QString();
    const QList<QStringList> header = codec.gridHeader();
    const QList<int> columns = codec.gridColumns();
    for (int j = 0; j < columns.size(); ++j) {
        const int v = columns[j];
        if (v < 0 || v >= count || !labels[v].isEmpty())
            continue;
        QString l;
        for (const QStringList &row : header)
            if (j < row.size())
                l += QLatin1Char(' ') + row[j];
        labels[v] = l.simplified();
    }
    // The contractual block (its flags word and six values) has no grid
    // column; the page's own captions name it.
    const auto *two = dynamic_cast<const ParamCodecTwo *>(&codec);
    if (two && ParamCodecTwo::layout(two->module()).contractual && count > 18) {
        if (labels[12].isEmpty())
            labels[12] = paramtext::kUseContract.trimmed();
        for (int i = 0; i < 6; ++i)
            if (labels[13 + i].isEmpty())
                labels[13 + i] = paramtext::kContract + paramtext::kContractNames.value(i);
    }
    return labels;
}

bool ConfigEdits::parse(const QString &item, Edit &edit)
{
    const qsizetype eq = item.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    edit.label = item.left(eq).simplified();
    edit.value = item.mid(eq + 1).trimmed();
    return !edit.label.isEmpty();
}

namespace {
// Keeps the last text and whether it told success.
class LastStatus final : public ParamStatus {
public:
    void showStatus(Kind kind, const QString &text) override
    {
        ok = kind == Kind::Ok;
        last = text;
    }
    bool lastOk() const override { return ok; }
    bool ok = false;
    QString last;
};
} // namespace

ConfigEdits::Outcome ConfigEdits::apply(DeviceSession &session, int system, bool defaults, const QList<Edit> &edits)
{
    Outcome out;
    DeviceModule *module = session.module();
    if (!module) {
        out.text = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
        return out;
    }
    ParamCodec &codec = module->param();
    if (defaults)
        codec.loadDefaults();
    const QStringList labels = configValueLabels(codec, int(codec.SLfromParam(system).size()));
    for (const Edit &e : edits) {
        qsizetype index = -1;
        for (qsizetype i = 0; i < labels.size() && index < 0; ++i)
            if (labels[i].compare(e.label, Qt::CaseInsensitive) == 0)
                index = i;
        if (index < 0) {
            out.usage = true;
            out.text = QStringLiteral("нет значения \"") + e.label + QStringLiteral("\"; есть: ")
                + labels.join(QStringLiteral("; "));
            return out;
        }
        if (const QString why = codec.setListValue(system, int(index), e.value); !why.isEmpty()) {
            out.usage = true;
            out.text = e.label + QStringLiteral(": ") + why;
            return out;
        }
    }
    // The page of the edited system, and its check as after a typed value.
    codec.ShowParam(session.type());
    if (codec.recordSystems() > 1)
        codec.form().setIndex(ParamCodec::kSystemChoice, system);
    codec.ShowParam(session.type());
    LastStatus status;
    if (!codec.CheckParam(status) || (!status.last.isEmpty() && !status.ok)) {
        out.text = status.last;
        return out;
    }
    Tab request;
    out.text = codec.writeRequest(session.identity(), request);
    out.ok = out.text.isEmpty();
    return out;
}

} // namespace pim
