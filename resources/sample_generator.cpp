// Paints the sample pictures of the installation: landscapes made of gradients and
// fractal noise, so that a new user has photo-like pictures to configure and show.
// Deterministic: the same build always writes the same pictures.
//   sample_generator OUTPUT_FOLDER
//   sample_generator --logo FILE.png   (the logo, painted once and kept with the sources)

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>

namespace {

constexpr int kMaxBytes = 330000;

// Value noise over a hashed lattice, summed over octaves.
double hash2(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFFFF) / double(0xFFFFFF);
}

double smooth(double t) { return t * t * (3 - 2 * t); }

double noise(double x, double y, uint32_t seed)
{
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const double fx = smooth(x - xi), fy = smooth(y - yi);
    const double a = hash2(xi, yi, seed), b = hash2(xi + 1, yi, seed);
    const double c = hash2(xi, yi + 1, seed), d = hash2(xi + 1, yi + 1, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

double fbm(double x, double y, uint32_t seed, int octaves = 5)
{
    double sum = 0, amp = 0.5, freq = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise(x * freq, y * freq, seed + i);
        norm += amp;
        amp *= 0.5;
        freq *= 2.03;
    }
    return sum / norm;
}

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

QRgb pack(Rgb c, double grain)
{
    auto ch = [&](double v) { return std::clamp(static_cast<int>(v + grain), 0, 255); };
    return qRgb(ch(c.r), ch(c.g), ch(c.b));
}

using Shader = std::function<Rgb(double u, double v)>;

QImage render(int w, int h, uint32_t seed, const Shader& shade)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double grain = (hash2(x, y, seed ^ 0xABCD) - 0.5) * 6;  // film grain
            line[x] = pack(shade(double(x) / w, double(y) / h), grain);
        }
    }
    return image;
}

// Height of a ridge line at u, between 0 (top) and 1 (bottom).
double ridge(double u, double base, double amplitude, double frequency, uint32_t seed)
{
    return base - amplitude * (fbm(u * frequency, 0.5, seed, 6) - 0.5) * 2;
}

Rgb sunsetSea(double u, double v)
{
    const double horizon = 0.58;
    const Rgb high{70, 40, 110}, mid{235, 110, 60}, low{255, 200, 120};
    const double sunU = 0.62, sunV = 0.50;
    if (v < horizon) {
        Rgb sky = v < 0.35 ? mix(high, mid, v / 0.35) : mix(mid, low, (v - 0.35) / (horizon - 0.35));
        const double clouds = fbm(u * 6, v * 18, 11);
        if (clouds > 0.55)
            sky = mix(sky, Rgb{120, 60, 90}, (clouds - 0.55) * 2.2 * (1 - v));
        const double d = std::hypot((u - sunU) * 1.6, v - sunV);
        sky = mix(sky, Rgb{255, 240, 200}, std::exp(-d * 9) * 1.2);
        if (d < 0.045)
            sky = Rgb{255, 245, 215};
        return sky;
    }
    const double depth = (v - horizon) / (1 - horizon);
    Rgb sea = mix(Rgb{200, 110, 80}, Rgb{30, 30, 70}, std::sqrt(depth));
    const double waves = fbm(u * 40 / (0.2 + depth), v * 300, 23, 4);
    const double glitter = std::exp(-std::abs(u - sunU) * (14 - 8 * depth)) * (waves > 0.55 ? 1.0 : 0.25);
    sea = mix(sea, Rgb{255, 210, 150}, glitter * (1 - depth * 0.6));
    return scale(sea, 0.85 + waves * 0.3);
}

Rgb mountains(double u, double v)
{
    Rgb c = mix(Rgb{90, 140, 215}, Rgb{200, 225, 245}, v / 0.6);
    const double cloud = fbm(u * 4, v * 10, 5);
    if (v < 0.45 && cloud > 0.58)
        c = mix(c, Rgb{250, 250, 255}, (cloud - 0.58) * 3);
    const struct {
        double base, amp, freq;
        Rgb colour;
        uint32_t seed;
    } layers[] = {
        {0.42, 0.22, 2.5, {120, 130, 160}, 31},
        {0.58, 0.16, 3.5, {75, 95, 110}, 37},
        {0.74, 0.10, 5.0, {50, 80, 45}, 41},
        {0.88, 0.06, 7.0, {35, 60, 30}, 43},
    };
    for (const auto& l : layers) {
        const double top = ridge(u, l.base, l.amp, l.freq, l.seed);
        if (v >= top) {
            const double t = fbm(u * 30, v * 30, l.seed + 100, 4);
            c = scale(l.colour, 0.75 + 0.5 * t);
            // Snow above a ragged line on the farthest range.
            const double snowLine = 0.385 + 0.03 * (fbm(u * 20, 1.5, 53, 4) - 0.5);
            if (l.seed == 31 && v < snowLine)
                c = mix(c, Rgb{245, 245, 250}, std::min(1.0, (snowLine - v) * 40) * (0.6 + 0.4 * t));
        }
    }
    return c;
}

Rgb lakeReflection(double u, double v)
{
    const double water = 0.62;
    auto scene = [](double uu, double vv) {
        Rgb c = mix(Rgb{255, 170, 120}, Rgb{255, 225, 180}, vv / 0.62);
        const double top = ridge(uu, 0.48, 0.16, 3.0, 61);
        if (vv >= top)
            c = scale(mix(Rgb{60, 50, 80}, Rgb{40, 60, 50}, (vv - top) * 6), 0.8 + 0.4 * fbm(uu * 25, vv * 25, 67, 3));
        const double trees = ridge(uu, 0.6, 0.03, 40.0, 71);
        if (vv >= trees)
            c = Rgb{20, 35, 25};
        return c;
    };
    if (v < water)
        return scene(u, v);
    const double mirrored = water - (v - water) * 1.3;
    const double ripple = (fbm(u * 8, v * 120, 73, 3) - 0.5) * 0.02;
    Rgb c = scale(scene(u + ripple, std::max(0.0, mirrored)), 0.7);
    return mix(c, Rgb{30, 50, 70}, (v - water) * 1.2);
}

Rgb dunes(double u, double v)
{
    if (v < 0.35) {
        Rgb sky = mix(Rgb{60, 120, 200}, Rgb{230, 210, 180}, v / 0.35);
        return sky;
    }
    double shade = 0;
    Rgb c{220, 160, 90};
    for (int i = 0; i < 4; ++i) {
        const double base = 0.38 + i * 0.16;
        const double crest = base + 0.05 * std::sin(u * (6 + i * 2) + i) + 0.03 * (fbm(u * 3, i, 81 + i) - 0.5);
        if (v >= crest) {
            const double slope = std::cos(u * (6 + i * 2) + i);
            shade = 0.75 + 0.3 * slope;
            c = scale(mix(Rgb{230, 170, 100}, Rgb{190, 120, 60}, (v - crest) * 3), shade);
        }
    }
    return scale(c, 0.9 + 0.2 * fbm(u * 200, v * 60, 89, 2));
}

Rgb aurora(double u, double v)
{
    Rgb c = mix(Rgb{5, 10, 30}, Rgb{20, 40, 70}, v);
    if (hash2(static_cast<int>(u * 1600), static_cast<int>(v * 1000), 97) > 0.9985 && v < 0.7)
        c = Rgb{240, 240, 255};
    for (int band = 0; band < 3; ++band) {
        const double centre = 0.25 + band * 0.1 + 0.08 * std::sin(u * (5 + band) + band * 2) +
                              0.05 * (fbm(u * 3, band, 101 + band) - 0.5);
        const double d = v - centre;
        if (d > -0.15 && d < 0.05) {
            const double curtain = fbm(u * 60, band, 111 + band, 3);
            const double glow = std::exp(-std::abs(d) * 25) * curtain * 1.4;
            c = mix(c, band == 1 ? Rgb{120, 255, 170} : Rgb{80, 220, 150}, glow);
            if (d < 0)
                c = mix(c, Rgb{170, 90, 200}, glow * 0.3 * (-d * 6));
        }
    }
    const double hills = ridge(u, 0.8, 0.06, 4.0, 121);
    if (v >= hills)
        c = Rgb{8, 12, 15};
    return c;
}

Rgb lavender(double u, double v)
{
    if (v < 0.45) {
        Rgb sky = mix(Rgb{110, 160, 220}, Rgb{240, 235, 220}, v / 0.45);
        const double cloud = fbm(u * 5, v * 12, 131);
        if (cloud > 0.6)
            sky = mix(sky, Rgb{255, 255, 255}, (cloud - 0.6) * 2.5);
        return sky;
    }
    const double depth = (v - 0.45) / 0.55;  // 0 at the horizon, 1 at the bottom
    const double across = (u - 0.5) / (0.05 + depth);
    const double rows = 0.5 + 0.5 * std::cos(across * 30);
    Rgb lav = mix(Rgb{120, 90, 170}, Rgb{150, 100, 200}, fbm(u * 100 * (1 + depth), v * 100, 137, 3));
    Rgb soil{90, 110, 50};
    Rgb c = mix(soil, lav, std::pow(rows, 0.6));
    if (depth < 0.08)
        c = mix(Rgb{110, 120, 140}, c, depth / 0.08);
    return scale(c, 0.8 + 0.4 * depth);
}

bool writeCapped(const QImage& image, const QString& path)
{
    for (int quality = 88; quality >= 40; quality -= 4) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        writer.setOptimizedWrite(true);
        if (!writer.write(image))
            return false;
        if (bytes.size() <= kMaxBytes) {
            QFile out(path);
            return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
        }
    }
    return false;
}

// The program's 152 × 112 logo: a lens of light turning like a vane over a night sky,
// with the name below.
QImage paintLogo()
{
    QImage logo(152, 112, QImage::Format_RGB32);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 112);
    sky.setColorAt(0, QColor(18, 24, 70));
    sky.setColorAt(0.7, QColor(70, 40, 120));
    sky.setColorAt(1, QColor(200, 90, 80));
    p.fillRect(logo.rect(), sky);
    const QPointF centre(76, 42);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(i * 45 + 10);
        QLinearGradient blade(0, 0, 34, 0);
        blade.setColorAt(0, QColor(255, 230, 150, 230));
        blade.setColorAt(1, QColor(255, 140, 60, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(blade);
        QPainterPath path;
        path.moveTo(0, 0);
        path.cubicTo(12, -10, 26, -8, 34, -2);
        path.cubicTo(24, 2, 12, 4, 0, 0);
        p.drawPath(path);
        p.restore();
    }
    QRadialGradient sun(centre, 15);
    sun.setColorAt(0, QColor(255, 255, 235));
    sun.setColorAt(0.6, QColor(255, 215, 120));
    sun.setColorAt(1, QColor(255, 160, 60));
    p.setBrush(sun);
    p.setPen(QPen(QColor(255, 250, 220), 1.2));
    p.drawEllipse(centre, 13, 13);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 120));
    p.drawText(QRectF(1, 79, 152, 28), Qt::AlignCenter, QStringLiteral("Lumivane"));
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRectF(0, 78, 152, 28), Qt::AlignCenter, QStringLiteral("Lumivane"));
    p.end();
    return logo;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--logo") {
        QGuiApplication app(argc, argv);  // fonts need the application
        return paintLogo().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    QGuiApplication::setApplicationName(QStringLiteral("sample_generator"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: sample_generator OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const struct {
        const char* name;
        int w, h;
        Shader shade;
    } samples[] = {
        {"coucher-de-soleil.jpg", 1600, 1000, sunsetSea},
        {"montagnes.jpg", 1600, 1067, mountains},
        {"lac-du-soir.jpg", 1440, 960, lakeReflection},
        {"dunes.jpg", 1600, 900, dunes},
        {"aurore-boreale.jpg", 1280, 960, aurora},
        {"lavande.jpg", 1600, 1067, lavender},
    };
    uint32_t seed = 1;
    for (const auto& s : samples) {
        const QImage image = render(s.w, s.h, seed++, s.shade);
        const QString path = folder + QLatin1Char('/') + QLatin1String(s.name);
        if (!writeCapped(image, path)) {
            std::fprintf(stderr, "sample_generator: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
