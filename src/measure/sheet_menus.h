#pragma once

#include <QString>

#include <vector>

#include "measure/measure_units.h"

namespace fw {

class TObjDefList;
class TSheetElement;

// One entry of the "&Show" menu: a hidden column. A break starts a new menu column.
struct ShowMenuItem {
    TSheetElement* column = nullptr;
    QString caption;
    bool break_before = false;
};

// The hidden columns of every object, objects in creation order, columns in creation order.
// Beyond 20 entries, every 19th entry starts a new menu column.
std::vector<ShowMenuItem> ShowMenuItems(const TObjDefList& objects);

// One check box of the visible-columns list.
struct VisibleChoice {
    QuantityKind kind;
    QString name;
    bool checked = false;
};
std::vector<VisibleChoice> VisibleColumnChoices(VisibleSet visible);
// The set the checks make.
VisibleSet VisibleSetOf(const std::vector<VisibleChoice>& choices);

} // namespace fw
