#include "Source/Tools/Bake/Canvas.h"

#include "Engine/Foundation/ImageFormats.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Lumvek;

namespace
{

constexpr float Pi = std::numbers::pi_v<float>;
// Horizontal sample lines per pixel row when filling; the coverage along each line is exact.
constexpr int FillSubRows = 4;

// Per-pixel coverage over the part of the canvas one shape touches, applied in one blend so that
// overlapping pieces of the same shape do not darken each other.
struct Coverage
{
    Coverage(const Canvas& canvas, float minX, float minY, float maxX, float maxY)
    {
        x0 = std::clamp(int(std::floor(minX)), 0, int(canvas.width));
        y0 = std::clamp(int(std::floor(minY)), 0, int(canvas.height));
        x1 = std::clamp(int(std::ceil(maxX)) + 1, 0, int(canvas.width));
        y1 = std::clamp(int(std::ceil(maxY)) + 1, 0, int(canvas.height));
        values.assign(size_t(std::max(0, x1 - x0)) * size_t(std::max(0, y1 - y0)), 0.0f);
    }

    float& At(int x, int y) { return values[size_t(y - y0) * size_t(x1 - x0) + size_t(x - x0)]; }

    void Apply(Canvas& canvas, Rgba color)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (const float c = At(x, y); c > 0.0f)
                    canvas.Blend(x, y, color, std::min(c, 1.0f));
    }

    int x0, y0, x1, y1;
    std::vector<float> values;
};

void Bounds(const Path& path, float margin, float& minX, float& minY, float& maxX, float& maxY)
{
    minX = minY = 1e30f;
    maxX = maxY = -1e30f;
    for (const Point& p : path)
    {
        minX = std::min(minX, p.x - margin);
        minY = std::min(minY, p.y - margin);
        maxX = std::max(maxX, p.x + margin);
        maxY = std::max(maxY, p.y + margin);
    }
}

float SegmentDistance(Point p, Point a, Point b)
{
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float length2 = dx * dx + dy * dy;
    float t = length2 > 0.0f ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

} // namespace

Canvas::Canvas(uint32_t width, uint32_t height, Rgba background)
    : width(width), height(height), pixels(size_t(width) * height * 4)
{
    for (size_t i = 0; i < pixels.size(); i += 4)
    {
        pixels[i] = background.r;
        pixels[i + 1] = background.g;
        pixels[i + 2] = background.b;
        pixels[i + 3] = background.a;
    }
}

Rgba Canvas::Get(uint32_t x, uint32_t y) const
{
    const uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void Canvas::Blend(int x, int y, Rgba color, float coverage)
{
    if (x < 0 || y < 0 || x >= int(width) || y >= int(height) || coverage <= 0.0f)
        return;
    uint8_t* p = &pixels[(size_t(y) * width + size_t(x)) * 4];
    const float a = float(color.a) / 255.0f * std::min(coverage, 1.0f);
    const float below = float(p[3]) / 255.0f * (1.0f - a);
    const float out = a + below;
    if (out <= 0.0f)
        return;
    const auto mix = [&](uint8_t source, uint8_t target)
    { return uint8_t(std::lround((float(source) * a + float(target) * below) / out)); };
    p[0] = mix(color.r, p[0]);
    p[1] = mix(color.g, p[1]);
    p[2] = mix(color.b, p[2]);
    p[3] = uint8_t(std::lround(out * 255.0f));
}

void Canvas::Paste(const Canvas& source, int x, int y)
{
    for (uint32_t row = 0; row < source.height; ++row)
        for (uint32_t column = 0; column < source.width; ++column)
        {
            const Rgba color = source.Get(column, row);
            Blend(x + int(column), y + int(row), {color.r, color.g, color.b, 255}, float(color.a) / 255.0f);
        }
}

void Canvas::SpreadIntoClear()
{
    const std::vector<uint8_t> drawn = pixels;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
        {
            uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
            if (p[3] != 0)
                continue;
            // The neighbours' colours weighted by how much of them is drawn.
            double sum[4] = {};
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                {
                    const int nx = int(x) + dx, ny = int(y) + dy;
                    if (nx < 0 || ny < 0 || nx >= int(width) || ny >= int(height))
                        continue;
                    const uint8_t* n = &drawn[(size_t(ny) * width + size_t(nx)) * 4];
                    for (int i = 0; i < 3; ++i)
                        sum[i] += double(n[i]) * n[3];
                    sum[3] += n[3];
                }
            if (sum[3] > 0.0)
                for (int i = 0; i < 3; ++i)
                    p[i] = uint8_t(std::lround(sum[i] / sum[3]));
        }
}

Canvas Canvas::Reduced(uint32_t factor) const
{
    factor = std::max(factor, 1u);
    Canvas reduced(std::max(width / factor, 1u), std::max(height / factor, 1u));
    for (uint32_t y = 0; y < reduced.height; ++y)
        for (uint32_t x = 0; x < reduced.width; ++x)
        {
            // Colours are averaged weighted by alpha, so clear pixels do not darken the edges.
            double sum[4] = {};
            for (uint32_t dy = 0; dy < factor && y * factor + dy < height; ++dy)
                for (uint32_t dx = 0; dx < factor && x * factor + dx < width; ++dx)
                {
                    const Rgba c = Get(x * factor + dx, y * factor + dy);
                    sum[0] += c.r * c.a;
                    sum[1] += c.g * c.a;
                    sum[2] += c.b * c.a;
                    sum[3] += c.a;
                }
            uint8_t* p = &reduced.pixels[(size_t(y) * reduced.width + x) * 4];
            for (int i = 0; i < 3; ++i)
                p[i] = sum[3] > 0.0 ? uint8_t(std::lround(sum[i] / sum[3])) : 0;
            p[3] = uint8_t(std::lround(sum[3] / double(factor * factor)));
        }
    return reduced;
}

bool Canvas::WritePng(Buffer& png) const
{
    BufferWriter writer(ReversedOrder);
    if (!PngFormat::WritePng(writer, pixels.data(), width, height, width * 4))
        return false;
    png = std::move(writer.buffer);
    return true;
}

Random::Random(StringView name) : state(0xCBF29CE484222325ull)
{
    for (uint32_t i = 0; i < name.length; ++i)
        state = (state ^ uint8_t(name.data[i])) * 0x100000001B3ull;
}

uint64_t Random::Next()
{
    // SplitMix64.
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Random::Range(float low, float high)
{
    return low + (high - low) * float(double(Next() >> 40) / double(1ull << 24));
}

Pen::Pen(Canvas& canvas, StringView seedName) : canvas(canvas), random(seedName)
{
    FitCanvas();
}

void Pen::SetFrame(float x, float y, float size)
{
    originX = x;
    originY = y;
    scaleX = scaleY = size / 100.0f;
}

void Pen::FitCanvas()
{
    originX = originY = 0.0f;
    scaleX = float(canvas.width) / 100.0f;
    scaleY = float(canvas.height) / 100.0f;
}

Path Pen::ToPixels(const Path& path, bool closed)
{
    const float scale = std::sqrt(scaleX * scaleY);
    Path pixels;
    for (const Point& p : path)
        pixels.push_back({originX + p.x * scaleX, originY + p.y * scaleY});
    if (pixels.size() < 2 || wobble <= 0.0f)
        return pixels;
    if (closed)
        pixels.push_back(pixels.front());

    float length = 0.0f;
    for (size_t i = 1; i < pixels.size(); ++i)
        length += std::hypot(pixels[i].x - pixels[i - 1].x, pixels[i].y - pixels[i - 1].y);
    // Two slow waves along the line; a closed line takes whole periods so that its ends meet.
    float frequencies[2] = {2.0f * Pi / (random.Range(45.0f, 80.0f) * scale),
                            2.0f * Pi / (random.Range(14.0f, 24.0f) * scale)};
    if (closed && length > 0.0f)
        for (float& frequency : frequencies)
            frequency = 2.0f * Pi * std::max(1.0f, std::round(frequency * length / (2.0f * Pi))) / length;
    const float phases[2] = {random.Range(0.0f, 2.0f * Pi), random.Range(0.0f, 2.0f * Pi)};
    const float amplitude = wobble * scale;
    const auto offset = [&](float t)
    {
        return amplitude *
               (0.7f * std::sin(frequencies[0] * t + phases[0]) + 0.3f * std::sin(frequencies[1] * t + phases[1]));
    };

    Path wobbled;
    const float step = std::max(1.5f, 0.5f * scale);
    float travelled = 0.0f;
    for (size_t i = 1; i < pixels.size(); ++i)
    {
        const Point a = pixels[i - 1], b = pixels[i];
        const float segment = std::hypot(b.x - a.x, b.y - a.y);
        if (segment <= 0.0f)
            continue;
        const float nx = -(b.y - a.y) / segment, ny = (b.x - a.x) / segment;
        const int pieces = std::max(1, int(std::ceil(segment / step)));
        for (int piece = wobbled.empty() ? 0 : 1; piece <= pieces; ++piece)
        {
            const float f = float(piece) / float(pieces);
            const float d = offset(travelled + f * segment);
            wobbled.push_back({a.x + (b.x - a.x) * f + nx * d, a.y + (b.y - a.y) * f + ny * d});
        }
        travelled += segment;
    }
    if (closed && wobbled.size() > 1)
        wobbled.pop_back();
    return wobbled;
}

void Pen::Fill(const Path& polygon, Rgba color)
{
    const Path points = ToPixels(polygon, true);
    if (points.size() < 3)
        return;
    float minX, minY, maxX, maxY;
    Bounds(points, 0.0f, minX, minY, maxX, maxY);
    Coverage coverage(canvas, minX, minY, maxX, maxY);
    std::vector<std::pair<float, int>> crossings;
    for (int y = coverage.y0; y < coverage.y1; ++y)
        for (int sub = 0; sub < FillSubRows; ++sub)
        {
            const float sampleY = float(y) + (float(sub) + 0.5f) / FillSubRows;
            crossings.clear();
            for (size_t i = 0; i < points.size(); ++i)
            {
                const Point a = points[i], b = points[(i + 1) % points.size()];
                if ((a.y <= sampleY) == (b.y <= sampleY))
                    continue;
                const float x = a.x + (sampleY - a.y) * (b.x - a.x) / (b.y - a.y);
                crossings.push_back({x, b.y > a.y ? 1 : -1});
            }
            std::sort(crossings.begin(), crossings.end());
            int winding = 0;
            for (size_t i = 0; i + 1 < crossings.size(); ++i)
            {
                winding += crossings[i].second;
                if (winding == 0)
                    continue;
                const float left = std::max(crossings[i].first, float(coverage.x0));
                const float right = std::min(crossings[i + 1].first, float(coverage.x1));
                for (int x = int(std::floor(left)); x < int(std::ceil(right)); ++x)
                {
                    const float overlap = std::min(right, float(x + 1)) - std::max(left, float(x));
                    if (overlap > 0.0f && x >= coverage.x0 && x < coverage.x1)
                        coverage.At(x, y) += overlap / FillSubRows;
                }
            }
        }
    coverage.Apply(canvas, color);
}

void Pen::Stroke(const Path& path, bool closed, Rgba color)
{
    const Path points = ToPixels(path, closed);
    if (points.empty())
        return;
    const float half = std::max(0.5f, 0.5f * lineWidth * std::sqrt(scaleX * scaleY));
    float minX, minY, maxX, maxY;
    Bounds(points, half + 1.0f, minX, minY, maxX, maxY);
    Coverage coverage(canvas, minX, minY, maxX, maxY);
    const size_t segments = points.size() == 1 ? 1 : closed ? points.size() : points.size() - 1;
    for (size_t i = 0; i < segments; ++i)
    {
        const Point a = points[i], b = points[(i + 1) % points.size()];
        const int x0 = std::max(coverage.x0, int(std::floor(std::min(a.x, b.x) - half - 1.0f)));
        const int x1 = std::min(coverage.x1, int(std::ceil(std::max(a.x, b.x) + half + 1.0f)));
        const int y0 = std::max(coverage.y0, int(std::floor(std::min(a.y, b.y) - half - 1.0f)));
        const int y1 = std::min(coverage.y1, int(std::ceil(std::max(a.y, b.y) + half + 1.0f)));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
            {
                const float d = SegmentDistance({float(x) + 0.5f, float(y) + 0.5f}, a, b);
                float& c = coverage.At(x, y);
                c = std::max(c, std::clamp(half + 0.5f - d, 0.0f, 1.0f));
            }
    }
    coverage.Apply(canvas, color);
}

void Pen::Shape(const Path& polygon, Rgba fill, bool sketch)
{
    if (!sketch)
        Fill(polygon, fill);
    Stroke(polygon, true);
}

namespace Paths
{

Path Ellipse(float cx, float cy, float rx, float ry, int segments)
{
    Path path;
    for (int i = 0; i < segments; ++i)
    {
        const float a = 2.0f * Pi * float(i) / float(segments);
        path.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return path;
}

Path Arc(float cx, float cy, float r, float a0, float a1, int segments)
{
    Path path;
    for (int i = 0; i <= segments; ++i)
    {
        const float a = a0 + (a1 - a0) * float(i) / float(segments);
        path.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return path;
}

Path EllipseArc(float cx, float cy, float rx, float ry, float a0, float a1, int segments)
{
    Path path;
    for (int i = 0; i <= segments; ++i)
    {
        const float a = a0 + (a1 - a0) * float(i) / float(segments);
        path.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return path;
}

Path Rect(float x, float y, float w, float h)
{
    return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
}

Path RoundedRect(float x, float y, float w, float h, float radius)
{
    radius = std::min({radius, w / 2.0f, h / 2.0f});
    Path path;
    const Point centres[4] = {{x + w - radius, y + radius},
                              {x + w - radius, y + h - radius},
                              {x + radius, y + h - radius},
                              {x + radius, y + radius}};
    for (int corner = 0; corner < 4; ++corner)
    {
        const Path arc = Arc(centres[corner].x, centres[corner].y, radius, Pi * (float(corner) - 1.0f) / 2.0f,
                             Pi * float(corner) / 2.0f, 6);
        path.insert(path.end(), arc.begin(), arc.end());
    }
    return path;
}

Path Star(float cx, float cy, float outer, float inner, int points)
{
    Path path;
    for (int i = 0; i < 2 * points; ++i)
    {
        const float a = -Pi / 2.0f + Pi * float(i) / float(points);
        const float r = i % 2 == 0 ? outer : inner;
        path.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return path;
}

Path Regular(float cx, float cy, float r, int sides, float angle)
{
    Path path;
    for (int i = 0; i < sides; ++i)
    {
        const float a = angle + 2.0f * Pi * float(i) / float(sides);
        path.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return path;
}

Path Rotated(const Path& path, float cx, float cy, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Path rotated;
    for (const Point& p : path)
        rotated.push_back({cx + (p.x - cx) * c - (p.y - cy) * s, cy + (p.x - cx) * s + (p.y - cy) * c});
    return rotated;
}

Path Mirrored(const Path& path, float axisX)
{
    Path mirrored;
    for (auto p = path.rbegin(); p != path.rend(); ++p)
        mirrored.push_back({2.0f * axisX - p->x, p->y});
    return mirrored;
}

} // namespace Paths
