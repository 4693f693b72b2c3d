#include "signals/sig_select_lists.h"

#include <algorithm>
#include <numeric>

namespace fw {

namespace {

// Rows that exist in a list of this size, bottom first, each once.
std::vector<int> BottomUp(std::vector<int> rows, size_t size)
{
    rows.erase(
        std::remove_if(rows.begin(), rows.end(), [size](int row) { return row < 0 || size_t(row) >= size; }),
        rows.end());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<int> AllRows(size_t size)
{
    std::vector<int> rows(size);
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

} // namespace

const std::vector<SignalEntry>& SigSelectLists::List(SigList list) const
{
    switch (list) {
    case SigList::Separate:
        return separate_;
    case SigList::Overlay:
        return overlay_;
    case SigList::Source:
        break;
    }
    return source_;
}

std::vector<SignalEntry>& SigSelectLists::Mutable(SigList list)
{
    return const_cast<std::vector<SignalEntry>&>(List(list));
}

void SigSelectLists::RemoveSource(std::vector<int> rows)
{
    for (int row : BottomUp(std::move(rows), source_.size()))
        source_.erase(source_.begin() + row);
}

bool SigSelectLists::CanMoveBack(SigList target, int selected_rows) const
{
    return target != SigList::Source && selected_rows > 0 && !List(target).empty();
}

template <typename Limit>
void SigSelectLists::Transfer(
    std::vector<SignalEntry>& from, std::vector<SignalEntry>& to, std::vector<int> rows, Limit keep_going)
{
    for (int row : BottomUp(std::move(rows), from.size())) {
        if (!keep_going())
            break;
        to.push_back(std::move(from[size_t(row)]));
        from.erase(from.begin() + row);
    }
}

void SigSelectLists::Move(SigList target, std::vector<int> source_rows)
{
    if (target != SigList::Source)
        Transfer(source_, Mutable(target), std::move(source_rows), [this] { return !Full(); });
}

void SigSelectLists::MoveAll(SigList target)
{
    Move(target, AllRows(source_.size()));
}

void SigSelectLists::MoveBack(SigList target, std::vector<int> rows)
{
    if (target != SigList::Source)
        Transfer(Mutable(target), source_, std::move(rows), [] { return true; });
}

void SigSelectLists::MoveBackAll(SigList target)
{
    if (target == SigList::Source)
        return;
    std::vector<SignalEntry>& from = Mutable(target);
    for (SignalEntry& entry : from)
        source_.push_back(std::move(entry));
    from.clear();
}

std::vector<SignalEntry> SigSelectLists::Result() const
{
    std::vector<SignalEntry> result = overlay_;
    result.insert(result.end(), separate_.begin(), separate_.end());
    return result;
}

} // namespace fw
