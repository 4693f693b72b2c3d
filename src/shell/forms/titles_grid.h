#pragma once

#include <QTableWidget>

#include <vector>

#include "shell/ini_text.h"

namespace fw {

// A two-column grid of name=value titles: names unique without regard to case and never blank,
// values never empty ("?"). Used for the titles and camera pages and the default titles.
class TitlesGrid : public QTableWidget {
    Q_OBJECT
public:
    enum class Style { NamesPlainValuesBold, NamesBoldValuesPlain };

    explicit TitlesGrid(Style style, QWidget* parent = nullptr);

    void SetEntries(const std::vector<IniEntry>& entries);
    std::vector<IniEntry> Entries() const;
    bool Changed() const { return changed_; }
    void ClearChanged() { changed_ = false; }

    // The row commands of the titles buttons; a new row is "=?".
    void AddRow();
    void InsertRow();
    void RemoveRow();
    // Refuses (with the warning shown) a blank or duplicate name on the current row.
    bool CheckCurrentName();
    bool CheckAllNames();
    // Values of this row cannot be typed (database references in the default titles).
    void SetValueReadOnly(int row, bool read_only);
    void SetValue(int row, const QString& value);

signals:
    void rowsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void InsertEntry(int row, const IniEntry& entry);
    void CellEdited(QTableWidgetItem* item);
    bool CheckRow(int row);
    void MoveTo(int row);

    Style style_;
    bool changed_ = false;
    bool filling_ = false;
    bool moving_back_ = false;
};

} // namespace fw
