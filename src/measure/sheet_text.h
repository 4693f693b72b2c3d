#pragma once

#include <QChar>
#include <QString>

#include "measure/frame_object.h"

namespace fw {

class MeasureSheet;

// A block of the data sheet: rows count the header rows first, column 0 is "Time".
struct SheetBlock {
    int first_row = kSheetHeaderRows;
    int last_row = kSheetHeaderRows - 1;
    int first_column = 0;
    int last_column = -1;
};

// Every frame row, columns from `first_column` to the last.
SheetBlock WholeSheet(const MeasureSheet& sheet, int first_column);

// For pasting into a grid: the header rows, then every row of the block; cells separated by
// tabs, lines ended by CR.
QString GridText(const MeasureSheet& sheet, const SheetBlock& block);

// For other programs: the header rows, then the rows of the block that hold a value ("Time"
// counts when the block takes it in). A block that leaves "Time" out gets it in front of each
// line. Every cell ends with the separator, every line with CR LF.
QString DataText(const MeasureSheet& sheet, const SheetBlock& block, QChar separator);

// Writes every object column as comma-separated data text, replacing the file only when all
// of it was written; fails with the reason.
void ExportSheet(const MeasureSheet& sheet, const QString& path);

} // namespace fw
