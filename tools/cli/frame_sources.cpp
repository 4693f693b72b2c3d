#include "frame_sources.h"

#include <QFileInfo>

namespace fw::cli {

SourceKind sourceKindOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("tif") || suffix == QStringLiteral("tiff"))
        return SourceKind::TiffSequence;
    if (suffix == QStringLiteral("bay"))
        return SourceKind::BaySequence;
    return SourceKind::Clip;
}

} // namespace fw::cli
