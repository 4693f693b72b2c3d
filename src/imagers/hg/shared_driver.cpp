#include "imagers/hg/shared_driver.h"

#include <algorithm>

namespace fw {

TSharedDriver::TSharedDriver(QString port_name, uint16_t kinds, bool network)
    : port_name_(std::move(port_name))
    , kinds_(kinds)
    , network_(network)
{
}

TSharedDriver::~TSharedDriver() = default;

void TSharedDriver::AddLink(THGCommLayer* link)
{
    if (std::find(links_.begin(), links_.end(), link) == links_.end())
        links_.push_back(link);
}

void TSharedDriver::RemoveLink(THGCommLayer* link)
{
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

} // namespace fw
