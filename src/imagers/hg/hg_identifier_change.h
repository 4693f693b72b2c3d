#pragma once

#include <QString>

namespace fw {

class THGCommLayer;

enum class HGIdentifierChange {
    Unchanged, // the imager has that number already
    Taken, // another imager answers at that number: nothing was written
    Changed, // written; the link uses the new number
    Failed, // the imager did not take the number (the link reported why)
};

// Gives the link's imager another number (values above 255 become 255). The number is first
// tried: when an imager answers there, the link goes back to its own imager, identifies it again
// and nothing is written.
HGIdentifierChange ChangeHGIdentifier(THGCommLayer& link, int requested);

// "Another Imager #" + number + " is active on the " + interface + " interface."
QString HGIdentifierTakenText(int identifier, const QString& interface_name);

} // namespace fw
