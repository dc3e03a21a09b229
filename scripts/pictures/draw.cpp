// Draws the program's pictures and icons with QPainter and writes them in the format their
// names promise: PNG through Qt, GIF and ICO by the small encoders below (Qt writes neither
// a GIF nor an ICO with several sizes).
//
//   draw <output folder>
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::string;

void PutU16(Bytes& b, unsigned v) {
  b += char(v & 0xFF);
  b += char((v >> 8) & 0xFF);
}
void PutU32(Bytes& b, unsigned v) {
  PutU16(b, v & 0xFFFF);
  PutU16(b, v >> 16);
}

// ---- GIF -------------------------------------------------------------------------------

// Variable-width LZW codes packed least significant bit first, as GIF wants.
class BitPacker {
 public:
  void Put(unsigned code, int width) {
    acc_ |= code << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      out_ += char(acc_ & 0xFF);
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  Bytes Finish() {
    if (bits_ > 0) out_ += char(acc_ & 0xFF);
    return out_;
  }

 private:
  unsigned acc_ = 0;
  int bits_ = 0;
  Bytes out_;
};

Bytes Lzw(const std::vector<uint8_t>& pixels) {
  const unsigned clear = 256, end = 257;
  BitPacker bits;
  std::map<std::pair<int, uint8_t>, unsigned> table;
  unsigned next = 258;
  int width = 9;
  bits.Put(clear, width);
  int prefix = -1;
  for (uint8_t p : pixels) {
    if (prefix < 0) {
      prefix = p;
      continue;
    }
    auto it = table.find({prefix, p});
    if (it != table.end()) {
      prefix = int(it->second);
      continue;
    }
    bits.Put(unsigned(prefix), width);
    if (next == 4096) {
      bits.Put(clear, width);
      table.clear();
      next = 258;
      width = 9;
    } else {
      table[{prefix, p}] = next++;
      if (next > (1u << width) && width < 12) ++width;
    }
    prefix = p;
  }
  if (prefix >= 0) bits.Put(unsigned(prefix), width);
  bits.Put(end, width);
  return bits.Finish();
}

// 255 colours chosen by popularity on a 5-bit grid; index 255 is transparent.
Bytes EncodeGif(const QImage& source) {
  QImage img = source.convertToFormat(QImage::Format_ARGB32);
  auto key = [](QRgb c) { return (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3); };
  std::map<int, int> counts;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qAlpha(img.pixel(x, y)) >= 128) ++counts[key(img.pixel(x, y))];
  std::vector<std::pair<int, int>> byCount;
  for (auto& [k, n] : counts) byCount.push_back({n, k});
  std::sort(byCount.rbegin(), byCount.rend());
  if (byCount.size() > 255) byCount.resize(255);
  std::vector<QRgb> palette;
  for (auto& [n, k] : byCount)
    palette.push_back(qRgb(((k >> 10) & 31) << 3 | 4, ((k >> 5) & 31) << 3 | 4, (k & 31) << 3 | 4));
  std::vector<uint8_t> pixels;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      QRgb c = img.pixel(x, y);
      if (qAlpha(c) < 128) {
        pixels.push_back(255);
        continue;
      }
      int best = 0, bestDist = 1 << 30;
      for (size_t i = 0; i < palette.size(); ++i) {
        int dr = qRed(c) - qRed(palette[i]), dg = qGreen(c) - qGreen(palette[i]),
            db = qBlue(c) - qBlue(palette[i]);
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) bestDist = d, best = int(i);
      }
      pixels.push_back(uint8_t(best));
    }
  }
  Bytes b = "GIF89a";
  PutU16(b, img.width());
  PutU16(b, img.height());
  b += char(0xF7);  // global table of 256 colours
  b += char(0);
  b += char(0);
  for (int i = 0; i < 256; ++i) {
    QRgb c = i < int(palette.size()) ? palette[i] : qRgb(255, 255, 255);
    b += char(qRed(c));
    b += char(qGreen(c));
    b += char(qBlue(c));
  }
  b += "\x21\xF9\x04\x01";  // graphic control: transparent colour present
  PutU16(b, 0);
  b += char(255);
  b += char(0);
  b += ',';
  PutU16(b, 0);
  PutU16(b, 0);
  PutU16(b, img.width());
  PutU16(b, img.height());
  b += char(0);
  b += char(8);  // minimum code size
  Bytes data = Lzw(pixels);
  for (size_t i = 0; i < data.size(); i += 255) {
    size_t n = std::min<size_t>(255, data.size() - i);
    b += char(n);
    b += data.substr(i, n);
  }
  b += char(0);
  b += ';';
  return b;
}

// ---- ICO -------------------------------------------------------------------------------

// One 32-bit bitmap entry per size, with its AND mask.
Bytes EncodeIco(const std::vector<QImage>& images) {
  std::vector<Bytes> entries;
  for (const QImage& source : images) {
    QImage img = source.convertToFormat(QImage::Format_ARGB32);
    int w = img.width(), h = img.height();
    Bytes e;
    PutU32(e, 40);
    PutU32(e, w);
    PutU32(e, h * 2);
    PutU16(e, 1);
    PutU16(e, 32);
    PutU32(e, 0);
    int maskStride = ((w + 31) / 32) * 4;
    PutU32(e, w * h * 4 + maskStride * h);
    for (int i = 0; i < 4; ++i) PutU32(e, 0);
    for (int y = h - 1; y >= 0; --y)
      for (int x = 0; x < w; ++x) {
        QRgb c = img.pixel(x, y);
        e += char(qBlue(c));
        e += char(qGreen(c));
        e += char(qRed(c));
        e += char(qAlpha(c));
      }
    for (int y = h - 1; y >= 0; --y) {
      Bytes row(maskStride, '\0');
      for (int x = 0; x < w; ++x)
        if (qAlpha(img.pixel(x, y)) < 128) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
      e += row;
    }
    entries.push_back(e);
  }
  Bytes b;
  PutU16(b, 0);
  PutU16(b, 1);
  PutU16(b, entries.size());
  unsigned offset = 6 + 16 * entries.size();
  for (size_t i = 0; i < entries.size(); ++i) {
    int w = images[i].width(), h = images[i].height();
    b += char(w >= 256 ? 0 : w);
    b += char(h >= 256 ? 0 : h);
    b += char(0);
    b += char(0);
    PutU16(b, 1);
    PutU16(b, 32);
    PutU32(b, entries[i].size());
    PutU32(b, offset);
    offset += entries[i].size();
  }
  for (const Bytes& e : entries) b += e;
  return b;
}

// ---- Drawing ---------------------------------------------------------------------------

using Painter = std::function<void(QPainter&, double s)>;

QImage Draw(int w, int h, double unit, const Painter& paint) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  paint(p, unit);
  return img;
}

void Gear(QPainter& p, QPointF c, double r, QColor color) {
  QPainterPath path;
  const int teeth = 8;
  for (int i = 0; i < teeth * 2; ++i) {
    double a0 = (i - 0.5) * M_PI / teeth, a1 = (i + 0.5) * M_PI / teeth;
    double rr = i % 2 == 0 ? r : r * 0.78;
    QPointF p0 = c + QPointF(std::cos(a0) * rr, std::sin(a0) * rr);
    QPointF p1 = c + QPointF(std::cos(a1) * rr, std::sin(a1) * rr);
    if (i == 0)
      path.moveTo(p0);
    else
      path.lineTo(p0);
    path.lineTo(p1);
  }
  path.closeSubpath();
  path.addEllipse(c, r * 0.32, r * 0.32);
  path.setFillRule(Qt::OddEvenFill);
  p.setPen(QPen(color.darker(160), r * 0.06));
  p.setBrush(color);
  p.drawPath(path);
}

// A sheet of paper with a folded corner.
void Sheet(QPainter& p, QRectF r, QColor paper = QColor(255, 255, 255)) {
  double fold = r.width() * 0.28;
  QPainterPath path;
  path.moveTo(r.topLeft());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.bottomRight());
  path.lineTo(r.bottomLeft());
  path.closeSubpath();
  p.setPen(QPen(QColor(90, 90, 110), std::max(1.0, r.width() * 0.05)));
  p.setBrush(paper);
  p.drawPath(path);
  QPainterPath corner;
  corner.moveTo(r.right() - fold, r.top());
  corner.lineTo(r.right() - fold, r.top() + fold);
  corner.lineTo(r.right(), r.top() + fold);
  p.setBrush(QColor(215, 215, 225));
  p.drawPath(corner);
}

void Lines(QPainter& p, QRectF r, int n, QColor color) {
  p.setPen(QPen(color, std::max(1.0, r.height() / (n * 3.0))));
  for (int i = 0; i < n; ++i) {
    double y = r.top() + (i + 0.5) * r.height() / n;
    double right = i == n - 1 ? r.left() + r.width() * 0.6 : r.right();
    p.drawLine(QPointF(r.left(), y), QPointF(right, y));
  }
}

void Envelope(QPainter& p, QRectF r) {
  p.setPen(QPen(QColor(120, 90, 40), std::max(1.0, r.width() * 0.04)));
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(255, 236, 170));
  g.setColorAt(1, QColor(236, 200, 110));
  p.setBrush(g);
  p.drawRoundedRect(r, r.width() * 0.05, r.width() * 0.05);
  QPainterPath flap;
  flap.moveTo(r.topLeft());
  flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
  flap.lineTo(r.topRight());
  p.setBrush(Qt::NoBrush);
  p.drawPath(flap);
}

void Label(QPainter& p, QRectF r, const QString& text, QColor bg, QColor fg) {
  p.setPen(Qt::NoPen);
  p.setBrush(bg);
  p.drawRoundedRect(r, r.height() * 0.2, r.height() * 0.2);
  QFont f("DejaVu Sans");
  f.setBold(true);
  f.setPixelSize(std::max(6, int(r.height() * 0.78)));
  p.setFont(f);
  p.setPen(fg);
  p.drawText(r, Qt::AlignCenter, text);
}

void Zip(QPainter& p, QRectF r) {
  p.setPen(QPen(QColor(60, 60, 60), std::max(1.0, r.width() * 0.04)));
  p.setBrush(QColor(250, 215, 60));
  p.drawRoundedRect(r, r.width() * 0.08, r.width() * 0.08);
  double x = r.center().x();
  p.setPen(QPen(QColor(60, 60, 60), std::max(1.0, r.width() * 0.1)));
  for (double y = r.top() + r.height() * 0.1; y < r.top() + r.height() * 0.55;
       y += r.height() * 0.12)
    p.drawLine(QPointF(x - r.width() * 0.1, y), QPointF(x + r.width() * 0.1, y));
  Label(p,
        QRectF(r.left() + r.width() * 0.12, r.top() + r.height() * 0.62, r.width() * 0.76,
               r.height() * 0.28),
        "ZIP", QColor(60, 60, 60), QColor(250, 215, 60));
}

void Check(QPainter& p, QRectF r, QColor color) {
  QPainterPath path;
  path.moveTo(r.left() + r.width() * 0.12, r.top() + r.height() * 0.55);
  path.lineTo(r.left() + r.width() * 0.40, r.top() + r.height() * 0.82);
  path.lineTo(r.left() + r.width() * 0.88, r.top() + r.height() * 0.20);
  p.setPen(QPen(color, r.width() * 0.18, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void Cross(QPainter& p, QRectF r) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 40, 40));
  p.drawEllipse(r.adjusted(1, 1, -1, -1));
  double m = r.width() * 0.3;
  p.setPen(QPen(Qt::white, r.width() * 0.14, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(r.left() + m, r.top() + m), QPointF(r.right() - m, r.bottom() - m));
  p.drawLine(QPointF(r.right() - m, r.top() + m), QPointF(r.left() + m, r.bottom() - m));
}

// The invoice with its envelope, and the package when `zip` is set.
void Overview(QPainter& p, double s, bool zip) {
  Sheet(p, QRectF(4 * s, 6 * s, 26 * s, 34 * s));
  Lines(p, QRectF(8 * s, 18 * s, 17 * s, 16 * s), 4, QColor(120, 140, 180));
  Label(p, QRectF(7 * s, 9 * s, 16 * s, 7 * s), "XML", QColor(30, 110, 60), Qt::white);
  Envelope(p, QRectF(24 * s, 20 * s, 34 * s, 23 * s));
  Sheet(p, QRectF(36 * s, 2 * s, 20 * s, 26 * s), QColor(255, 250, 250));
  Label(p, QRectF(38 * s, 12 * s, 15 * s, 7 * s), "PDF", QColor(190, 30, 30), Qt::white);
  if (zip) {
    p.setPen(QPen(QColor(60, 90, 160), 2 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(61 * s, 24 * s), QPointF(69 * s, 24 * s));
    p.drawLine(QPointF(66 * s, 21 * s), QPointF(69 * s, 24 * s));
    p.drawLine(QPointF(66 * s, 27 * s), QPointF(69 * s, 24 * s));
    Zip(p, QRectF(72 * s, 8 * s, 22 * s, 32 * s));
  }
}

bool WriteBytes(const QString& path, const Bytes& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw <output folder>\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]) + "/";
  bool ok = true;
  auto png = [&](const char* name, const QImage& img) { ok &= img.save(dir + name, "PNG"); };
  auto gif = [&](const char* name, const QImage& img) {
    ok &= WriteBytes(dir + name, EncodeGif(img));
  };
  auto ico = [&](const char* name, const Painter& paint) {
    ok &= WriteBytes(dir + name, EncodeIco({Draw(16, 16, 0.5, paint), Draw(32, 32, 1, paint),
                                            Draw(48, 48, 1.5, paint)}));
  };

  png("Nastavi.png", Draw(32, 32, 1, [](QPainter& p, double) {
        Gear(p, {16, 16}, 14, QColor(110, 130, 160));
      }));
  png("Nastavi1.png", Draw(64, 44, 1, [](QPainter& p, double) {
        Gear(p, {22, 22}, 19, QColor(110, 130, 160));
        Gear(p, {48, 30}, 12, QColor(200, 150, 60));
      }));
  gif("Vse.GIF", Draw(96, 46, 1, [](QPainter& p, double s) { Overview(p, s, true); }));
  gif("VseBrezZip.GIF", Draw(96, 46, 1, [](QPainter& p, double s) { Overview(p, s, false); }));
  png("Ovojnica.png",
      Draw(32, 32, 1, [](QPainter& p, double) { Envelope(p, QRectF(2, 7, 28, 19)); }));
  png("PdfRacun.PNG", Draw(32, 32, 1, [](QPainter& p, double) {
        Sheet(p, QRectF(6, 2, 21, 28), QColor(255, 250, 250));
        Label(p, QRectF(4, 12, 20, 9), "PDF", QColor(190, 30, 30), Qt::white);
      }));
  gif("xml_naredi.gif", Draw(24, 24, 1, [](QPainter& p, double) {
        Sheet(p, QRectF(3, 1, 16, 21));
        Label(p, QRectF(1, 8, 17, 8), "XML", QColor(30, 110, 60), Qt::white);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 170, 20));
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
          double r = i % 2 == 0 ? 5 : 2, a = i * M_PI / 5 - M_PI / 2;
          star << QPointF(18 + std::cos(a) * r, 18 + std::sin(a) * r);
        }
        p.drawPolygon(star);
      }));
  gif("Izhod.GIF", Draw(24, 24, 1, [](QPainter& p, double) {
        p.setPen(QPen(QColor(90, 60, 30), 1.2));
        p.setBrush(QColor(170, 120, 70));
        p.drawRect(QRectF(3, 2, 11, 20));
        p.setBrush(QColor(240, 200, 80));
        p.drawEllipse(QPointF(11.5, 12), 1.2, 1.2);
        p.setPen(QPen(QColor(30, 120, 40), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(13, 12), QPointF(22, 12));
        p.drawLine(QPointF(18.5, 8.5), QPointF(22, 12));
        p.drawLine(QPointF(18.5, 15.5), QPointF(22, 12));
      }));
  gif("info.gif", Draw(16, 16, 1, [](QPainter& p, double) {
        p.setPen(QPen(QColor(20, 70, 150), 1));
        p.setBrush(QColor(60, 120, 210));
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 4.3), 1.5, 1.5);
        p.drawRoundedRect(QRectF(6.6, 6.6, 2.8, 6.8), 1, 1);
      }));
  ico("PREKLICI.ICO", [](QPainter& p, double s) { Cross(p, QRectF(0, 0, 32 * s, 32 * s)); });
  ico("VREDU.ICO", [](QPainter& p, double s) {
    Check(p, QRectF(1 * s, 2 * s, 30 * s, 28 * s), QColor(30, 140, 50));
  });
  ico("VEVo.ICO", [](QPainter& p, double s) {
    Sheet(p, QRectF(4 * s, 1 * s, 22 * s, 29 * s));
    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(int(18 * s));
    p.setFont(f);
    p.setPen(QColor(20, 80, 170));
    p.drawText(QRectF(2 * s, 6 * s, 24 * s, 22 * s), Qt::AlignCenter, "e");
    Label(p, QRectF(14 * s, 20 * s, 17 * s, 10 * s), "XML", QColor(30, 110, 60), Qt::white);
  });
  if (!ok) std::fprintf(stderr, "draw: could not write every picture into %s\n", argv[1]);
  return ok ? 0 : 1;
}
