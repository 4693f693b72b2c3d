#pragma once

#include <cstdint>
#include <vector>

#include <QString>

namespace fw {

class THGCommLayer;

// The driver behind one entry of the port list: its name, how it is addressed and which imager
// kinds may be attached through it, and the links attached through it now.
class TSharedDriver {
public:
    TSharedDriver(QString port_name, uint16_t kinds, bool network);
    virtual ~TSharedDriver();

    const QString& PortName() const { return port_name_; }
    virtual bool IsSerial() const { return false; }
    bool IsNetwork() const { return network_; }
    // A set over the kind numbers of the imager list (bit n: kind n).
    uint16_t Kinds() const { return kinds_; }
    bool Accepts(int kind) const { return kind >= 0 && kind < 16 && (kinds_ >> kind & 1u) != 0; }

    const std::vector<THGCommLayer*>& Links() const { return links_; }
    void AddLink(THGCommLayer* link);
    void RemoveLink(THGCommLayer* link);

private:
    QString port_name_;
    uint16_t kinds_ = 0;
    bool network_ = false;
    std::vector<THGCommLayer*> links_;
};

// Kinds of the imager list (index into its kind table) that form the HG/RO family.
inline constexpr uint16_t kHGFamilyKinds = (1u << 2) | (1u << 3) | (1u << 6) | (1u << 7);
inline constexpr uint16_t kGpibKinds = (1u << 0) | (1u << 1) | (1u << 4);
inline constexpr uint16_t kImaqKinds = 1u << 5;

} // namespace fw
