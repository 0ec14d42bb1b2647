// Draws the program's pictures from code, so that every picture the program shows is its own and
// can be changed here: the main window's artwork (a perforated postage stamp), the sample photograph
// for the watermark preview, the two pictures of the About window, the report window's two
// status images, the watermark window's four toggle glyphs and the program's icon.
//
//   stampwise-artwork <outdir>
//
// writes mainform.dib (the artwork as a BMP without its 14-byte file header, the form a bitmap
// resource has), preview.jpg (through the program's own JPEG encoder), about_side.bmp,
// about_logo.bmp, report_ok.bmp, report_error.bmp, the watermark preview's toggle glyphs as
// preview_*.png, and the icon as icon_N.png for every size the desktop asks for (N × N, with
// transparency, through Qt's PNG writer) and icon.svg.
//
// Shapes are signed distance functions (negative inside), so every edge is anti-aliased by its
// distance to the pixel's centre and shapes combine by min and max. The output is the same on
// every machine: no fonts, no clock, no random seed from outside. Letters come from a small stroke
// alphabet below that knows only the letters these pictures use.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QString>

#include "imaging/Bitmap.h"
#include "imaging/JpegEncoder.h"

namespace {

using stampwise::TBitmap;

constexpr double kPi = std::numbers::pi;

// ---------------------------------------------------------------------------------------------
// Geometry and colour

struct Vec {
    double x = 0;
    double y = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double Length(Vec a) { return std::sqrt(Dot(a, a)); }
Vec Rotate(Vec a, double radians) {
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}

struct Color {
    double r = 0;
    double g = 0;
    double b = 0;
};
Color Rgb(int r, int g, int b) { return {double(r), double(g), double(b)}; }
Color Mix(Color a, Color b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Color Scale(Color a, double s) { return {a.r * s, a.g * s, a.b * s}; }

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
double SmoothStep(double edge0, double edge1, double v) {
    const double t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// Pixel bounds of a shape, to keep each fill to the pixels it can touch. Right and bottom exclusive.
struct Box {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};
Box Grow(Box b, double by) { return {b.left - by, b.top - by, b.right + by, b.bottom + by}; }

using Sdf = std::function<double(Vec)>;
using Paint = std::function<Color(Vec)>;

Paint Solid(Color c) {
    return [c](Vec) { return c; };
}
Paint VerticalGradient(double top, Color topColor, double bottom, Color bottomColor) {
    return [=](Vec p) { return Mix(topColor, bottomColor, Clamp01((p.y - top) / (bottom - top))); };
}

double RectSdf(Vec p, Box b, double radius = 0) {
    const Vec centre{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    const Vec half{(b.right - b.left) / 2 - radius, (b.bottom - b.top) / 2 - radius};
    const Vec d{std::abs(p.x - centre.x) - half.x, std::abs(p.y - centre.y) - half.y};
    const Vec outside{std::max(d.x, 0.0), std::max(d.y, 0.0)};
    return Length(outside) + std::min(std::max(d.x, d.y), 0.0) - radius;
}
double CircleSdf(Vec p, Vec centre, double radius) { return Length(p - centre) - radius; }
double EllipseSdf(Vec p, Vec centre, double rx, double ry) {
    // Not exact away from the edge, but its gradient is right at the edge, which is all the
    // anti-aliasing needs.
    const Vec q{(p.x - centre.x) / rx, (p.y - centre.y) / ry};
    const double k = Length(q);
    const Vec grad{q.x / rx, q.y / ry};
    const double g = Length(grad);
    return g > 0 ? (k - 1) * k / g : -std::min(rx, ry);
}
double SegmentDistance(Vec p, Vec a, Vec b) {
    const Vec pa = p - a;
    const Vec ba = b - a;
    const double len2 = Dot(ba, ba);
    const double h = len2 > 0 ? Clamp01(Dot(pa, ba) / len2) : 0;
    return Length(pa - ba * h);
}
// Signed distance to a closed polygon, by the even-odd rule.
double PolygonSdf(Vec p, const std::vector<Vec>& points) {
    double distance = 1e18;
    bool inside = false;
    for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
        const Vec a = points[j];
        const Vec b = points[i];
        distance = std::min(distance, SegmentDistance(p, a, b));
        if ((b.y > p.y) != (a.y > p.y) && p.x < (a.x - b.x) * (p.y - b.y) / (a.y - b.y) + b.x) {
            inside = !inside;
        }
    }
    return inside ? -distance : distance;
}

// ---------------------------------------------------------------------------------------------
// Canvas

class Canvas {
public:
    Canvas(int width, int height, Color background)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, background) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    Color& At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

    // Paints the shape with its coverage of each pixel (half a pixel of blur either side of the
    // edge) times the opacity.
    void Fill(Box bounds, const Sdf& shape, const Paint& paint, double opacity = 1.0) {
        ForEachPixel(Grow(bounds, 1), [&](int x, int y, Vec p) {
            const double coverage = Clamp01(0.5 - shape(p)) * opacity;
            if (coverage > 0) At(x, y) = Mix(At(x, y), paint(p), coverage);
        });
    }
    // A soft shadow: full strength inside the shape, fading out over `softness` pixels beyond it.
    void Shadow(Box bounds, const Sdf& shape, Color color, double strength, double softness) {
        ForEachPixel(Grow(bounds, softness + 1), [&](int x, int y, Vec p) {
            const double a = strength * (1 - SmoothStep(-softness * 0.3, softness, shape(p)));
            if (a > 0) At(x, y) = Mix(At(x, y), color, a);
        });
    }
    // Multiplies every pixel by a factor that may depend on the position (engraving lines, grain).
    void Modulate(Box bounds, const std::function<double(Vec)>& factor) {
        ForEachPixel(bounds, [&](int x, int y, Vec p) { At(x, y) = Scale(At(x, y), factor(p)); });
    }

    TBitmap ToBitmap() const {
        TBitmap bitmap;
        bitmap.Allocate(width_, height_);
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* row = bitmap.MutableScanLine(y);
            for (int x = 0; x < width_; ++x) {
                const Color c = pixels_[static_cast<std::size_t>(y) * width_ + x];
                row[3 * x + 0] = ToByte(c.r);
                row[3 * x + 1] = ToByte(c.g);
                row[3 * x + 2] = ToByte(c.b);
            }
        }
        return bitmap;
    }

    static std::uint8_t ToByte(double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
    }

private:
    template <typename F>
    void ForEachPixel(Box b, F&& f) {
        const int x0 = std::max(0, static_cast<int>(std::floor(b.left)));
        const int y0 = std::max(0, static_cast<int>(std::floor(b.top)));
        const int x1 = std::min(width_, static_cast<int>(std::ceil(b.right)));
        const int y1 = std::min(height_, static_cast<int>(std::ceil(b.bottom)));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) f(x, y, Vec{x + 0.5, y + 0.5});
    }

    int width_;
    int height_;
    std::vector<Color> pixels_;
};

// ---------------------------------------------------------------------------------------------
// Noise: fixed hash, so the pictures are the same on every build.

double Hash(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / double(0x1000000);
}
double ValueNoise(double x, double y, int seed) {
    const int xi = static_cast<int>(std::floor(x));
    const int yi = static_cast<int>(std::floor(y));
    const double fx = x - xi;
    const double fy = y - yi;
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    const double top = Hash(xi, yi, seed) + (Hash(xi + 1, yi, seed) - Hash(xi, yi, seed)) * sx;
    const double bottom = Hash(xi, yi + 1, seed) + (Hash(xi + 1, yi + 1, seed) - Hash(xi, yi + 1, seed)) * sx;
    return top + (bottom - top) * sy;
}
// Four octaves, in 0..1.
double Fbm(double x, double y, int seed) {
    double sum = 0;
    double amplitude = 0.5;
    double norm = 0;
    for (int octave = 0; octave < 4; ++octave) {
        sum += amplitude * ValueNoise(x, y, seed + octave * 101);
        norm += amplitude;
        amplitude *= 0.5;
        x *= 2.03;
        y *= 2.03;
    }
    return sum / norm;
}

// ---------------------------------------------------------------------------------------------
// Stroke alphabet. Each glyph is a few polylines in a box one unit high and `width` units wide,
// y downwards; strokes get round caps and joins.

struct Glyph {
    double width = 0;
    std::vector<std::vector<Vec>> strokes;
};

std::vector<Vec> Arc(Vec centre, double rx, double ry, double fromDeg, double toDeg, int steps = 24) {
    std::vector<Vec> points;
    for (int i = 0; i <= steps; ++i) {
        const double a = (fromDeg + (toDeg - fromDeg) * i / steps) * kPi / 180;
        points.push_back({centre.x + rx * std::cos(a), centre.y + ry * std::sin(a)});
    }
    return points;
}
std::vector<Vec> Join(std::vector<Vec> a, const std::vector<Vec>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::map<char, Glyph>& Alphabet() {
    static const std::map<char, Glyph> glyphs = [] {
        std::map<char, Glyph> g;
        g['A'] = {0.78, {{{0, 1}, {0.39, 0}, {0.78, 1}}, {{0.14, 0.64}, {0.64, 0.64}}}};
        g['E'] = {0.56, {{{0.56, 0}, {0, 0}, {0, 1}, {0.56, 1}}, {{0, 0.5}, {0.46, 0.5}}}};
        g['F'] = {0.54, {{{0.54, 0}, {0, 0}, {0, 1}}, {{0, 0.5}, {0.44, 0.5}}}};
        g['I'] = {0.0, {{{0, 0}, {0, 1}}}};
        g['L'] = {0.52, {{{0, 0}, {0, 1}, {0.52, 1}}}};
        g['M'] = {0.84, {{{0, 1}, {0, 0}, {0.42, 0.64}, {0.84, 0}, {0.84, 1}}}};
        g['O'] = {0.86, {Arc({0.43, 0.5}, 0.43, 0.5, 0, 360, 48)}};
        g['P'] = {0.6, {Join(Join({{0, 1}, {0, 0}, {0.32, 0}}, Arc({0.32, 0.27}, 0.28, 0.27, -90, 90)),
                             {{0.32, 0.54}, {0, 0.54}})}};
        g['R'] = {0.62, {Join(Join({{0, 1}, {0, 0}, {0.32, 0}}, Arc({0.32, 0.27}, 0.28, 0.27, -90, 90)),
                              {{0.32, 0.54}, {0, 0.54}}),
                         {{0.3, 0.54}, {0.62, 1}}}};
        g['S'] = {0.6, {Join(Arc({0.3, 0.255}, 0.29, 0.255, -25, -270), Arc({0.3, 0.745}, 0.3, 0.255, -90, 155))}};
        g['T'] = {0.7, {{{0, 0}, {0.7, 0}}, {{0.35, 0}, {0.35, 1}}}};
        g['V'] = {0.78, {{{0, 0}, {0.39, 1}, {0.78, 0}}}};
        g['W'] = {1.1, {{{0, 0}, {0.26, 1}, {0.55, 0.3}, {0.84, 1}, {1.1, 0}}}};
        g['0'] = {0.58, {Arc({0.29, 0.5}, 0.29, 0.5, 0, 360, 48)}};
        g['1'] = {0.3, {{{0, 0.22}, {0.3, 0}, {0.3, 1}}}};
        g['7'] = {0.56, {{{0, 0}, {0.56, 0}, {0.18, 1}}}};
        g['.'] = {0.0, {{{0, 1}, {0, 1}}}};
        g[' '] = {0.35, {}};
        return g;
    }();
    return glyphs;
}

struct Text {
    std::vector<std::pair<Vec, Vec>> segments;
    Box bounds;
};

// Lays out text with its strokes' outer edges `height` pixels high, starting at top-left (x, y).
// Unknown characters are a programming error here, so they stop the generator.
Text LayOutText(const std::string& s, double x, double y, double height, double stroke, double spacing) {
    const double unit = height - stroke;
    const double half = stroke / 2;
    Text text;
    double penX = x + half;
    for (char c : s) {
        const auto it = Alphabet().find(c);
        if (it == Alphabet().end()) throw std::runtime_error(std::string("no glyph for ") + c);
        const Glyph& glyph = it->second;
        for (const auto& line : glyph.strokes) {
            for (std::size_t i = 0; i + 1 < line.size(); ++i) {
                text.segments.push_back({Vec{penX + line[i].x * unit, y + half + line[i].y * unit},
                                         Vec{penX + line[i + 1].x * unit, y + half + line[i + 1].y * unit}});
            }
        }
        penX += glyph.width * unit + stroke + spacing;
    }
    text.bounds = {x, y, penX - spacing - half, y + height};
    return text;
}
double TextWidth(const std::string& s, double height, double stroke, double spacing) {
    const Text t = LayOutText(s, 0, 0, height, stroke, spacing);
    return t.bounds.right - t.bounds.left;
}
Sdf TextSdf(Text text, double stroke) {
    return [text = std::move(text), half = stroke / 2](Vec p) {
        double d = 1e18;
        for (const auto& [a, b] : text.segments) d = std::min(d, SegmentDistance(p, a, b));
        return d - half;
    };
}
void DrawText(Canvas& canvas, const std::string& s, double centreX, double top, double height,
              double stroke, double spacing, const Paint& paint, double opacity = 1.0) {
    const double width = TextWidth(s, height, stroke, spacing);
    Text text = LayOutText(s, centreX - width / 2, top, height, stroke, spacing);
    const Box bounds = text.bounds;
    canvas.Fill(Grow(bounds, stroke), TextSdf(std::move(text), stroke), paint, opacity);
}

// ---------------------------------------------------------------------------------------------
// Postage stamp outline: a rectangle whose edges are bitten by a row of round holes.

struct Perforation {
    Box box;
    double holeRadius;
    double pitch;  // wished distance between holes; each edge rounds it to fit a whole number
};

double StampSdf(Vec p, const Perforation& s) {
    double d = RectSdf(p, s.box);
    auto bite = [&](double from, double to, auto holeAt) {
        const double length = to - from;
        const int holes = std::max(1, static_cast<int>(std::lround(length / s.pitch)));
        const double pitch = length / holes;
        // Only the hole nearest to p can matter, since holes do not overlap. A hole sits on each
        // corner, as where two rows of perforation cross on a sheet.
        const double along = std::clamp(std::round((holeAt(p) - from) / pitch), 0.0, double(holes));
        return from + along * pitch;
    };
    const Box& b = s.box;
    const double top = bite(b.left, b.right, [](Vec q) { return q.x; });
    const double side = bite(b.top, b.bottom, [](Vec q) { return q.y; });
    const double nearest = std::min({CircleSdf(p, {top, b.top}, s.holeRadius),
                                     CircleSdf(p, {top, b.bottom}, s.holeRadius),
                                     CircleSdf(p, {b.left, side}, s.holeRadius),
                                     CircleSdf(p, {b.right, side}, s.holeRadius)});
    return std::max(d, -nearest);
}

// ---------------------------------------------------------------------------------------------
// BMP output: 24 bits per pixel, rows bottom-up and padded to four bytes, no palette.

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> DibBytes(const TBitmap& bitmap) {
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    const std::uint32_t stride = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
    std::vector<std::uint8_t> out;
    PutLe(out, 40, 4);  // BITMAPINFOHEADER
    PutLe(out, static_cast<std::uint32_t>(w), 4);
    PutLe(out, static_cast<std::uint32_t>(h), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4);  // no compression
    PutLe(out, stride * h, 4);
    PutLe(out, 2835, 4);  // 72 dots per inch
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            out.push_back(row[3 * x + 2]);
            out.push_back(row[3 * x + 1]);
            out.push_back(row[3 * x + 0]);
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(w) * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

std::vector<std::uint8_t> BmpFileBytes(const TBitmap& bitmap) {
    const std::vector<std::uint8_t> dib = DibBytes(bitmap);
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLe(out, static_cast<std::uint32_t>(14 + dib.size()), 4);
    PutLe(out, 0, 4);
    PutLe(out, 14 + 40, 4);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path);
}

// ---------------------------------------------------------------------------------------------
// Palette shared by the pictures.

const Color kPaper = Rgb(247, 241, 227);
const Color kInk = Rgb(27, 66, 82);         // the stamp's frame and the buttons' text
const Color kInkLight = Rgb(46, 94, 112);
const Color kCream = Rgb(249, 243, 228);
const Color kPanel = Rgb(244, 236, 218);
const Color kEdge = Rgb(118, 110, 98);      // what the stamp's outermost pixels blend towards
const Color kSunset = Rgb(240, 190, 140);

// A small landscape: sky, sun, two mountain ranges with snow and a foreground hill. Drawn into
// `area`, scaled from a design 316 × 206 pixels large.
void DrawLandscape(Canvas& canvas, Box area, double engraving) {
    const double sx = (area.right - area.left) / 316.0;
    const double sy = (area.bottom - area.top) / 206.0;
    auto at = [&](double x, double y) { return Vec{area.left + x * sx, area.top + y * sy}; };
    auto points = [&](std::initializer_list<Vec> design) {
        std::vector<Vec> out;
        for (Vec v : design) out.push_back(at(v.x, v.y));
        return out;
    };
    auto inArea = [area](Vec p) { return RectSdf(p, area); };

    canvas.Fill(area, inArea,
                VerticalGradient(area.top, Rgb(72, 128, 160), area.top + 180 * sy, kSunset));
    // The sun and its glow, low on the right.
    const Vec sun = at(244, 100);
    const double sunRadius = 21 * sx;
    canvas.Modulate(area, [&](Vec p) {
        const double glow = std::exp(-std::pow(Length(p - sun) / (70 * sx), 2));
        return 1.0 + 0.10 * glow;
    });
    canvas.Fill({sun.x - sunRadius, sun.y - sunRadius, sun.x + sunRadius, sun.y + sunRadius},
                [&](Vec p) { return CircleSdf(p, sun, sunRadius); }, Solid(Rgb(253, 232, 186)));
    // Engraved lines across the sky, as on a printed stamp.
    if (engraving > 0) {
        canvas.Modulate(area, [&](Vec p) {
            return 1.0 - engraving * (0.5 + 0.5 * std::cos(2 * kPi * (p.y - area.top) / (3.0 * sy)));
        });
    }
    // Two light clouds.
    auto cloud = [&](Vec c, double scale) {
        return [=](Vec p) {
            return std::min({EllipseSdf(p, c, 26 * scale, 7 * scale),
                             EllipseSdf(p, c + Vec{-8 * scale, -5 * scale}, 12 * scale, 8 * scale),
                             EllipseSdf(p, c + Vec{8 * scale, -7 * scale}, 13 * scale, 10 * scale)});
        };
    };
    canvas.Fill(area, cloud(at(62, 104), sx), Solid(Rgb(250, 236, 222)), 0.75);
    canvas.Fill(area, cloud(at(176, 84), 0.7 * sx), Solid(Rgb(250, 238, 226)), 0.6);

    // Far range, hazy.
    const std::vector<Vec> far = points({{-2, 206}, {-2, 150}, {30, 128}, {58, 140}, {96, 112},
                                         {132, 134}, {170, 120}, {204, 138}, {250, 110}, {286, 132},
                                         {318, 122}, {318, 206}});
    canvas.Fill(area, [&](Vec p) { return std::max(inArea(p), PolygonSdf(p, far)); },
                VerticalGradient(area.top + 110 * sy, Rgb(150, 156, 178), area.top + 180 * sy,
                                 Rgb(188, 170, 168)));
    // Near range with a snowy summit.
    const std::vector<Vec> near = points({{-2, 206}, {-2, 168}, {40, 150}, {74, 118}, {100, 132},
                                          {138, 80}, {172, 124}, {196, 112}, {240, 150}, {280, 140},
                                          {318, 158}, {318, 206}});
    canvas.Fill(area, [&](Vec p) { return std::max(inArea(p), PolygonSdf(p, near)); },
                VerticalGradient(area.top + 80 * sy, Rgb(66, 100, 122), area.top + 190 * sy,
                                 Rgb(44, 76, 96)));
    const std::vector<Vec> snow = points({{120, 104}, {138, 80}, {158, 104}, {150, 100}, {142, 108},
                                          {134, 99}, {127, 106}});
    canvas.Fill(area, [&](Vec p) { return PolygonSdf(p, snow); }, Solid(Rgb(238, 236, 232)));
    const std::vector<Vec> snow2 = points({{66, 126}, {74, 118}, {86, 126}, {80, 125}, {74, 130}});
    canvas.Fill(area, [&](Vec p) { return PolygonSdf(p, snow2); }, Solid(Rgb(232, 230, 228)));
    // Foreground hill, darkest.
    canvas.Fill(area, [&](Vec p) {
        const double x = (p.x - area.left) / sx;
        const double ridge = area.top + (182 - 10 * std::sin(x / 50.0 + 0.6) - 6 * std::sin(x / 19.0)) * sy;
        return std::max(inArea(p), ridge - p.y);
    }, Solid(Rgb(30, 62, 70)));
    // Two birds.
    for (const auto& [c, s] : {std::pair{Vec{96, 62}, 1.0}, std::pair{Vec{112, 70}, 0.75}}) {
        const Vec m = at(c.x, c.y);
        const double w = 6 * s * sx;
        std::vector<Vec> wing1 = Arc(m + Vec{-w, 0}, w, w * 0.7, -160, -20, 10);
        std::vector<Vec> wing2 = Arc(m + Vec{w, 0}, w, w * 0.7, -160, -20, 10);
        canvas.Fill(area, [=](Vec p) {
            double d = 1e18;
            for (const auto* wing : {&wing1, &wing2})
                for (std::size_t i = 0; i + 1 < wing->size(); ++i)
                    d = std::min(d, SegmentDistance(p, (*wing)[i], (*wing)[i + 1]));
            return d - 0.8 * sx;
        }, Solid(Rgb(40, 60, 74)), 0.9);
    }
}

// Fine grain, so that flat paper does not look like a flat fill.
void AddGrain(Canvas& canvas, Box area, double amount, int seed) {
    canvas.Modulate(area, [&](Vec p) {
        return 1.0 + amount * (Hash(static_cast<int>(p.x), static_cast<int>(p.y), seed) - 0.5);
    });
}

// ---------------------------------------------------------------------------------------------
// The main window's artwork, 400 × 500. Exactly white marks the outside of the window, so every
// pixel inside is kept off exact white, and the stamp's outline is hard-edged against the outside
// but blended towards a grey inside: a shaped window has no partial pixels, and a light edge
// pixel would show as a pale halo on a dark desktop.

constexpr int kMainWidth = 400;
constexpr int kMainHeight = 500;

TBitmap DrawMainForm() {
    Canvas canvas(kMainWidth, kMainHeight, kPaper);
    const Perforation stamp{{14, 40, 386, 486}, 6.5, 18.5};
    const Box frame{34, 60, 366, 466};
    const Box picture{44, 70, 356, 276};
    const Box panel{58, 286, 342, 410};

    AddGrain(canvas, {0, 0, kMainWidth, kMainHeight}, 0.025, 7);
    // The printed frame, with a fine inner rule.
    canvas.Fill(frame, [&](Vec p) { return RectSdf(p, frame, 3); },
                VerticalGradient(frame.top, kInkLight, frame.bottom, kInk));
    canvas.Fill(Grow(frame, -4), [&](Vec p) { return std::abs(RectSdf(p, Grow(frame, -4), 2)) - 0.5; },
                Solid(Rgb(120, 160, 170)), 0.8);

    DrawLandscape(canvas, picture, 0.035);
    canvas.Fill(picture, [&](Vec p) { return std::abs(RectSdf(p, picture)) - 0.8; }, Solid(Rgb(16, 44, 56)));

    // The program's name across the sky, in paper colour over a faint shadow.
    const double nameTop = 86;
    DrawText(canvas, "STAMPWISE", 201.5, nameTop + 1.5, 30, 5.2, 6.5, Solid(Rgb(20, 46, 60)), 0.45);
    DrawText(canvas, "STAMPWISE", 200, nameTop, 30, 5.2, 6.5, Solid(kCream));

    // The calm panel behind the three buttons: plain paper, a double rule, nothing else.
    canvas.Fill(panel, [&](Vec p) { return RectSdf(p, panel, 8); },
                VerticalGradient(panel.top, Rgb(248, 241, 225), panel.bottom, kPanel));
    canvas.Fill(panel, [&](Vec p) { return std::abs(RectSdf(p, Grow(panel, -4), 5)) - 0.55; },
                Solid(kInkLight), 0.7);

    // The maker's name and the denomination on the lower band, set to the panel's edges.
    const Color bandText = Rgb(230, 218, 190);
    const double makerWidth = TextWidth("VELMORA", 15, 2.4, 4.5);
    DrawText(canvas, "VELMORA", panel.left + 6 + makerWidth / 2, 430, 15, 2.4, 4.5, Solid(bandText));
    // The denomination is the version, written as the About window writes it.
    const double valueWidth = TextWidth(STAMPWISE_VERSION, 20, 2.8, 2.5);
    DrawText(canvas, STAMPWISE_VERSION, panel.right - 6 - valueWidth / 2, 425, 20, 2.8, 2.5, Solid(Rgb(244, 232, 204)));
    const double ruleLeft = panel.left + 6 + makerWidth + 12;
    const double ruleRight = panel.right - 6 - valueWidth - 12;
    canvas.Fill({ruleLeft - 1, 430, ruleRight + 1, 450}, [&](Vec p) {
        return std::max(std::abs(p.y - 437.5) - 0.5, std::abs(p.x - (ruleLeft + ruleRight) / 2) - (ruleRight - ruleLeft) / 2);
    }, Solid(bandText), 0.45);

    // A round seal under the close mark, on the frame's corner; the label draws the letter on it.
    const Vec seal{366.5, 83};
    const Box sealBox{seal.x - 15, seal.y - 15, seal.x + 15, seal.y + 15};
    canvas.Fill(sealBox, [&](Vec p) { return CircleSdf(p, seal, 13); }, Solid(kCream));
    canvas.Fill(sealBox, [&](Vec p) { return std::abs(CircleSdf(p, seal, 12.3)) - 0.7; }, Solid(kInk));
    canvas.Fill(sealBox, [&](Vec p) { return std::abs(CircleSdf(p, seal, 10)) - 0.4; }, Solid(kInkLight), 0.5);

    // Cut out the stamp. Pixels whose centre lies outside become exactly white.
    TBitmap bitmap = canvas.ToBitmap();
    for (int y = 0; y < kMainHeight; ++y) {
        std::uint8_t* row = bitmap.MutableScanLine(y);
        for (int x = 0; x < kMainWidth; ++x) {
            std::uint8_t* px = row + 3 * x;
            const double d = StampSdf({x + 0.5, y + 0.5}, stamp);
            if (d > 0) {
                px[0] = px[1] = px[2] = 0xFF;
                continue;
            }
            // Within a pixel and a half of the cut: darken towards the edge colour, most at the
            // cut, so the outline reads crisp on light and dark desktops alike.
            const double toEdge = Clamp01(1 + d / 1.5);
            if (toEdge > 0) {
                for (int c = 0; c < 3; ++c) {
                    const double edge = c == 0 ? kEdge.r : c == 1 ? kEdge.g : kEdge.b;
                    px[c] = Canvas::ToByte(px[c] + (edge - px[c]) * 0.75 * toEdge);
                }
            }
            if (px[0] == 0xFF && px[1] == 0xFF && px[2] == 0xFF) px[2] = 0xFE;
        }
    }
    return bitmap;
}

// ---------------------------------------------------------------------------------------------
// The sample photograph, 200 × 150: a lake below mountains at evening, with clouds, a forest, a
// reflection and sensor grain, so that a logo can be judged on it as on a real photograph.

TBitmap DrawPreview() {
    constexpr int w = 200;
    constexpr int h = 150;
    constexpr double horizon = 92;
    Canvas canvas(w, h, Rgb(0, 0, 0));
    auto skyAt = [&](double x, double y) {
        Color c = Mix(Rgb(84, 134, 190), Rgb(236, 204, 170), Clamp01(y / horizon));
        const double cloud = SmoothStep(0.52, 0.78, Fbm(x / 38.0, y / 14.0, 3)) * (1 - 0.6 * y / horizon);
        c = Mix(c, Rgb(248, 240, 236), cloud * 0.85);
        // The evening sun, low over the far range, and its glow.
        const double toSun = std::hypot(x - 150, y - 46);
        c = Mix(c, Rgb(255, 232, 188), 0.8 * std::exp(-std::pow(toSun / 22, 2)));
        if (toSun < 5) c = Mix(c, Rgb(255, 246, 222), Clamp01(5 - toSun));
        return c;
    };
    auto farRidge = [](double x) { return 30 + 40 * Fbm(x / 45.0, 0.5, 11); };
    auto nearRidge = [](double x) { return 52 + 30 * Fbm(x / 30.0, 4.5, 23); };
    auto treeLine = [](double x) { return 84 - 5 * Hash(static_cast<int>(x / 2.5), 0, 31) - 2 * std::sin(x / 9); };

    auto land = [&](double x, double y) -> Color {
        if (y < farRidge(x)) return skyAt(x, y);
        if (y < nearRidge(x)) return Mix(Rgb(104, 112, 150), Rgb(168, 150, 160), Clamp01((y - 30) / 55));
        if (y < treeLine(x)) return Mix(Rgb(58, 82, 92), Rgb(48, 70, 72), Clamp01((y - 52) / 34));
        return Mix(Rgb(36, 64, 42), Rgb(28, 50, 34), Fbm(x / 3.0, y / 3.0, 41));
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            Color c;
            if (py < horizon) {
                c = land(px, py);
            } else if (py < 130 - 6 * std::sin(px / 30.0)) {
                // The lake mirrors what is above the horizon, broken by ripples.
                const double depth = py - horizon;
                const double ripple = 1.6 * std::sin(px / 5.0 + depth * 1.7) * (depth / 30.0);
                c = land(px + ripple, std::max(0.0, horizon - depth * 1.1));
                c = Mix(c, Rgb(40, 70, 96), 0.35 + 0.2 * Clamp01(depth / 40));
                c = Scale(c, 0.92 + 0.08 * std::sin(depth * 2.1 + Fbm(px / 8.0, depth, 5) * 6));
            } else {
                // The shore: grass and stones.
                const double n = Fbm(px / 6.0, py / 3.0, 53);
                c = Mix(Rgb(92, 98, 52), Rgb(132, 120, 74), n);
                if (Fbm(px / 14.0, py / 7.0, 61) > 0.66) c = Mix(Rgb(108, 104, 98), Rgb(146, 140, 130), n);
            }
            // Sensor grain.
            c = Scale(c, 1.0 + 0.05 * (Hash(x, y, 77) - 0.5));
            canvas.At(x, y) = c;
        }
    }
    return canvas.ToBitmap();
}

// ---------------------------------------------------------------------------------------------
// The About window's side picture, 107 × 317: three stamps falling down a deep blue-green band.

void DrawSmallStamp(Canvas& canvas, Vec centre, double angle, double width, double height,
                    Color sky, Color hill, int seed) {
    const Box local{-width / 2, -height / 2, width / 2, height / 2};
    const Perforation outline{local, 3.0, 8.5};
    auto toLocal = [=](Vec p) { return Rotate(p - centre, -angle); };
    const double reach = std::hypot(width, height) / 2 + 10;
    const Box bounds{centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach};

    canvas.Shadow(bounds, [&](Vec p) { return StampSdf(toLocal(p) - Vec{-2, -3}, outline); },
                  Rgb(6, 22, 28), 0.45, 6);
    canvas.Fill(bounds, [&](Vec p) { return StampSdf(toLocal(p), outline); }, Solid(kPaper));
    const Box inner = Grow(local, -8);
    canvas.Fill(bounds, [&](Vec p) { return RectSdf(toLocal(p), inner); }, [&](Vec p) {
        const Vec q = toLocal(p);
        const double t = Clamp01((q.y - inner.top) / (inner.bottom - inner.top));
        Color c = Mix(sky, kSunset, t * 0.9);
        const double ridge = inner.bottom - 14 - 8 * std::sin(q.x / 9.0 + seed) - 5 * std::sin(q.x / 4.0 + seed * 2);
        if (q.y > ridge) c = hill;
        const Vec sun{inner.right - 14, inner.top + 16};
        if (Length(q - sun) < 7) c = Rgb(252, 228, 180);
        return c;
    });
    canvas.Fill(bounds, [&](Vec p) { return std::abs(RectSdf(toLocal(p), inner)) - 0.5; }, Solid(kInk), 0.8);
}

TBitmap DrawAboutSide() {
    constexpr int w = 107;
    constexpr int h = 317;
    Canvas canvas(w, h, kInk);
    canvas.Fill({0, 0, w, h}, [](Vec p) { return RectSdf(p, {0, 0, w, h}); },
                VerticalGradient(0, Rgb(36, 88, 106), h, Rgb(16, 46, 58)));
    AddGrain(canvas, {0, 0, w, h}, 0.03, 19);
    DrawSmallStamp(canvas, {52, 62}, -0.10, 70, 84, Rgb(86, 140, 172), Rgb(40, 80, 76), 1);
    DrawSmallStamp(canvas, {56, 160}, 0.07, 70, 84, Rgb(150, 120, 170), Rgb(70, 60, 96), 2);
    DrawSmallStamp(canvas, {50, 258}, -0.05, 70, 84, Rgb(200, 140, 110), Rgb(96, 60, 48), 3);
    // A light rule on the right edge, where the picture meets the window.
    canvas.Fill({w - 2, 0, w, h}, [](Vec p) { return RectSdf(p, {w - 1.5, 0, w, h}); }, Solid(Rgb(120, 160, 170)), 0.6);
    return canvas.ToBitmap();
}

// ---------------------------------------------------------------------------------------------
// The maker's logo, 150 × 71, on white (the window draws its white as transparent, over a white
// background, so the anti-aliased edges stay clean).

TBitmap DrawAboutLogo() {
    constexpr int w = 150;
    constexpr int h = 71;
    Canvas canvas(w, h, Rgb(255, 255, 255));
    const Vec c{30, 35.5};
    // A rosette like a round stamp's perforation, with a V in it.
    canvas.Fill({0, 0, 64, h}, [&](Vec p) {
        const Vec d = p - c;
        const double a = std::atan2(d.y, d.x);
        return Length(d) - (25 + 1.4 * std::cos(16 * a));
    }, VerticalGradient(8, kInkLight, 62, kInk));
    canvas.Fill({0, 0, 64, h}, [&](Vec p) { return std::abs(CircleSdf(p, c, 19.5)) - 0.65; }, Solid(kCream), 0.8);
    DrawText(canvas, "V", c.x, c.y - 9.5, 19, 3.8, 0, Solid(kCream));
    DrawText(canvas, "VELMORA", 105, 24, 13, 2.5, 1.8, Solid(kInk));
    DrawText(canvas, "SOFTWARE", 105, 42, 7, 1.4, 2.2, Solid(kInkLight));
    return canvas.ToBitmap();
}

// ---------------------------------------------------------------------------------------------
// The report's status images, 16 × 16, on white: a green check and a red exclamation mark.

TBitmap DrawReportIcon(bool ok) {
    Canvas canvas(16, 16, Rgb(255, 255, 255));
    const Color disc = ok ? Rgb(46, 150, 70) : Rgb(204, 44, 40);
    canvas.Fill({0, 0, 16, 16}, [](Vec p) { return CircleSdf(p, {8, 8}, 7.3); },
                VerticalGradient(1, ok ? Rgb(72, 178, 94) : Rgb(226, 76, 68), 15, disc));
    const Color mark = Rgb(252, 252, 250);
    if (ok) {
        const std::vector<Vec> check = {{4.6, 8.4}, {7.0, 10.8}, {11.4, 5.6}};
        canvas.Fill({0, 0, 16, 16}, [&](Vec p) {
            return std::min(SegmentDistance(p, check[0], check[1]), SegmentDistance(p, check[1], check[2])) - 1.05;
        }, Solid(mark));
    } else {
        canvas.Fill({0, 0, 16, 16}, [](Vec p) { return SegmentDistance(p, {8, 4.2}, {8, 8.8}) - 1.1; }, Solid(mark));
        canvas.Fill({0, 0, 16, 16}, [](Vec p) { return CircleSdf(p, {8, 11.8}, 1.2); }, Solid(mark));
    }
    return canvas.ToBitmap();
}


// ---------------------------------------------------------------------------------------------
// The watermark preview's four toggle glyphs, 20 × 20 on nothing (the button's face shows around
// them): a two-colour square and a small landscape for the two backgrounds, a magnifying glass with
// a plus for the logo at its natural size and with a minus for the reduced logo.

constexpr int kGlyphPx = 20;

// Starts transparent. Colours are kept multiplied by their coverage, so an anti-aliased edge
// blends with the shapes under it and, where there are none, only fades.
class ClearCanvas {
public:
    ClearCanvas() : colours_(kGlyphPx * kGlyphPx), alphas_(kGlyphPx * kGlyphPx, 0.0) {}

    void Fill(const Sdf& shape, Color color) {
        for (int y = 0; y < kGlyphPx; ++y) {
            for (int x = 0; x < kGlyphPx; ++x) {
                const double coverage = Clamp01(0.5 - shape({x + 0.5, y + 0.5}));
                const std::size_t i = static_cast<std::size_t>(y) * kGlyphPx + x;
                colours_[i] = Mix(colours_[i], color, coverage);
                alphas_[i] += (1 - alphas_[i]) * coverage;
            }
        }
    }

    QImage ToImage() const {
        QImage image(kGlyphPx, kGlyphPx, QImage::Format_ARGB32);
        for (int y = 0; y < kGlyphPx; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < kGlyphPx; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * kGlyphPx + x;
                const double alpha = alphas_[i];
                const Color c = alpha > 0 ? Scale(colours_[i], 1 / alpha) : Color{};
                row[x] = qRgba(Canvas::ToByte(c.r), Canvas::ToByte(c.g), Canvas::ToByte(c.b),
                               Canvas::ToByte(255 * alpha));
            }
        }
        return image;
    }

private:
    std::vector<Color> colours_;
    std::vector<double> alphas_;
};

// The square every background glyph fills, its edge on half pixels so that it reads crisp.
constexpr Box kGlyphFrame{1.5, 1.5, 18.5, 18.5};

QImage DrawTwoColourGlyph() {
    ClearCanvas canvas;
    canvas.Fill([](Vec p) { return RectSdf(p, kGlyphFrame); }, Rgb(255, 255, 255));
    const std::vector<Vec> lower = {{kGlyphFrame.left, kGlyphFrame.bottom},
                                    {kGlyphFrame.right, kGlyphFrame.top},
                                    {kGlyphFrame.right, kGlyphFrame.bottom}};
    canvas.Fill([&](Vec p) { return PolygonSdf(p, lower); }, Rgb(0, 0, 0));
    return canvas.ToImage();
}

QImage DrawPaintedGlyph() {
    const double s = kGlyphPx;
    ClearCanvas canvas;
    canvas.Fill([](Vec p) { return RectSdf(p, kGlyphFrame); }, Rgb(120, 180, 240));
    canvas.Fill([s](Vec p) { return CircleSdf(p, {s * 0.68, s * 0.32}, s * 0.13); }, Rgb(250, 210, 40));
    const std::vector<Vec> hills = {{kGlyphFrame.left, kGlyphFrame.bottom}, {kGlyphFrame.left, s * 0.7},
                                    {s * 0.35, s * 0.5},  {s * 0.65, s * 0.72},
                                    {kGlyphFrame.right, s * 0.6}, {kGlyphFrame.right, kGlyphFrame.bottom}};
    canvas.Fill([&](Vec p) { return PolygonSdf(p, hills); }, Rgb(60, 150, 60));
    return canvas.ToImage();
}

QImage DrawMagnifierGlyph(bool plus) {
    const double s = kGlyphPx;
    const Vec centre{s * 0.42, s * 0.42};
    const double radius = s * 0.3;
    const Color dark = Rgb(40, 40, 40);
    ClearCanvas canvas;
    canvas.Fill([&](Vec p) { return CircleSdf(p, centre, radius); }, Rgb(235, 245, 255));
    canvas.Fill([&](Vec p) { return std::abs(CircleSdf(p, centre, radius)) - 1.0; }, dark);
    canvas.Fill([s](Vec p) { return SegmentDistance(p, {s * 0.65, s * 0.65}, {s * 0.9, s * 0.9}) - 1.5; },
                dark);
    // The bars have square ends: half their width beyond either end.
    const double reach = radius * 0.55 + 0.9;
    const Box across{centre.x - reach, centre.y - 0.9, centre.x + reach, centre.y + 0.9};
    const Box down{centre.x - 0.9, centre.y - reach, centre.x + 0.9, centre.y + reach};
    canvas.Fill([&](Vec p) { return RectSdf(p, across); }, Rgb(0, 0, 160));
    if (plus) canvas.Fill([&](Vec p) { return RectSdf(p, down); }, Rgb(0, 0, 160));
    return canvas.ToImage();
}

void SavePng(const QImage& image, const std::string& path) {
    if (!image.save(QString::fromStdString(path), "PNG")) {
        throw std::runtime_error("cannot write " + path);
    }
}


// ---------------------------------------------------------------------------------------------
// The program's icon: a square perforated stamp with a mountain under an evening sun, the main
// window's motif reduced to what still reads at 16 × 16 pixels. The design is on a 256-unit square
// shared by the PNGs and the SVG. Below 48 pixels the perforation keeps a floor on its hole size
// and spacing, since holes a pixel wide would only blur the edge.

constexpr double kIconUnits = 256;
constexpr Box kIconStamp{16, 16, 240, 240};
constexpr double kIconHoleRadius = 11;
constexpr double kIconHolePitch = 32;
constexpr Box kIconPicture{50, 50, 206, 206};
constexpr Vec kIconSun{160, 98};
constexpr double kIconSunRadius = 22;
const std::vector<Vec> kIconMountain = {{50, 206}, {50, 176}, {108, 100}, {146, 150}, {172, 126},
                                        {206, 168}, {206, 206}};
const std::vector<Vec> kIconSnow = {{90, 124}, {108, 100}, {126, 124}, {116, 120}, {108, 128},
                                    {100, 120}};
const Color kIconSkyTop = Rgb(72, 128, 160);
const Color kIconSun2 = Rgb(253, 232, 186);
const Color kIconMountainColor = Rgb(34, 68, 84);

QImage DrawIcon(int size) {
    const double s = size / kIconUnits;
    auto scaled = [s](Box b) { return Box{b.left * s, b.top * s, b.right * s, b.bottom * s}; };
    auto scaledPoints = [s](const std::vector<Vec>& points) {
        std::vector<Vec> out;
        for (Vec v : points) out.push_back(v * s);
        return out;
    };
    const Perforation stamp{scaled(kIconStamp), std::max(kIconHoleRadius * s, 1.1),
                            std::max(kIconHolePitch * s, 3.5)};
    const Box picture = scaled(kIconPicture);
    const Box whole{0, 0, double(size), double(size)};

    Canvas canvas(size, size, kPaper);
    canvas.Fill(picture, [&](Vec p) { return RectSdf(p, picture); },
                VerticalGradient(picture.top, kIconSkyTop, picture.bottom, kSunset));
    const Vec sun = kIconSun * s;
    canvas.Fill(whole, [&](Vec p) { return CircleSdf(p, sun, kIconSunRadius * s); }, Solid(kIconSun2));
    const std::vector<Vec> mountain = scaledPoints(kIconMountain);
    canvas.Fill(whole, [&](Vec p) { return std::max(RectSdf(p, picture), PolygonSdf(p, mountain)); },
                Solid(kIconMountainColor));
    if (size >= 48) {
        const std::vector<Vec> snow = scaledPoints(kIconSnow);
        canvas.Fill(whole, [&](Vec p) { return PolygonSdf(p, snow); }, Solid(Rgb(238, 236, 232)));
    }
    // The printed rule round the picture: at least a pixel wide, so the picture keeps its edge.
    const double rule = std::max(4 * s, 1.0);
    canvas.Fill(whole, [&](Vec p) { return std::abs(RectSdf(p, picture)) - rule / 2; }, Solid(kInk));

    // The stamp's own edge darkens towards kEdge, so it stands out on a white panel as on a dark
    // one; everything outside it is transparent.
    QImage image(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            const double d = StampSdf({x + 0.5, y + 0.5}, stamp);
            Color c = canvas.At(x, y);
            c = Mix(c, kEdge, 0.7 * Clamp01(1 + d / std::max(3 * s, 1.0)));
            const double alpha = Clamp01(0.5 - d);
            row[x] = qRgba(Canvas::ToByte(c.r), Canvas::ToByte(c.g), Canvas::ToByte(c.b),
                           Canvas::ToByte(255 * alpha));
        }
    }
    return image;
}

std::string SvgColor(Color c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", Canvas::ToByte(c.r), Canvas::ToByte(c.g),
                  Canvas::ToByte(c.b));
    return text;
}

std::string SvgPoints(const std::vector<Vec>& points) {
    std::string text;
    for (Vec v : points) text += (text.empty() ? "" : " ") + std::to_string(int(v.x)) + "," + std::to_string(int(v.y));
    return text;
}

// The perforated outline as one path, clockwise: along each edge straight runs between round
// bites, the same holes StampSdf cuts (a hole on each corner, the rest evenly between).
std::string SvgStampPath(Box b, double radius, double pitch) {
    const Vec corners[4] = {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}};
    auto point = [](Vec v) { return std::to_string(v.x) + "," + std::to_string(v.y); };
    const std::string bite = "A" + std::to_string(radius) + "," + std::to_string(radius) + " 0 0 0 ";
    std::string path;
    for (int edge = 0; edge < 4; ++edge) {
        const Vec from = corners[edge];
        const Vec to = corners[(edge + 1) % 4];
        const double length = Length(to - from);
        const Vec along = (to - from) * (1 / length);
        const Vec next = (corners[(edge + 2) % 4] - to) * (1 / Length(corners[(edge + 2) % 4] - to));
        const int holes = std::max(1, static_cast<int>(std::lround(length / pitch)));
        if (edge == 0) path += "M" + point(from + along * radius);
        for (int k = 1; k < holes; ++k) {
            const Vec hole = from + along * (length * k / holes);
            path += " L" + point(hole - along * radius) + " " + bite + point(hole + along * radius);
        }
        path += " L" + point(to - along * radius) + " " + bite + point(to + next * radius);
    }
    return path + " Z";
}

std::string DrawIconSvg() {
    const Box& p = kIconPicture;
    const std::string box = "x=\"" + std::to_string(int(p.left)) + "\" y=\"" + std::to_string(int(p.top)) +
                            "\" width=\"" + std::to_string(int(p.right - p.left)) + "\" height=\"" +
                            std::to_string(int(p.bottom - p.top)) + "\"";
    std::string svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
    svg += "  <defs>\n";
    svg += "    <linearGradient id=\"sky\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n";
    svg += "      <stop offset=\"0\" stop-color=\"" + SvgColor(kIconSkyTop) + "\"/>\n";
    svg += "      <stop offset=\"1\" stop-color=\"" + SvgColor(kSunset) + "\"/>\n";
    svg += "    </linearGradient>\n";
    svg += "    <clipPath id=\"picture\"><rect " + box + "/></clipPath>\n";
    svg += "  </defs>\n";
    svg += "  <path d=\"" + SvgStampPath(kIconStamp, kIconHoleRadius, kIconHolePitch) + "\" fill=\"" +
           SvgColor(kPaper) + "\" stroke=\"" + SvgColor(kEdge) + "\" stroke-width=\"3\"/>\n";
    svg += "  <rect " + box + " fill=\"url(#sky)\"/>\n";
    svg += "  <circle cx=\"" + std::to_string(int(kIconSun.x)) + "\" cy=\"" + std::to_string(int(kIconSun.y)) +
           "\" r=\"" + std::to_string(int(kIconSunRadius)) + "\" fill=\"" + SvgColor(kIconSun2) + "\"/>\n";
    svg += "  <g clip-path=\"url(#picture)\">\n";
    svg += "    <polygon points=\"" + SvgPoints(kIconMountain) + "\" fill=\"" + SvgColor(kIconMountainColor) + "\"/>\n";
    svg += "    <polygon points=\"" + SvgPoints(kIconSnow) + "\" fill=\"#eeece8\"/>\n";
    svg += "  </g>\n";
    svg += "  <rect " + box + " fill=\"none\" stroke=\"" + SvgColor(kInk) + "\" stroke-width=\"4\"/>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <outdir>\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    try {
        WriteFile(dir + "mainform.dib", DibBytes(DrawMainForm()));
        WriteFile(dir + "preview.jpg", stampwise::EncodeJpeg(DrawPreview()));
        WriteFile(dir + "about_side.bmp", BmpFileBytes(DrawAboutSide()));
        WriteFile(dir + "about_logo.bmp", BmpFileBytes(DrawAboutLogo()));
        WriteFile(dir + "report_ok.bmp", BmpFileBytes(DrawReportIcon(true)));
        WriteFile(dir + "report_error.bmp", BmpFileBytes(DrawReportIcon(false)));
        SavePng(DrawTwoColourGlyph(), dir + "preview_two_colour.png");
        SavePng(DrawPaintedGlyph(), dir + "preview_painted.png");
        SavePng(DrawMagnifierGlyph(true), dir + "preview_full_size.png");
        SavePng(DrawMagnifierGlyph(false), dir + "preview_reduced.png");
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            SavePng(DrawIcon(size), dir + "icon_" + std::to_string(size) + ".png");
        }
        const std::string svg = DrawIconSvg();
        WriteFile(dir + "icon.svg", std::vector<std::uint8_t>(svg.begin(), svg.end()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "stampwise-artwork: %s\n", e.what());
        return 1;
    }
    return 0;
}
