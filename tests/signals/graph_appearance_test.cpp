#include "signals/graph_appearance.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

GraphAppearance Sample()
{
    GraphAppearance look;
    look.desk_color = QColor(1, 2, 3, 4);
    look.graph_color = QColor(250, 251, 252);
    look.text_color = QColor(10, 20, 30);
    look.grid_color = QColor(40, 50, 60);
    look.cursor_color = QColor(70, 80, 90, 100);
    look.grid = true;
    look.bold_titles = false;
    look.font_family = QStringLiteral("Dévanagari Sans");
    look.font_point_size = kMaxFontPointSize;
    look.line_width = 2.5;
    return look;
}

TEST(GraphAppearance, EveryFieldSurvivesTheBlock)
{
    const GraphAppearance look = Sample();
    EXPECT_EQ(GraphAppearance::Decode(look.Encode()), look);

    // Each flag on its own, and the bounds themselves.
    GraphAppearance bounds = look;
    bounds.grid = false;
    bounds.bold_titles = true;
    bounds.font_family.clear();
    bounds.font_point_size = kMinFontPointSize;
    bounds.line_width = kMinLineWidth;
    EXPECT_EQ(GraphAppearance::Decode(bounds.Encode()), bounds);
}

TEST(GraphAppearance, LineWidthIsKeptInTenths)
{
    GraphAppearance look = Sample();
    look.line_width = 1.26;
    const std::optional<GraphAppearance> back = GraphAppearance::Decode(look.Encode());
    ASSERT_TRUE(back);
    EXPECT_DOUBLE_EQ(back->line_width, 1.3);
}

TEST(GraphAppearance, LongFamiliesAreCutToWhatTheBlockHolds)
{
    GraphAppearance look = Sample();
    look.font_family = QString(300, QLatin1Char('f'));
    const std::optional<GraphAppearance> back = GraphAppearance::Decode(look.Encode());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->font_family, QString(255, QLatin1Char('f')));
}

TEST(GraphAppearance, ForeignOrDamagedBlocksAreRefused)
{
    const QByteArray block = Sample().Encode();
    const auto with = [&](int at, char value) {
        QByteArray changed = block;
        changed[at] = value;
        return changed;
    };
    constexpr int kVersionAt = 4, kFlagsAt = 25, kFontAt = 26, kWidthAt = 27, kFamilySizeAt = 28;
    EXPECT_FALSE(GraphAppearance::Decode(with(0, 'X'))); // magic
    EXPECT_FALSE(GraphAppearance::Decode(with(kVersionAt, 2)));
    EXPECT_FALSE(GraphAppearance::Decode(with(kFlagsAt, 4))); // unknown flag
    EXPECT_FALSE(GraphAppearance::Decode(with(kFontAt, kMinFontPointSize - 1)));
    EXPECT_FALSE(GraphAppearance::Decode(with(kFontAt, kMaxFontPointSize + 1)));
    EXPECT_FALSE(GraphAppearance::Decode(with(kWidthAt, 4))); // 0.4 pt
    EXPECT_FALSE(GraphAppearance::Decode(with(kWidthAt, 101))); // 10.1 pt
    EXPECT_FALSE(GraphAppearance::Decode(with(kFamilySizeAt, char(block[kFamilySizeAt] + 1))));
    EXPECT_FALSE(GraphAppearance::Decode(with(kFamilySizeAt, char(block[kFamilySizeAt] - 1))));
    EXPECT_FALSE(GraphAppearance::Decode(QByteArray()));
    // The fields just before the family are read correctly only when the offsets above hold.
    EXPECT_TRUE(GraphAppearance::Decode(with(kFlagsAt, 3)));
}

} // namespace
} // namespace fw
