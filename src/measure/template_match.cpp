#include "measure/template_match.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "support/fw_error.h"

namespace fw {

namespace {

cv::Mat MatOf(const GreyImage& image)
{
    // OpenCV only reads it; the Mat borrows the pixels.
    return cv::Mat(image.height, image.width, CV_8UC1, const_cast<uint8_t*>(image.pixels.data()));
}

} // namespace

double ParabolaPeakOffset(double before, double at, double after)
{
    const double curvature = before - 2.0 * at + after;
    if (!(curvature < 0.0))
        return 0.0;
    return std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
}

TemplateMatch MatchTemplate(const GreyImage& search, const GreyImage& templ)
{
    if (templ.width < 1 || templ.height < 1 || search.width < templ.width || search.height < templ.height)
        throw Error(QStringLiteral("The search area is smaller than the template"));
    cv::Mat scores;
    cv::matchTemplate(MatOf(search), MatOf(templ), scores, cv::TM_CCOEFF_NORMED);
    double best = 0.0;
    cv::Point at;
    cv::minMaxLoc(scores, nullptr, &best, nullptr, &at);
    TemplateMatch match;
    match.x = at.x;
    match.y = at.y;
    match.score = std::isfinite(best) ? best : 0.0;
    match.at_left = at.x == 0;
    match.at_right = at.x == scores.cols - 1;
    match.at_top = at.y == 0;
    match.at_bottom = at.y == scores.rows - 1;
    const auto score = [&scores](int x, int y) { return double(scores.at<float>(y, x)); };
    if (!match.at_left && !match.at_right)
        match.offset_x = ParabolaPeakOffset(score(at.x - 1, at.y), best, score(at.x + 1, at.y));
    if (!match.at_top && !match.at_bottom)
        match.offset_y = ParabolaPeakOffset(score(at.x, at.y - 1), best, score(at.x, at.y + 1));
    return match;
}

} // namespace fw
