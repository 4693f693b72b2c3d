#include "measure/sheet_text.h"

#include <QSaveFile>

#include "measure/measure_sheet.h"
#include "support/fw_error.h"

namespace fw {

SheetBlock WholeSheet(const MeasureSheet& sheet, int first_column)
{
    return { kSheetHeaderRows, sheet.RowCount() - 1, first_column, sheet.ColumnCount() - 1 };
}

QString GridText(const MeasureSheet& sheet, const SheetBlock& block)
{
    QString text;
    auto append_row = [&](int row) {
        QString line;
        for (int column = block.first_column; column <= block.last_column; ++column)
            line += sheet.CellText(column, row) + QLatin1Char('\t');
        if (line.endsWith(QLatin1Char('\t')))
            line.chop(1);
        text += line + QLatin1Char('\r');
    };
    for (int row = 0; row < kSheetHeaderRows; ++row)
        append_row(row);
    for (int row = block.first_row; row <= block.last_row; ++row)
        append_row(row);
    return text;
}

QString DataText(const MeasureSheet& sheet, const SheetBlock& block, QChar separator)
{
    QString text;
    auto append_row = [&](int row, bool skip_empty) {
        bool empty = true;
        for (int column = block.first_column; column <= block.last_column; ++column)
            empty = empty && sheet.CellText(column, row).isEmpty();
        if (skip_empty && empty)
            return;
        if (block.first_column > 0)
            text += sheet.CellText(0, row) + separator;
        for (int column = block.first_column; column <= block.last_column; ++column)
            text += sheet.CellText(column, row) + separator;
        text += QStringLiteral("\r\n");
    };
    for (int row = 0; row < kSheetHeaderRows; ++row)
        append_row(row, false);
    for (int row = block.first_row; row <= block.last_row; ++row)
        append_row(row, true);
    return text;
}

void ExportSheet(const MeasureSheet& sheet, const QString& path)
{
    const QString text = DataText(sheet, WholeSheet(sheet, 1), QLatin1Char(','));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw Error(QStringLiteral("Could not write ") + path + QStringLiteral(": ") + file.errorString());
}

} // namespace fw
