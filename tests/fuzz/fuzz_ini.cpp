// Database files are written by users and other programs: any text must parse without harm,
// and every section the parser lists must be found again by its name.
#include <cstdint>
#include <cstdlib>

#include "shell/ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fw::IniText ini(QString::fromLocal8Bit(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const QString& name : ini.SectionNames()) {
        if (!ini.HasSection(name))
            std::abort();
        for (const fw::IniEntry& entry : ini.Section(name)) {
            if (entry.name.contains(QLatin1Char('=')))
                std::abort();
        }
    }
    return 0;
}
