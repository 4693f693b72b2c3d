#include "measure/collection_target.h"

#include <algorithm>

#include "measure/motion_data_base.h"
#include "measure/sheet_elements.h"
#include "support/fw_error.h"

namespace fw {

void CollectionTarget::Restart()
{
    object_ = 1;
    point_ = 0;
}

void CollectionTarget::MoveToFrame(int32_t frame)
{
    if (frame != frame_)
        Restart();
    frame_ = frame;
}

bool CollectionTarget::Choose(const TMotionDataBase& db, int grid_column)
{
    const TSheetElement* element = db.Sheet().ColumnAt(grid_column);
    if (!element || !element->ObjDef())
        return false;
    const std::vector<TObjDef*> objects = db.UserObjects();
    for (size_t i = 0; i < objects.size(); ++i)
        if (objects[i] == element->ObjDef()) {
            object_ = int(i) + 1;
            point_ = std::min(element->PointIndex(), objects[i]->PointCount() - 1);
        }
    return true;
}

int32_t CollectionTarget::Collect(TMotionDataBase& db, int32_t frame, ImagePoint point, int step_frames)
{
    const std::vector<TObjDef*> objects = db.UserObjects();
    if (objects.empty())
        throw Error(QStringLiteral("There is no object to collect"));
    // Objects deleted since the target was set leave it beyond the end.
    object_ = std::clamp(object_, 1, int(objects.size()));
    TObjDef& def = *objects[size_t(object_ - 1)];
    const int32_t last_frame = db.Sheet().LastFrame();
    if (frame < 0 || frame > last_frame)
        throw Error(QStringLiteral("Frame %1 is not in the clip, whose frames are 1 to %2")
                        .arg(frame + 1)
                        .arg(last_frame + 1));
    db.SetSamplePoint(frame, def, point_, point);
    if (++point_ < def.PointCount())
        return frame;
    point_ = 0;
    if (++object_ <= int(objects.size()))
        return frame;
    object_ = 1;
    return std::clamp(frame + step_frames, 0, std::max(last_frame, 0));
}

TObjDef* CollectionTarget::Def(const TMotionDataBase& db) const
{
    const std::vector<TObjDef*> objects = db.UserObjects();
    if (object_ < 1 || object_ > int(objects.size()))
        return nullptr;
    return objects[size_t(object_ - 1)];
}

int CollectionTarget::GridColumn(const TMotionDataBase& db) const
{
    const TObjDef* def = Def(db);
    const int column = def ? def->Columns().LeftmostShownColumn(point_) : 0;
    return column > 0 ? column : -1;
}

QString CollectionTarget::PromptText(const TMotionDataBase& db) const
{
    const TObjDef* def = Def(db);
    if (!def)
        return {};
    if (def->PointCount() <= 1)
        return QStringLiteral("Next click: %1").arg(def->Name());
    return QStringLiteral("Next click: %1, point %2 of %3")
        .arg(def->Name())
        .arg(point_ + 1)
        .arg(def->PointCount());
}

std::optional<ImagePoint> CollectionTarget::Prediction(const TMotionDataBase& db) const
{
    const TObjDef* def = Def(db);
    if (!def)
        return std::nullopt;
    return db.CursorTarget(*def, point_, frame_);
}

} // namespace fw
