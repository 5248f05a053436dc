// Sprite quads.
#include "gfx2d/sprite_geometry.h"

#include <cmath>

#include "runtime/number_args.h"

namespace tarvok {
namespace {

float F(std::int32_t v) { return static_cast<float>(v); }

float Ratio(std::int32_t part, std::int32_t whole) {
    return whole > 0 ? static_cast<float>(part) / static_cast<float>(whole) : 0.0f;
}

}  // namespace

std::int32_t CeilPixel(double v) { return ToInt(std::ceil(v)); }

bool AnimFrame(const SpriteSizes& s, std::int32_t frame, FrameCoords& coords) {
    if (s.frameWidth <= 0 || s.frameHeight <= 0 || s.frameWidth > s.width || s.frameHeight > s.height) {
        return false;
    }
    const std::int32_t perRow = s.width / s.frameWidth;
    const std::int64_t column = frame % perRow;
    const std::int64_t row = frame / perRow;
    const auto tw = static_cast<float>(s.textureWidth);
    const auto th = static_cast<float>(s.textureHeight);
    coords.sLeft = static_cast<float>(column * s.frameWidth) / tw;
    coords.sRight = coords.sLeft + F(s.frameWidth) / tw;
    coords.tBottom = static_cast<float>(s.height - std::int64_t{s.frameHeight} * (row + 1)) / th;
    coords.tTop = coords.tBottom + F(s.frameHeight) / th;
    return true;
}

Quad SpriteQuad(const SpriteSizes& s, double x, double y) {
    const float X = F(CeilPixel(x)), Y = F(CeilPixel(y));
    const float w = F(s.width), h = F(s.height);
    const float sr = Ratio(s.width, s.textureWidth), tt = Ratio(s.height, s.textureHeight);
    return {{{X + w, Y, sr, tt}, {X, Y, 0, tt}, {X, Y + h, 0, 0}, {X + w, Y + h, sr, 0}}};
}

Quad AnimQuad(const SpriteSizes& s, const FrameCoords& f, double x, double y) {
    const float X = F(CeilPixel(x)), Y = F(CeilPixel(y));
    const float w = F(s.frameWidth), h = F(s.frameHeight);
    return {{{X + w, Y, f.sRight, f.tTop},
             {X, Y, f.sLeft, f.tTop},
             {X, Y + h, f.sLeft, f.tBottom},
             {X + w, Y + h, f.sRight, f.tBottom}}};
}

Quad StretchQuad(const SpriteSizes& s, double x, double y, double w, double h) {
    const float X = F(CeilPixel(x)), Y = F(CeilPixel(y)), W = F(CeilPixel(w)), H = F(CeilPixel(h));
    const float sr = Ratio(s.width, s.textureWidth), tt = Ratio(s.height, s.textureHeight);
    return {{{X, Y + H, 0, 0}, {X + W, Y + H, sr, 0}, {X + W, Y, sr, tt}, {X, Y, 0, tt}}};
}

bool StretchMirrored(double w, double h) { return (CeilPixel(w) < 0) != (CeilPixel(h) < 0); }

Quad StretchAnimQuad(const FrameCoords& f, double x, double y, double w, double h) {
    const float X = F(CeilPixel(x)), Y = F(CeilPixel(y)), W = F(CeilPixel(w)), H = F(CeilPixel(h));
    return {{{X, Y, f.sLeft, f.tTop},
             {X, Y + H + 0.1f, f.sLeft, f.tBottom},
             {X + W + 0.1f, Y + H + 0.1f, f.sRight, f.tBottom},
             {X + W + 0.1f, Y, f.sRight, f.tTop}}};
}

Quad RotoZoomAnimQuad(const SpriteSizes& s, const FrameCoords& f, double x, double y, double angle,
                      double zoom) {
    const float z = static_cast<float>(zoom);
    const float hw = F(s.frameWidth) * z * 0.5f, hh = F(s.frameHeight) * z * 0.5f;
    const double cx = x + s.frameWidth / 2, cy = y + s.frameHeight / 2;
    const float a = static_cast<float>(angle) * 0.017453292f;
    const float c = std::cos(a), sn = std::sin(a);
    const auto corner = [](double v) { return F(CeilPixel(v)); };
    return {{{corner(cx - c * hw - sn * hh), corner(cy - c * hh + sn * hw), f.sLeft, f.tTop},
             {corner(cx - c * hw + sn * hh), corner(cy + c * hh + sn * hw), f.sLeft, f.tBottom},
             {corner(cx + c * hw + sn * hh), corner(cy + c * hh - sn * hw), f.sRight, f.tBottom},
             {corner(cx + c * hw - sn * hh), corner(cy - c * hh - sn * hw), f.sRight, f.tTop}}};
}

Quad RotoZoomLocalQuad(const SpriteSizes& s, double zoom) {
    const float z = static_cast<float>(zoom);
    const float hw = F(s.width) * z * 0.5f, hh = F(s.height) * z * 0.5f;
    const float tw = F(s.textureWidth), th = F(s.textureHeight);
    const float s0 = 0.5f / tw, s1 = (F(s.width) - 0.5f) / tw;
    const float t0 = 0.5f / th, t1 = (F(s.height) - 0.5f) / th;
    return {{{-hw, hh, s0, t0}, {hw, hh, s1, t0}, {hw, -hh, s1, t1}, {-hw, -hh, s0, t1}}};
}

}  // namespace tarvok
