#pragma once

// The Bayer interpolation written rule by rule, pixel by pixel: the reference the program's
// interpolation must equal.

#include <cstdint>
#include <utility>
#include <vector>

namespace fw::bayer_reference {

// The picture as a plain grid of samples, image rows from the top. Even rows read G R G R ...,
// odd rows B G B G ...
struct Grid {
    int w;
    int h;
    std::vector<int> s;
    int operator()(int y, int x) const { return s[size_t(y * w + x)]; }
};

struct Pixel {
    int r;
    int g;
    int b;
};

// The mosaic bytes of a grid, cell by cell: G (top left), R (top right), B (bottom left), G.
inline std::vector<uint8_t> CellsOf(const Grid& grid)
{
    std::vector<uint8_t> cells;
    for (int j = 0; j < grid.h / 2; ++j)
        for (int i = 0; i < grid.w / 2; ++i)
            for (const auto& [dy, dx] : { std::pair { 0, 0 }, { 0, 1 }, { 1, 0 }, { 1, 1 } })
                cells.push_back(uint8_t(grid(2 * j + dy, 2 * i + dx)));
    return cells;
}

// The grid of a mosaic given cell by cell (the inverse of CellsOf).
inline Grid GridOfCells(const uint8_t* cells, int w, int h)
{
    Grid grid { w, h, std::vector<int>(size_t(w) * size_t(h)) };
    size_t at = 0;
    for (int j = 0; j < h / 2; ++j)
        for (int i = 0; i < w / 2; ++i)
            for (const auto& [dy, dx] : { std::pair { 0, 0 }, { 0, 1 }, { 1, 0 }, { 1, 1 } })
                grid.s[size_t((2 * j + dy) * w + 2 * i + dx)] = cells[at++];
    return grid;
}

// The interpolation rules one by one, each pixel on its own, as slow as it gets.
inline Pixel Reference(const Grid& p, int y, int x)
{
    const int W = p.w;
    const int H = p.h;
    const int own = p(y, x);
    const bool even_row = y % 2 == 0;
    const bool even_col = x % 2 == 0;
    if (y == 0) {
        if (x == 0) // G; its cell's R is right, B below, bottom-right G diagonal
            return { p(0, 1), (7 * own + p(1, 1)) / 8, p(1, 0) };
        if (x == W - 1) // R; its cell's B is below-left, top-left G is left
            return { own, (p(0, W - 2) + 7 * p(1, W - 1)) / 8, p(1, W - 2) };
        if (!even_col) // R
            return { own, (p(0, x - 1) + p(0, x + 1) + p(1, x)) / 3, (p(1, x - 1) + p(1, x + 1)) / 2 };
        return { (p(0, x - 1) + p(0, x + 1)) / 2, (6 * own + p(1, x - 1) + p(1, x + 1)) / 8, p(1, x) };
    }
    if (y == H - 1) {
        if (x == 0) // B
            return { p(y - 1, 1), (p(y - 1, 0) + p(y, 1)) / 2, own };
        if (x == W - 1) // G; its cell's R is above, B left, top-left G above-left
            return { p(y - 1, x), (p(y - 1, x - 1) + 7 * own) / 8, p(y, x - 1) };
        if (!even_col) // G
            return { p(y - 1, x), (p(y - 1, x - 1) + 6 * own + p(y - 1, x + 1)) / 8,
                (p(y, x - 1) + p(y, x + 1)) / 2 };
        return { (p(y - 1, x - 1) + p(y - 1, x + 1)) / 2, (p(y, x - 1) + p(y - 1, x) + p(y, x + 1)) / 3,
            own };
    }
    if (x == 0) {
        if (!even_row) // B
            return { (p(y - 1, 1) + p(y + 1, 1)) / 2, (p(y - 1, 0) + p(y, 1) + p(y + 1, 0)) / 3, own };
        return { p(y, 1), (6 * own + p(y - 1, 1) + p(y + 1, 1)) / 8, (p(y - 1, 0) + p(y + 1, 0)) / 2 };
    }
    if (x == W - 1) {
        if (!even_row) // G: only the diagonal above-left counts
            return { (p(y - 1, x) + p(y + 1, x)) / 2, (7 * own + p(y - 1, x - 1)) / 8, p(y, x - 1) };
        return { own, (p(y - 1, x) + p(y + 1, x) + p(y, x - 1)) / 3,
            (p(y - 1, x - 1) + p(y + 1, x - 1)) / 2 };
    }
    const int diagonal_sum = p(y - 1, x - 1) + p(y - 1, x + 1) + p(y + 1, x - 1) + p(y + 1, x + 1);
    const int edge_sum = p(y - 1, x) + p(y + 1, x) + p(y, x - 1) + p(y, x + 1);
    const int green = (4 * own + diagonal_sum) / 8;
    if (even_row && even_col) // G
        return { (p(y, x - 1) + p(y, x + 1)) / 2, green, (p(y - 1, x) + p(y + 1, x)) / 2 };
    if (!even_row && !even_col) // G
        return { (p(y - 1, x) + p(y + 1, x)) / 2, green, (p(y, x - 1) + p(y, x + 1)) / 2 };
    if (even_row) // R
        return { own, edge_sum / 4, diagonal_sum / 4 };
    return { diagonal_sum / 4, edge_sum / 4, own }; // B
}

// The whole picture as top-down rows of blue, green, red.
inline std::vector<uint8_t> ReferenceTopDownBgr(const Grid& grid)
{
    std::vector<uint8_t> bgr;
    bgr.reserve(size_t(grid.w) * size_t(grid.h) * 3);
    for (int y = 0; y < grid.h; ++y)
        for (int x = 0; x < grid.w; ++x) {
            const Pixel pixel = Reference(grid, y, x);
            bgr.push_back(uint8_t(pixel.b));
            bgr.push_back(uint8_t(pixel.g));
            bgr.push_back(uint8_t(pixel.r));
        }
    return bgr;
}

} // namespace fw::bayer_reference
