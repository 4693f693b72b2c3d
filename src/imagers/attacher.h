#pragma once

#include <array>
#include <cstdint>

#include <QString>

namespace fw {

class TPortList;
class TSharedDriver;

// Kinds of the imager list, by index; the index is what the ports' kind sets hold.
enum ImagerKind : uint8_t {
    ikEM1012 = 0,
    ikHS4540 = 1,
    ikRO = 2,
    ikHG2000 = 3,
    ikHRC = 4,
    ikIMAQ = 5,
    ikCR2000 = 6,
    ikHG2000TX = 7,
    ikUnknown = 8,
};
inline constexpr int kImagerKindCount = 9;

// The name shown and stored for a kind; "Unknown" outside the table.
QString ImagerKindName(int kind);
// The kind of a stored name, matched exactly; ikUnknown when none matches.
int ImagerKindOfName(const QString& name);
// Kinds that have an identifier, a baud rate and a setup window.
bool IsHGFamily(int kind);

// The "Baud Rate" choices; imagers report their rate as an index into this table.
inline constexpr std::array<int, 4> kImagerBaudRates { 9600, 19200, 38400, 115200 };
inline constexpr int kDefaultSerialBaudRate = 9600;
// The rate at an index as text; empty outside the table.
QString ImagerBaudTextAt(int index);

// The stored value of a new entry when no entry's fields are shown.
QString DefaultImagerValue();

// One entry of the imager list: what kind of imager, through which port, and its addressing.
// An entry is stored as one value: kind;port;IP;identifier;baud.
struct TAttacher {
    QString name;
    int kind = ikUnknown;
    // The port list's driver of the stored port name; null when the list has no such port.
    TSharedDriver* port = nullptr;
    // The stored port name, kept while the port is missing from this run's list (a USB serial
    // adapter that is unplugged) so that storing the entry does not lose it.
    QString port_name;
    QString ip_address;
    int identifier = -1; // -1: none
    int baud_rate = -1; // -1: none
    bool selected_for_attach = false;
    // Told by the entry's link: from a successful identify until it detaches or is destroyed.
    bool attached = false;
    // Listed for this run only (the demo devices' entries): the list never stores it.
    bool transient = false;

    // Splits a stored value into the entry's fields and looks its port up in `ports`.
    void ParseValue(const QString& value, const TPortList& ports);
    static TAttacher Parsed(const QString& name, const QString& value, const TPortList& ports);
    QString Value() const;

    // A port is named that this run's list does not have (an unplugged adapter, no GPIB
    // driver); the stored fields are kept as they are.
    bool PortMissing() const { return !port && !port_name.isEmpty(); }
    bool OnNetworkPort() const;
    bool OnSerialPort() const;
    // The port is in the list and takes this kind of imager.
    bool HasValidPort() const;
    // HG/RO imagers are attached over the network only; they are set up and found on serial
    // ports as well.
    bool Attachable() const;

    QString BaudText() const;
    QString IdentifierText() const;
    QString IPText() const;
    QString PortText() const;
    // Port with baud rate or IP address, as messages name the entry's connection.
    QString Description() const;

    // What the attach loop shows and names: the waiting window's text, the download window's
    // title, and the link text of an HG/RO download window.
    QString CheckingText() const;
    QString DownloadTitle() const;
    QString LinkText() const;
    // The processor address of an EM 1012 or HS 4540 entry, "board:device": the board of the
    // entry's interface (GPIB0 through a GPIB-ENET) and the device name the processor answers
    // to, DEV7 for the EM 1012 and DEV8 for the HS 4540.
    QString GpibAddress() const;
};

} // namespace fw
