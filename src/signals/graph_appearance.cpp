#include "signals/graph_appearance.h"

#include <QGuiApplication>
#include <QPalette>

namespace fw {

namespace {

// "FWGA", then a version byte; all numbers little-endian.
constexpr char kMagic[4] = { 'F', 'W', 'G', 'A' };
constexpr uint8_t kVersion = 1;
constexpr int kMaxFamilyBytes = 255;

void PutColor(QByteArray& out, const QColor& color)
{
    const QRgb rgba = color.rgba();
    out.append(char(qRed(rgba)));
    out.append(char(qGreen(rgba)));
    out.append(char(qBlue(rgba)));
    out.append(char(qAlpha(rgba)));
}

// Reads the block front to back; any read past its end marks it failed.
class BlockReader {
public:
    explicit BlockReader(const QByteArray& block)
        : block_(block)
    {
    }

    bool Ok() const { return ok_; }
    bool AtEnd() const { return at_ == block_.size(); }

    uint8_t Byte()
    {
        if (at_ >= block_.size()) {
            ok_ = false;
            return 0;
        }
        return uint8_t(block_[at_++]);
    }
    QColor Color()
    {
        const uint8_t r = Byte(), g = Byte(), b = Byte(), a = Byte();
        return QColor(r, g, b, a);
    }
    QByteArray Bytes(int count)
    {
        if (count < 0 || block_.size() - at_ < count) {
            ok_ = false;
            return {};
        }
        const QByteArray bytes = block_.mid(at_, count);
        at_ += count;
        return bytes;
    }

private:
    const QByteArray& block_;
    qsizetype at_ = 0;
    bool ok_ = true;
};

} // namespace

GraphAppearance GraphAppearance::Defaults()
{
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    GraphAppearance look;
    look.desk_color = face;
    look.graph_color = face;
    look.text_color = QColor(0, 0, 0);
    look.grid_color = QColor(160, 160, 160);
    look.cursor_color = QColor(128, 0, 128);
    return look;
}

QByteArray GraphAppearance::Encode() const
{
    QByteArray out(kMagic, sizeof kMagic);
    out.append(char(kVersion));
    PutColor(out, desk_color);
    PutColor(out, graph_color);
    PutColor(out, text_color);
    PutColor(out, grid_color);
    PutColor(out, cursor_color);
    out.append(char((grid ? 1 : 0) | (bold_titles ? 2 : 0)));
    out.append(char(font_point_size));
    // Line width in tenths of a point.
    out.append(char(qRound(line_width * 10.0)));
    const QByteArray family = font_family.toUtf8().left(kMaxFamilyBytes);
    out.append(char(family.size()));
    out.append(family);
    return out;
}

std::optional<GraphAppearance> GraphAppearance::Decode(const QByteArray& block)
{
    BlockReader in(block);
    if (in.Bytes(sizeof kMagic) != QByteArray(kMagic, sizeof kMagic) || in.Byte() != kVersion)
        return std::nullopt;
    GraphAppearance look;
    look.desk_color = in.Color();
    look.graph_color = in.Color();
    look.text_color = in.Color();
    look.grid_color = in.Color();
    look.cursor_color = in.Color();
    const uint8_t flags = in.Byte();
    look.grid = flags & 1;
    look.bold_titles = flags & 2;
    look.font_point_size = in.Byte();
    look.line_width = in.Byte() / 10.0;
    const QByteArray family = in.Bytes(in.Byte());
    look.font_family = QString::fromUtf8(family);
    if (!in.Ok() || !in.AtEnd() || (flags & ~3) != 0)
        return std::nullopt;
    if (look.font_point_size < kMinFontPointSize || look.font_point_size > kMaxFontPointSize
        || look.line_width < kMinLineWidth || look.line_width > kMaxLineWidth)
        return std::nullopt;
    return look;
}

} // namespace fw
