// Draws the built-in circuit, render/resources/circuit.bmp: a white free-form open
// area on black, with a straight floor and three round islands. Run by hand when
// the circuit changes; the picture itself is committed.
//
// With --narrow it draws the league's second circuit instead: one closed loop of
// corridors a few bodies wide, winding over the picture.
//
//   vorlanth-make-circuit [--narrow] [output.bmp]

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <numbers>
#include <string>

namespace {

constexpr int kWidth = 800;   // pixels
constexpr int kHeight = 600;  // pixels

// The open area: a rounded blob (a superellipse with a gentle wobble) around the
// middle of the picture, cut flat at the floor line.
constexpr double kCentreX = 400;
constexpr double kCentreY = 300;
constexpr double kHalfWidth = 352;      // to the left and right edges
constexpr double kHalfHeightUp = 277;   // to the top edge
constexpr double kHalfHeightDown = 340; // below the floor, cut away
constexpr double kRoundness = 2.6;      // 2 is an ellipse, larger is squarer
constexpr int kOutlinePoints = 1440;
// Everything from this row down is black: a rocket let fall from the start
// place lands flat on it.
constexpr int kFloorY = 545;

struct Island {
  double x, y, radius;  // pixels
};
// Away from the start places, the ring of karts and the rocket's column, with
// open track all around each.
constexpr Island kIslands[] = {{190, 160, 35}, {610, 150, 35}, {670, 400, 32}};

// Radius factor along the outline: a few slow bumps so the area is not a
// symmetric shape.
double Wobble(double t) {
  return 1 + 0.022 * std::sin(3 * t + 0.9) + 0.018 * std::sin(5 * t + 2.4) +
         0.012 * std::sin(2 * t + 4.0);
}

// Signed power keeping the side: the superellipse's coordinate for cos or sin.
double SignedPow(double v, double p) { return std::copysign(std::pow(std::abs(v), p), v); }

QPainterPath OpenArea() {
  QPainterPath blob;
  const double p = 2 / kRoundness;
  for (int i = 0; i < kOutlinePoints; ++i) {
    const double t = 2 * std::numbers::pi * i / kOutlinePoints;
    const double c = std::cos(t);
    const double s = std::sin(t);  // positive is down on screen
    const double k = Wobble(t);
    const double x = kCentreX + kHalfWidth * SignedPow(c, p) * k;
    const double y = kCentreY + (s < 0 ? kHalfHeightUp : kHalfHeightDown) * SignedPow(s, p) * k;
    if (i == 0) {
      blob.moveTo(x, y);
    } else {
      blob.lineTo(x, y);
    }
  }
  blob.closeSubpath();
  QPainterPath above_floor;
  above_floor.addRect(QRectF(0, 0, kWidth, kFloorY));
  return blob.intersected(above_floor);
}

QImage DrawCircuit() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(OpenArea());
    painter.setBrush(Qt::black);
    for (const Island& island : kIslands) {
      painter.drawEllipse(QPointF(island.x, island.y), island.radius, island.radius);
    }
  }
  // Only greys: the edge shades keep R = G = B.
  for (int y = 0; y < kHeight; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      const int v = qGray(line[x]);
      line[x] = qRgb(v, v, v);
    }
  }
  return image;
}

// The narrow circuit: a serpentine loop of straight corridors with round
// corners, each CorridorWidth pixels across, everything else wall.
constexpr double kCorridorWidth = 30;
constexpr QPointF kCorridorLoop[] = {{100, 90},  {700, 90},  {700, 220}, {260, 220},
                                     {260, 350}, {700, 350}, {700, 505}, {100, 505}};

QImage DrawNarrowCircuit() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainterPath loop;
  loop.addPolygon(QPolygonF(std::begin(kCorridorLoop), std::end(kCorridorLoop)));
  loop.closeSubpath();
  QPainter painter(&image);
  // No antialiasing: two colours only, every corridor pixel pure white.
  painter.setPen(QPen(Qt::white, kCorridorWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(loop);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  bool narrow = false;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--narrow") {
      narrow = true;
    } else if (arg.empty() || arg[0] == '-' || !output.empty()) {
      std::fprintf(stderr, "usage: vorlanth-make-circuit [--narrow] [output.bmp]\n");
      return 2;
    } else {
      output = arg;
    }
  }
  if (output.empty()) output = narrow ? "narrow.bmp" : "circuit.bmp";
  // Saved with Qt directly: the render library embeds the built-in picture.
  const QImage image = narrow ? DrawNarrowCircuit() : DrawCircuit();
  if (!image.save(QString::fromStdString(output), "BMP")) {
    std::fprintf(stderr, "Cannot write the circuit picture \"%s\".\n", output.c_str());
    return 1;
  }
  if (narrow) {
    std::printf("Wrote %s (%d x %d, corridors %g pixels wide)\n", output.c_str(), kWidth, kHeight,
                kCorridorWidth);
  } else {
    std::printf("Wrote %s (%d x %d, floor at y = %d)\n", output.c_str(), kWidth, kHeight, kFloorY);
  }
  return 0;
}
