#pragma once

#include <optional>

#include <QByteArray>
#include <QColor>
#include <QString>

namespace fw {

// How the chart looks; the user changes it with "Controls" and it is kept between sessions as
// one binary block.
struct GraphAppearance {
    QColor desk_color; // around the plot areas
    QColor graph_color; // inside the plot areas
    QColor text_color; // titles, labels, axes
    QColor grid_color;
    QColor cursor_color;
    bool grid = false;
    bool bold_titles = true;
    QString font_family; // empty: the application's font
    int font_point_size = 8;
    double line_width = 1.0;

    // The look of a chart without a stored block: button-face backgrounds, no grid, bold
    // titles, a small font.
    static GraphAppearance Defaults();

    QByteArray Encode() const;
    // Nothing for a block that is not one of ours or is damaged in any way.
    static std::optional<GraphAppearance> Decode(const QByteArray& block);

    bool operator==(const GraphAppearance& other) const = default;
};

// Bounds a block's values must keep.
constexpr int kMinFontPointSize = 4;
constexpr int kMaxFontPointSize = 48;
constexpr double kMinLineWidth = 0.5;
constexpr double kMaxLineWidth = 10.0;

} // namespace fw
