#include "measure/position_csv.h"

#include <array>
#include <cmath>
#include <optional>

#include <QList>
#include <QLocale>
#include <QString>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr std::array<const char*, 3> kFieldNames { "time_ms", "x", "y" };

std::optional<double> NumberOf(const QByteArray& field)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(QString::fromLatin1(field.trimmed()), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The fields of a line; a trailing empty field (the line ended with a comma) is dropped.
QList<QByteArray> FieldsOf(const QByteArray& line)
{
    QList<QByteArray> fields = line.split(',');
    if (fields.size() == 4 && fields.back().trimmed().isEmpty())
        fields.removeLast();
    return fields;
}

std::optional<PositionSample> SampleOf(const QList<QByteArray>& fields, qsizetype line_number, bool quiet)
{
    const auto fail = [&](const QString& what) -> std::optional<PositionSample> {
        if (quiet)
            return std::nullopt;
        throw Error(QStringLiteral("Line %1: %2").arg(line_number).arg(what));
    };
    if (fields.size() != 3)
        return fail(QStringLiteral("%1 fields where time_ms,x,y are expected.").arg(fields.size()));
    std::array<double, 3> values {};
    for (size_t i = 0; i < values.size(); ++i) {
        const std::optional<double> value = NumberOf(fields[qsizetype(i)]);
        if (!value)
            return fail(QString::fromLatin1(kFieldNames[i]) + QStringLiteral(" is not a finite number."));
        values[i] = *value;
    }
    return PositionSample { values[0], values[1], values[2] };
}

QList<QByteArray> LinesOf(QByteArray text)
{
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text.split('\n');
}

} // namespace

std::vector<PositionSample> ReadPositionCsv(const QByteArray& bytes)
{
    const QList<QByteArray> lines = LinesOf(bytes);
    if (lines.front().trimmed().isEmpty())
        throw Error(QStringLiteral("Line 1: the header line time_ms,x,y is missing."));
    if (SampleOf(FieldsOf(lines.front()), 1, true))
        throw Error(QStringLiteral("Line 1 holds numbers: the first line is the header (time_ms,x,y)."));
    std::vector<PositionSample> samples;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        samples.push_back(*SampleOf(FieldsOf(lines[i]), i + 1, false));
    }
    return samples;
}

} // namespace fw
