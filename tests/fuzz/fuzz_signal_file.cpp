// Reads arbitrary bytes as a signal file. Either the file is refused with one of the reader's
// messages, or every counted sample reads back (a number or a gap), the same after a rewind,
// and nothing is left to read after the last one.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include <QFile>
#include <QString>

#include "signals/signal_file.h"
#include "support/fw_error.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool SameSample(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = QStringLiteral("/tmp/fw_fuzz_signal_file_%1.txt").arg(::getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    try {
        fw::TASCIIColumn signal(path, [](fw::SigInfo& info) {
            if (info.frequency_hz <= 0)
                info.frequency_hz = 1;
            return true;
        });
        Check(signal.SampleCount() >= 1);
        Check(signal.SamplePeriodMs() > 0);
        Check(signal.UnitFactor() == 1 || signal.UnitFactor() == 1000);
        const std::vector<double> first = signal.ReadAllSamples();
        Check(signal.EndOfData());
        const std::vector<double> again = signal.ReadAllSamples();
        Check(first.size() == again.size() && first.size() == size_t(signal.SampleCount()));
        for (size_t i = 0; i < first.size(); ++i)
            Check(SameSample(first[i], again[i]) && !std::isinf(first[i]));
        // The first data line holds the value in every mode.
        Check(!std::isnan(first[0]));
    } catch (const fw::Error& error) {
        Check(std::strcmp(error.what(), fw::kNotSignalFileText) == 0);
    }
    return 0;
}
