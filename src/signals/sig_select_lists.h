#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "signals/graph_layout.h"

namespace fw {

class TSigClass;

// A loaded signal as the signal choice lists it.
struct SignalEntry {
    QString name; // the signal's full name
    std::shared_ptr<TSigClass> signal;
};

enum class SigList { Source, Separate, Overlay };

// The three lists of the signal choice and the rules of moving between them. Selections are
// row numbers of the list concerned. Moves of several signals take them from the bottom of the
// list upwards and append them, so they arrive in reverse order; moving all back keeps order.
class SigSelectLists {
public:
    const std::vector<SignalEntry>& List(SigList list) const;
    int ChosenCount() const { return int(separate_.size() + overlay_.size()); }
    bool Full() const { return ChosenCount() >= kMaxGraphSignals; }

    void AddSource(SignalEntry entry) { source_.push_back(std::move(entry)); }
    void RemoveSource(std::vector<int> rows);

    // Whether each move can happen now (the buttons' enabled states).
    bool CanMove(int selected_source_rows) const { return selected_source_rows > 0 && !Full(); }
    bool CanMoveAll() const { return !source_.empty() && !Full(); }
    bool CanMoveBack(SigList target, int selected_rows) const;
    bool CanMoveBackAll(SigList target) const { return !List(target).empty(); }
    bool CanAccept() const { return ChosenCount() > 0; }

    void Move(SigList target, std::vector<int> source_rows);
    void MoveAll(SigList target);
    void MoveBack(SigList target, std::vector<int> rows);
    void MoveBackAll(SigList target);

    // The chart's signals: overlay first, then separate.
    std::vector<SignalEntry> Result() const;

private:
    std::vector<SignalEntry>& Mutable(SigList list);
    // Moves the given rows of from, bottom first, to the end of to while keep_going holds.
    template <typename Limit>
    void Transfer(std::vector<SignalEntry>& from, std::vector<SignalEntry>& to, std::vector<int> rows,
        Limit keep_going);

    std::vector<SignalEntry> source_;
    std::vector<SignalEntry> separate_;
    std::vector<SignalEntry> overlay_;
};

} // namespace fw
