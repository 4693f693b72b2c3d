#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "measure/motion_data_base.h"
#include "measure/sheet_elements.h"
#include "support/fw_error.h"

namespace fw::testing {

// The column of an object for a caption ("X", "V2", "Ang. Velocity"); fails the test when missing.
inline TSheetElement& ColumnOf(TObjDef& def, const QString& caption)
{
    for (const auto& column : def.Columns().Columns()) {
        if (column->Caption() == caption)
            return *column;
    }
    ADD_FAILURE() << "no column " << caption.toStdString();
    return *def.Columns().Columns().front();
}

// Shows one column and returns its value on a frame.
inline std::optional<float> ShownValue(TObjDef& def, const QString& caption, int32_t frame_number)
{
    TSheetElement& column = ColumnOf(def, caption);
    column.Show();
    return column.Value(frame_number);
}

// The message of the error an action raises; "(no error)" when it raises none.
inline QString ErrorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

inline void SetLine(TMotionDataBase& db, TObjDef& def, int32_t frame, ImagePoint a, ImagePoint b)
{
    db.SetSamplePoint(frame, def, 0, a);
    db.SetSamplePoint(frame, def, 1, b);
}

} // namespace fw::testing
