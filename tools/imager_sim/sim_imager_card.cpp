#include "directory_listing.h"
#include "sim_imager.h"

namespace fw::imager_sim {
namespace {

constexpr std::string_view kListing = "56";
constexpr std::string_view kCardPath = "57";
constexpr std::string_view kMakeDirectory = "58";
constexpr std::string_view kRemoveDirectory = "59";
constexpr std::string_view kDeletePath = "5A";

} // namespace

bool SimImager::isCardCommand(const QByteArray& code)
{
    return code == kListing.data() || code == kMakeDirectory.data() || code == kRemoveDirectory.data()
        || code == kDeletePath.data();
}

SimImager::Replies SimImager::handleCardCommand(const QByteArray& code, const QByteArray& argument)
{
    if (code == kListing.data())
        return handleListing(argument);
    if (argument.isEmpty())
        return { reply(result::kParameterCount, code) };
    if (code == kMakeDirectory.data())
        return { reply(card_.makeDirectory(argument, cardStamp()), code) };
    if (code == kRemoveDirectory.data())
        return { reply(card_.removeDirectory(string_registers_[kCardPath.data()], argument), code) };
    return { reply(card_.deletePath(argument), code) };
}

// A listing starts with an argument ("/X"); "56" alone asks for the part after "<MORE>".
SimImager::Replies SimImager::handleListing(const QByteArray& argument)
{
    const QList<QByteArray> lines = listingLines(card_, string_registers_[kCardPath.data()]);
    if (config_.link == LinkKind::Serial) {
        Replies replies;
        for (const QByteArray& line : serialListingLines(lines))
            replies.push_back({ line + '\r', false });
        return replies;
    }
    if (!argument.isEmpty() || next_listing_part_ >= listing_parts_.size()) {
        listing_parts_ = udpListingParts(lines);
        next_listing_part_ = 0;
    }
    return { { listing_parts_.at(next_listing_part_++), false } };
}

// Made directories carry the imager's own date and time (BCD MMDDYY and HHMMSS).
QByteArray SimImager::cardStamp() const
{
    const QByteArray date = toHex(registers_.at(RegisterId::Date), 6);
    const QByteArray time = toHex(registers_.at(RegisterId::Time), 6);
    return date.left(2) + '-' + date.mid(2, 2) + '-' + date.mid(4, 2) + "  " + time.left(2) + ':'
        + time.mid(2, 2) + ':' + time.mid(4, 2);
}

} // namespace fw::imager_sim
