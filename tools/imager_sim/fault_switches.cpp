#include "fault_switches.h"

namespace fw::imager_sim {

std::vector<Outgoing> FaultSwitches::apply(std::vector<Outgoing> outgoing, std::vector<QByteArray>& notes)
{
    std::vector<Outgoing> kept;
    if (settings_.silent) {
        if (!outgoing.empty())
            notes.push_back("silent: nothing sent");
        return kept;
    }
    for (Outgoing& item : outgoing) {
        ++sent_count_;
        if (settings_.drop_every > 0 && sent_count_ % settings_.drop_every == 0) {
            notes.push_back("dropped item " + QByteArray::number(sent_count_));
            continue;
        }
        if (settings_.wrong_id && item.is_reply && item.bytes.size() >= 3) {
            const int wrong = (item.bytes.mid(1, 2).toInt(nullptr, 16) + 1) & 0xFF;
            item.bytes.replace(1, 2, toHex(quint32(wrong), 2));
        }
        if (settings_.garbage)
            item.bytes = garbageLike(item.bytes);
        kept.push_back(std::move(item));
    }
    return kept;
}

// Printable noise of the same length that never starts a reply; a line keeps its carriage return.
QByteArray FaultSwitches::garbageLike(const QByteArray& bytes) const
{
    static const QByteArray noise = "?%~x9!Qz@k&";
    QByteArray garbage(bytes.size(), ' ');
    for (qsizetype i = 0; i < garbage.size(); ++i)
        garbage[i] = noise[(i + sent_count_) % noise.size()];
    if (bytes.endsWith('\r'))
        garbage.back() = '\r';
    return garbage;
}

} // namespace fw::imager_sim
