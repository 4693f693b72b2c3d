#include "shell/window_spot.h"

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace fw {

namespace {

int64_t coveredArea(const QRect& spot, const std::vector<QRect>& windows)
{
    int64_t area = 0;
    for (const QRect& window : windows) {
        const QRect common = spot.intersected(window);
        if (!common.isEmpty())
            area += int64_t(common.width()) * common.height();
    }
    return area;
}

// Left (or top) edges worth trying along one axis: the screen's edges, the wanted place and
// the places just beside every window. A best spot can always slide to one of these.
std::vector<int> candidateStarts(int wanted, int length, int screen_start, int screen_end,
    const std::vector<QRect>& windows, bool horizontal)
{
    std::vector<int> starts { wanted, screen_start, screen_end - length };
    for (const QRect& window : windows) {
        const int near = horizontal ? window.left() : window.top();
        const int far = horizontal ? window.right() + 1 : window.bottom() + 1;
        starts.push_back(near);
        starts.push_back(far + kWindowGap);
        starts.push_back(near - kWindowGap - length);
    }
    for (int& start : starts)
        start = std::clamp(start, screen_start, std::max(screen_start, screen_end - length));
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

} // namespace

QRect ClampOntoScreen(const QRect& frame, const QRect& screen)
{
    const QSize size = frame.size().boundedTo(screen.size());
    const int left = std::clamp(frame.left(), screen.left(), screen.left() + screen.width() - size.width());
    const int top = std::clamp(frame.top(), screen.top(), screen.top() + screen.height() - size.height());
    return QRect(QPoint(left, top), size);
}

QRect ChooseSpot(const SpotRequest& request)
{
    const QRect first = ClampOntoScreen(QRect(request.wanted, request.size), request.screen);
    const QSize size = first.size();
    std::vector<QRect> windows = request.keep_clear;
    windows.insert(windows.end(), request.avoid.begin(), request.avoid.end());
    const QRect& screen = request.screen;
    const std::vector<int> lefts = candidateStarts(
        first.left(), size.width(), screen.left(), screen.left() + screen.width(), windows, true);
    const std::vector<int> tops = candidateStarts(
        first.top(), size.height(), screen.top(), screen.top() + screen.height(), windows, false);

    auto cost = [&](const QRect& spot) {
        const QPoint off = spot.topLeft() - first.topLeft();
        return std::make_tuple(coveredArea(spot, request.keep_clear), coveredArea(spot, request.avoid),
            int64_t(off.x()) * off.x() + int64_t(off.y()) * off.y());
    };
    QRect best = first;
    auto best_cost = cost(first);
    for (const int top : tops) {
        for (const int left : lefts) {
            const QRect spot(QPoint(left, top), size);
            const auto spot_cost = cost(spot);
            if (spot_cost < best_cost) {
                best = spot;
                best_cost = spot_cost;
            }
        }
    }
    return best;
}

} // namespace fw
