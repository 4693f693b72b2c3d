#include "shell/forms/measurement_link.h"

namespace fw {

namespace {

MeasurementWindowFactory& factoryStore()
{
    static MeasurementWindowFactory factory;
    return factory;
}

} // namespace

void SetMeasurementWindowFactory(MeasurementWindowFactory factory)
{
    factoryStore() = std::move(factory);
}

const MeasurementWindowFactory& MeasurementFactory()
{
    return factoryStore();
}

} // namespace fw
