#include "measure/sheet_menus.h"

#include "measure/obj_def.h"
#include "measure/sheet_elements.h"

namespace fw {

namespace {

constexpr size_t kItemsBeforeBreaking = 20;
constexpr size_t kItemsPerMenuColumn = 19;

} // namespace

std::vector<ShowMenuItem> ShowMenuItems(const TObjDefList& objects)
{
    std::vector<ShowMenuItem> items;
    for (const auto& def : objects.Objects()) {
        for (const auto& column : def->Columns().Columns()) {
            if (!column->Shown())
                items.push_back({ column.get(), column->ShowMenuCaption(), false });
        }
    }
    if (items.size() > kItemsBeforeBreaking) {
        for (size_t i = kItemsPerMenuColumn; i < items.size(); i += kItemsPerMenuColumn)
            items[i].break_before = true;
    }
    return items;
}

std::vector<VisibleChoice> VisibleColumnChoices(VisibleSet visible)
{
    std::vector<VisibleChoice> choices;
    for (int k = 0; k < kQuantityKindCount; ++k) {
        const auto kind = static_cast<QuantityKind>(k);
        choices.push_back({ kind, KindListName(kind), (visible & KindBit(kind)) != 0 });
    }
    return choices;
}

VisibleSet VisibleSetOf(const std::vector<VisibleChoice>& choices)
{
    VisibleSet visible = 0;
    for (const VisibleChoice& choice : choices) {
        if (choice.checked)
            visible |= KindBit(choice.kind);
    }
    return visible;
}

} // namespace fw
