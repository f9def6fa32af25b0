// Draws the front panel of the rack-mounted subscriber set and writes it as a
// baseline JFIF JPEG: draw-panel-picture <out.jpg> [scale], the scale 1 (769 x
// 281 pixels) or 2 (1538 x 562, for screens of two device pixels a pixel).
//
// Everything is drawn from signed distance functions on a 4x finer grid and
// box-filtered down, which gives anti-aliased edges, bevels and soft shadows
// for little code. The ten call keys sit at x = 172 + 64 i, above the ten
// fields the window places under the picture at x = 152 + 64 i, width 41.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 769;
constexpr int kHeight = 281;
constexpr int kSuper = 4;

struct Vec {
  float x;
  float y;
};

Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
Vec operator*(Vec a, float s) {
  return {a.x * s, a.y * s};
}
float Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
float Length(Vec a) {
  return std::sqrt(Dot(a, a));
}
Vec Normalized(Vec a) {
  return a * (1.0f / Length(a));
}

struct Color {
  float r;
  float g;
  float b;
};

Color Grey(float v) {
  return {v, v, v};
}
Color Mix(Color a, Color b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Color Scaled(Color c, float s) {
  return {c.r * s, c.g * s, c.b * s};
}

float Clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}
float SmoothStep(float edge0, float edge1, float v) {
  const float t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

// Stable per-position noise for the brushed metal and the foam.
float Hash(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f - 0.5f;
}

// Distance functions: negative inside, in output pixels.
using Sdf = std::function<float(Vec)>;

struct Box {
  float left;
  float top;
  float right;
  float bottom;
};

Box Grown(Box b, float by) {
  return {b.left - by, b.top - by, b.right + by, b.bottom + by};
}
Box Moved(Box b, Vec by) {
  return {b.left + by.x, b.top + by.y, b.right + by.x, b.bottom + by.y};
}

struct Shape {
  Sdf sdf;
  Box bounds;
};

Shape RoundRect(Box b, float radius) {
  const Vec centre{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  const Vec half{(b.right - b.left) / 2 - radius, (b.bottom - b.top) / 2 - radius};
  return {[=](Vec p) {
            const Vec q{std::fabs(p.x - centre.x) - half.x, std::fabs(p.y - centre.y) - half.y};
            const Vec outside{std::max(q.x, 0.0f), std::max(q.y, 0.0f)};
            return Length(outside) + std::min(std::max(q.x, q.y), 0.0f) - radius;
          },
          b};
}

Shape Circle(Vec centre, float radius) {
  return {[=](Vec p) { return Length(p - centre) - radius; },
          {centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius}};
}

float SegmentDistance(Vec p, Vec a, Vec b) {
  const Vec ab = b - a;
  const float t = Clamp01(Dot(p - a, ab) / Dot(ab, ab));
  return Length(p - (a + ab * t));
}

// A segment with round ends, `radius` thick on each side.
Shape Capsule(Vec a, Vec b, float radius) {
  return {[=](Vec p) { return SegmentDistance(p, a, b) - radius; },
          {std::min(a.x, b.x) - radius, std::min(a.y, b.y) - radius, std::max(a.x, b.x) + radius,
           std::max(a.y, b.y) + radius}};
}

Shape Stroke(const std::vector<Vec>& points, float radius) {
  Box b{1e9f, 1e9f, -1e9f, -1e9f};
  for (Vec p : points) {
    b = {std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x),
         std::max(b.bottom, p.y)};
  }
  return {[=](Vec p) {
            float d = 1e9f;
            for (size_t i = 1; i < points.size(); ++i) {
              d = std::min(d, SegmentDistance(p, points[i - 1], points[i]));
            }
            return d - radius;
          },
          Grown(b, radius)};
}

Shape Shifted(const Shape& s, Vec by) {
  return {[sdf = s.sdf, by](Vec p) { return sdf(p - by); }, Moved(s.bounds, by)};
}

// Outward unit normal of the shape's edge nearest to p.
Vec Normal(const Sdf& sdf, Vec p) {
  constexpr float e = 0.25f;
  const Vec g{sdf({p.x + e, p.y}) - sdf({p.x - e, p.y}), sdf({p.x, p.y + e}) - sdf({p.x, p.y - e})};
  const float length = Length(g);
  return length > 0 ? g * (1.0f / length) : Vec{0, 0};
}

// Light falls from the upper left, as in a studio shot from slightly above.
const Vec kLight = Normalized({-0.45f, -1.0f});

// The picture at `scale` output pixels per drawing pixel; the drawing's
// coordinates stay those of the 769 x 281 picture.
class Canvas {
 public:
  explicit Canvas(int scale)
      : scale_(scale),
        density_(kSuper * scale),
        columns_(kWidth * density_),
        pixels_(static_cast<size_t>(columns_) * kHeight * density_) {}

  int Width() const { return kWidth * scale_; }
  int Height() const { return kHeight * scale_; }

  // Calls paint(p, sdf at p) for every fine sample inside `bounds`; paint
  // blends into the colour it is given.
  template <typename Paint>
  void ForEach(Box bounds, Paint paint) {
    const float d = static_cast<float>(density_);
    const int x0 = std::max(0, static_cast<int>(std::floor(bounds.left * d)));
    const int y0 = std::max(0, static_cast<int>(std::floor(bounds.top * d)));
    const int x1 = std::min(columns_, static_cast<int>(std::ceil(bounds.right * d)));
    const int y1 = std::min(kHeight * density_, static_cast<int>(std::ceil(bounds.bottom * d)));
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const Vec p{(x + 0.5f) / d, (y + 0.5f) / d};
        paint(p, pixels_[static_cast<size_t>(y) * columns_ + x]);
      }
    }
  }

  // Paints the inside of `shape` with shade(p), `opacity` strong.
  void Fill(const Shape& shape, const std::function<Color(Vec)>& shade, float opacity = 1) {
    ForEach(shape.bounds, [&](Vec p, Color& c) {
      if (shape.sdf(p) < 0) c = Mix(c, shade(p), opacity);
    });
  }
  void Fill(const Shape& shape, Color colour, float opacity = 1) {
    Fill(
        shape, [colour](Vec) { return colour; }, opacity);
  }

  // Soft shadow of `shape` cast `offset` away, fading over `blur` pixels.
  void Shadow(const Shape& shape, Vec offset, float blur, float opacity) {
    const Shape cast = Shifted(shape, offset);
    ForEach(Grown(cast.bounds, blur), [&](Vec p, Color& c) {
      c = Scaled(c, 1 - opacity * (1 - SmoothStep(-blur, blur, cast.sdf(p))));
    });
  }

  // Lights the rim of `shape` (width pixels wide) by how its edge faces the
  // light: raised parts (strength > 0) catch it on the upper left, recessed
  // ones (strength < 0) on the lower right.
  void Bevel(const Shape& shape, float width, float strength) {
    ForEach(shape.bounds, [&](Vec p, Color& c) {
      const float d = shape.sdf(p);
      if (d >= 0 || d < -width) return;
      const float facing = Dot(Normal(shape.sdf, p), kLight) * strength * (1 + d / width);
      c = facing > 0 ? Mix(c, Grey(255), facing) : Scaled(c, 1 + facing);
    });
  }

  // Averages each kSuper x kSuper block into one 8-bit RGB pixel.
  std::vector<uint8_t> Resolve() const {
    std::vector<uint8_t> out(static_cast<size_t>(Width()) * Height() * 3);
    for (int y = 0; y < Height(); ++y) {
      for (int x = 0; x < Width(); ++x) {
        Color sum{0, 0, 0};
        for (int sy = 0; sy < kSuper; ++sy) {
          for (int sx = 0; sx < kSuper; ++sx) {
            const Color c =
                pixels_[static_cast<size_t>(y * kSuper + sy) * columns_ + x * kSuper + sx];
            sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
          }
        }
        const float n = kSuper * kSuper;
        uint8_t* o = &out[(static_cast<size_t>(y) * Width() + x) * 3];
        o[0] = static_cast<uint8_t>(std::clamp(sum.r / n + 0.5f, 0.0f, 255.0f));
        o[1] = static_cast<uint8_t>(std::clamp(sum.g / n + 0.5f, 0.0f, 255.0f));
        o[2] = static_cast<uint8_t>(std::clamp(sum.b / n + 0.5f, 0.0f, 255.0f));
      }
    }
    return out;
  }

 private:
  int scale_;
  int density_;
  int columns_;
  std::vector<Color> pixels_;
};

// 5 x 7 glyphs, one byte per row, bit 4 the leftmost column.
constexpr std::string_view kGlyphNames = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::array<std::array<uint8_t, 7>, 36> kGlyphs = {{
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // A
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},  // B
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E},  // C
    {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C},  // D
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},  // E
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},  // F
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F},  // G
    {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // H
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E},  // I
    {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},  // J
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11},  // K
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},  // L
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11},  // M
    {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11},  // N
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // O
    {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},  // P
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D},  // Q
    {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},  // R
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E},  // S
    {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},  // T
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // U
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04},  // V
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A},  // W
    {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11},  // X
    {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04},  // Y
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},  // Z
}};

// Prints `text` centred on `centre`, each glyph pixel `dot` pixels square.
// Unknown characters print as spaces. The text starts on a whole pixel, so a
// whole-numbered `dot` gives crisp strokes.
void Text(Canvas& canvas, std::string_view text, Vec centre, float dot, Color colour) {
  const float advance = 6 * dot;
  const float width = advance * static_cast<float>(text.size()) - dot;
  const Vec origin{std::round(centre.x - width / 2), std::round(centre.y - 3.5f * dot)};
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t glyph = kGlyphNames.find(text[i]);
    if (glyph == std::string_view::npos) continue;
    for (int row = 0; row < 7; ++row) {
      for (int column = 0; column < 5; ++column) {
        if ((kGlyphs[glyph][row] >> (4 - column) & 1) == 0) continue;
        const float x = origin.x + advance * static_cast<float>(i) + dot * column;
        const float y = origin.y + dot * row;
        canvas.Fill(RoundRect({x, y, x + dot, y + dot}, 0), colour);
      }
    }
  }
}

// Layout, in output pixels.
constexpr Box kPanel{2, 4, 767, 272};
constexpr float kStripTop = 197;  // Seam between the upper panel and the key strip.
constexpr float kKeyY = 240;
constexpr float kLedY = 212;
constexpr float kKeyHalfWidth = 15;
constexpr float kKeyHalfHeight = 14;

const Color kPanelTop{92, 94, 99};
const Color kPanelBottom{60, 62, 66};
const Color kSilk = Grey(236);

float KeyX(int i) {
  return 172.0f + 64.0f * static_cast<float>(i);
}

void DrawBackdrop(Canvas& canvas) {
  canvas.Fill(RoundRect({0, 0, kWidth, kHeight}, 0),
              [](Vec p) { return Mix(Grey(236), Grey(212), p.y / kHeight); });
  canvas.Shadow(RoundRect(kPanel, 3), {0, 4}, 6, 0.55f);
}

// Anodised aluminium: a vertical fall-off with fine horizontal brushing.
Color Anodised(Vec p, Color top, Color bottom, float from, float to) {
  const float t = Clamp01((p.y - from) / (to - from));
  const float brush = 2.2f * Hash(0, static_cast<int>(p.y * kSuper)) +
                      1.2f * Hash(static_cast<int>(p.x * kSuper), static_cast<int>(p.y * kSuper));
  const Color base = Mix(top, bottom, t);
  return {base.r + brush, base.g + brush, base.b + brush};
}

void DrawPanel(Canvas& canvas) {
  const Shape panel = RoundRect(kPanel, 3);
  canvas.Fill(
      panel, [](Vec p) { return Anodised(p, kPanelTop, kPanelBottom, kPanel.top, kPanel.bottom); });

  const Shape strip = RoundRect({kPanel.left, kStripTop, kPanel.right, kPanel.bottom}, 3);
  canvas.Fill(strip, [](Vec p) {
    return Anodised(p, Grey(70), {50, 51, 55}, kStripTop, kPanel.bottom);
  });
  canvas.Fill(RoundRect({kPanel.left + 1, kStripTop - 1.2f, kPanel.right - 1, kStripTop}, 0),
              Grey(28));
  canvas.Fill(RoundRect({kPanel.left + 1, kStripTop, kPanel.right - 1, kStripTop + 0.8f}, 0),
              Grey(112), 0.7f);
  // Broad soft reflection of the studio light on the upper panel.
  canvas.ForEach(panel.bounds, [&panel](Vec p, Color& c) {
    if (p.y >= kStripTop - 1.2f || panel.sdf(p) >= 0) return;
    const float reach = Length(Vec{(p.x - 330) / 420, (p.y + 60) / 190});
    c = Mix(c, Grey(255), 0.07f * std::exp(-reach * reach * 1.5f));
  });
  canvas.Bevel(panel, 2.0f, 0.35f);
}

// Screw-on ear plate with two mounting slots and a U-shaped carrying handle.
void DrawEar(Canvas& canvas, float left, float right) {
  const float centre = (left + right) / 2;
  const Shape plate = RoundRect({left, kPanel.top, right, kStripTop - 3}, 2.5f);
  canvas.Shadow(plate, {1.5f, 2}, 2.5f, 0.45f);
  canvas.Fill(plate, [](Vec p) { return Anodised(p, Grey(104), Grey(78), kPanel.top, kStripTop); });
  canvas.Bevel(plate, 1.8f, 0.45f);

  for (const float y : {17.0f, kStripTop - 17}) {
    const Shape slot = Capsule({centre - 5, y}, {centre + 5, y}, 3.2f);
    canvas.Fill(slot, Grey(16));
    canvas.Bevel(slot, 1.6f, -0.5f);
  }

  const float top = 38;
  const float bottom = kStripTop - 40;
  const Shape bar = Capsule({centre, top}, {centre, bottom}, 4.6f);
  for (const float y : {top, bottom}) {
    const Shape foot = RoundRect({centre - 7.5f, y - 6, centre + 7.5f, y + 6}, 3);
    canvas.Shadow(foot, {1, 1.5f}, 1.5f, 0.5f);
    canvas.Fill(foot, [](Vec p) { return Mix(Grey(70), Grey(46), Clamp01((p.y - 30) / 140)); });
    canvas.Bevel(foot, 1.5f, 0.4f);
  }
  canvas.Shadow(bar, {3.5f, 4.5f}, 3, 0.5f);
  // Polished round bar: a highlight left of the axis, darker towards the rims.
  canvas.Fill(bar, [centre](Vec p) {
    const float t = (p.x - centre) / 4.6f;
    const float light = std::exp(-(t + 0.35f) * (t + 0.35f) * 6);
    return Mix(Grey(98), Grey(232), light);
  });
}

// Raised key cap with its unlit status LED above it; `label` is printed on the cap.
void DrawKey(Canvas& canvas, float x, std::string_view label, float dot, Color led) {
  canvas.Fill(Circle({x, kLedY}, 4.3f), Grey(30));
  canvas.Fill(Circle({x, kLedY}, 3.1f), [x, led](Vec p) {
    const float r = Length(p - Vec{x - 0.9f, kLedY - 0.9f}) / 3.1f;
    return Mix(led, Scaled(led, 0.35f), Clamp01(r));
  });
  canvas.Fill(Circle({x - 1.1f, kLedY - 1.2f}, 0.9f), Grey(235), 0.8f);

  const Shape cap = RoundRect(
      {x - kKeyHalfWidth, kKeyY - kKeyHalfHeight, x + kKeyHalfWidth, kKeyY + kKeyHalfHeight}, 4);
  canvas.Fill(RoundRect({x - kKeyHalfWidth - 2, kKeyY - kKeyHalfHeight - 2, x + kKeyHalfWidth + 2,
                         kKeyY + kKeyHalfHeight + 2},
                        5),
              Grey(24));
  canvas.Shadow(cap, {1.5f, 2.5f}, 2.5f, 0.6f);
  canvas.Fill(cap, [](Vec p) {
    const float t = Clamp01((p.y - (kKeyY - kKeyHalfHeight)) / (2 * kKeyHalfHeight));
    return Mix(Grey(226), Grey(188), t);
  });
  canvas.Bevel(cap, 2.2f, 0.55f);
  Text(canvas, label, {x, kKeyY}, dot, Grey(40));
}

// Round metal jack socket with a dark bore.
void DrawSocket(Canvas& canvas, Vec centre, float radius, float bore) {
  const Shape ring = Circle(centre, radius);
  canvas.Shadow(ring, {1, 1.5f}, 1.5f, 0.5f);
  canvas.Fill(ring, [centre, radius](Vec p) {
    const float t = Clamp01((p.y - centre.y + radius) / (2 * radius));
    return Mix(Grey(196), Grey(122), t);
  });
  canvas.Bevel(ring, 1.6f, 0.5f);
  const Shape hole = Circle(centre, bore);
  canvas.Fill(hole, Grey(14));
  canvas.Bevel(hole, 1.4f, -0.6f);
}

Vec Bezier(Vec a, Vec b, Vec c, Vec d, float t) {
  const float u = 1 - t;
  return a * (u * u * u) + b * (3 * u * u * t) + c * (3 * u * t * t) + d * (t * t * t);
}

// Gooseneck microphone standing in its socket: ribbed neck, capsule body,
// red ring and foam windscreen.
void DrawMicrophone(Canvas& canvas, Vec socket) {
  DrawSocket(canvas, socket, 15, 11);
  canvas.Fill(Circle(socket, 7.5f), Grey(40));
  canvas.Bevel(Circle(socket, 7.5f), 1.5f, 0.5f);

  const Vec a = socket;
  const Vec b = socket + Vec{-2, -70};
  const Vec c = socket + Vec{8, -108};
  const Vec d = socket + Vec{44, -120};
  std::vector<Vec> neck;
  for (int i = 0; i <= 120; ++i) neck.push_back(Bezier(a, b, c, d, static_cast<float>(i) / 120));
  const Vec tip = Normalized(d - Bezier(a, b, c, d, 0.98f));
  const Vec body = d + tip * 22;
  const Vec ring = body + tip * 3;
  const Vec foam = ring + tip * 18;

  constexpr float kNeck = 4.2f;
  const Shape neckShape = Stroke(neck, kNeck);
  const Shape bodyShape = Capsule(d, body, 5.5f);
  const Shape foamShape = Capsule(ring + tip * 5, foam, 8.5f);
  for (const Shape* s : {&neckShape, &bodyShape, &foamShape}) {
    canvas.Shadow(*s, {6, 7}, 4.5f, 0.45f);
  }

  // Ribs: each stamp along the neck overpaints the one before, so the
  // visible part of each is a crescent, like the windings of a real neck.
  float travelled = 0;
  for (size_t i = 0; i < neck.size(); ++i) {
    if (i > 0) travelled += Length(neck[i] - neck[i - 1]);
    const Vec along = i + 1 < neck.size() ? neck[i + 1] - neck[i] : neck[i] - neck[i - 1];
    const Vec across = Normalized({-along.y, along.x});
    const float rib = 0.5f + 0.5f * std::cos(travelled * 2.1f);
    const Vec centre = neck[i];
    canvas.Fill(Circle(centre, kNeck), [=](Vec p) {
      const float side = Dot(p - centre, across) / kNeck;
      const float light = std::exp(-(side + 0.3f) * (side + 0.3f) * 3);
      return Scaled(Mix(Grey(38), Grey(150), light), 0.75f + 0.25f * rib);
    });
  }

  const Vec across = {-tip.y, tip.x};
  auto cylinder = [across](Vec axis, float radius, Color dark, Color bright) {
    return [=](Vec p) {
      const float side = Dot(p - axis, across) / radius;
      return Mix(dark, bright, std::exp(-(side + 0.35f) * (side + 0.35f) * 4));
    };
  };
  canvas.Fill(bodyShape, cylinder(d, 5.5f, Grey(40), Grey(170)));
  canvas.Fill(Capsule(ring, ring + tip * 2, 6.5f),
              cylinder(ring, 6.5f, {120, 18, 18}, {232, 70, 60}));
  canvas.Fill(foamShape, [&](Vec p) {
    const float grain = 10 * Hash(static_cast<int>(p.x * 2), static_cast<int>(p.y * 2));
    const Color shaded = cylinder(ring, 8.5f, Grey(20), Grey(70))(p);
    return Color{shaded.r + grain, shaded.g + grain, shaded.b + grain};
  });
}

// Loudspeaker grille: a recessed field of round holes.
void DrawGrille(Canvas& canvas, Box area) {
  const Shape recess = RoundRect(area, 6);
  canvas.Fill(recess,
              [area](Vec p) { return Anodised(p, Grey(74), Grey(62), area.top, area.bottom); });
  canvas.Bevel(recess, 2.5f, -0.45f);
  constexpr float kPitch = 9;
  const int columns = static_cast<int>((area.right - area.left - 8) / kPitch);
  const int rows = static_cast<int>((area.bottom - area.top - 8) / kPitch);
  const float x0 = (area.left + area.right) / 2 - kPitch * static_cast<float>(columns - 1) / 2;
  const float y0 = (area.top + area.bottom) / 2 - kPitch * static_cast<float>(rows - 1) / 2;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const Shape hole = Circle({x0 + kPitch * column, y0 + kPitch * row}, 2.7f);
      canvas.Fill(hole, Grey(12));
      canvas.Bevel(hole, 1.2f, -0.55f);
    }
  }
}

void Draw(Canvas& canvas) {
  DrawBackdrop(canvas);
  DrawPanel(canvas);
  DrawEar(canvas, kPanel.left, kPanel.left + 26);
  DrawEar(canvas, kPanel.right - 26, kPanel.right);

  const Box grille{556, 24, 712, 150};
  DrawGrille(canvas, grille);
  Text(canvas, "INTERCOM", {(grille.left + grille.right) / 2, 172}, 2, kSilk);

  const Vec socket{66, 150};
  DrawMicrophone(canvas, socket);
  Text(canvas, "MICROPHONE", {socket.x, 179}, 1, kSilk);
  const Vec phone{66, 232};
  DrawSocket(canvas, phone, 9, 4);
  Text(canvas, "PHONE", {phone.x, 254}, 1, kSilk);

  DrawKey(canvas, 112, "HOLD", 1, {170, 120, 40});
  for (int i = 0; i < 10; ++i) DrawKey(canvas, KeyX(i), std::to_string(i + 1), 2, {70, 150, 80});
}

bool WriteJpeg(const char* path, int width, int height, const std::vector<uint8_t>& rgb) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::perror(path);
    return false;
  }
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  // Full-resolution colour keeps the red ring and the label edges clean.
  info.comp_info[0].h_samp_factor = 1;
  info.comp_info[0].v_samp_factor = 1;
  info.optimize_coding = TRUE;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(&rgb[static_cast<size_t>(info.next_scanline) * width * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view scale = argc == 3 ? argv[2] : "1";
  if (argc < 2 || argc > 3 || (scale != "1" && scale != "2")) {
    std::fprintf(stderr, "usage: %s <out.jpg> [1|2]\n", argv[0]);
    return 2;
  }
  Canvas canvas(scale == "2" ? 2 : 1);
  Draw(canvas);
  return WriteJpeg(argv[1], canvas.Width(), canvas.Height(), canvas.Resolve()) ? 0 : 1;
}
