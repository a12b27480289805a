#include "world2d/track2d.h"

#include <string>

#include "core/error.h"
#include "core/player.h"
#include "core/rounding.h"
#include "world2d/physic2d.h"

namespace vorlanth {

TTrack2D::TTrack2D() = default;
TTrack2D::~TTrack2D() = default;

void TTrack2D::LoadFromImage(const Picture& picture) {
  const int32_t width = picture.Width();
  const int32_t height = picture.Height();
  if (width <= 0 || height <= 0)
    throw Error("The circuit picture is empty (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels); the previous circuit is kept.");

  // Build everything aside first, so that a failure leaves the previous circuit.
  std::vector<uint8_t> cells(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t x = 0; x < width; ++x) {
    const size_t column = static_cast<size_t>(x) * static_cast<size_t>(height);
    for (int32_t y = 0; y < height; ++y) {
      // Only pure black is wall; however dark, any other colour is track. Only the
      // three colour bytes count.
      const auto colour = static_cast<uint32_t>(picture.Pixel(x, y)) & 0xFFFFFFu;
      cells[column + static_cast<size_t>(y)] = colour == 0 ? 1 : 0;
    }
  }
  std::unique_ptr<Picture> background = picture.Clone();

  Cells = std::move(cells);
  GridWidth = width;
  GridHeight = height;
  Background = std::move(background);
}

TPhysic2D& TTrack2D::GetPhysic(int32_t i) {
  TPhysic2D* body = i >= 0 && static_cast<size_t>(i) < Bodies.size() ? Bodies[static_cast<size_t>(i)] : nullptr;
  if (!body) throw Error("Track2D contains a player that is not a Physic2D player.");
  return *body;
}

void TTrack2D::RebuildPlayerList() {
  TTrack::RebuildPlayerList();
  Bodies.clear();
  for (TPlayer* player : Players) Bodies.push_back(dynamic_cast<TPhysic2D*>(player));
  Boxes.resize(Bodies.size());
}

TTrack2D::TBox TTrack2D::BoxOf(const TPhysic2D& body) {
  return {body.GetLeft(), body.GetRight(), body.GetTop(), body.GetBottom()};
}

bool TTrack2D::InBounds(double x, double y) const { return CellInBounds(Round32(x), Round32(y)); }

bool TTrack2D::IsOnTrack(double x, double y) const {
  // Rounded once: this runs for every corner of every body in every sub-step.
  const int32_t ix = Round32(x);
  const int32_t iy = Round32(y);
  if (!CellInBounds(ix, iy)) return false;
  return Cells[static_cast<size_t>(ix) * static_cast<size_t>(GridHeight) + static_cast<size_t>(iy)] == 0;
}

int32_t TTrack2D::MouseX() const {
  int32_t x = -1;
  int32_t y = -1;
  if (!MouseSource || !MouseSource(x, y)) return -1;
  return x;
}

int32_t TTrack2D::MouseY() const {
  int32_t x = -1;
  int32_t y = -1;
  if (!MouseSource || !MouseSource(x, y)) return -1;
  return y;
}

bool TTrack2D::MouseInTrack() const {
  int32_t x = -1;
  int32_t y = -1;
  if (!MouseSource || !MouseSource(x, y)) return false;
  return 0 < x && x < Width() && 0 < y && y < Height();
}

void TTrack2D::DrawBackground() {
  if (ImageCanvas && Background) ImageCanvas->DrawPicture(*Background);
}

void TTrack2D::Step() {
  const int32_t count = PlayerCount();

  // Phase 1: every unordered pair once, in list order; a body moved by an earlier
  // pair is tested in its new place by the later ones.
  if (Collisions && count >= 2) {
    // The squares are taken once, and again for the two bodies of a resolved pair.
    for (int32_t i = 0; i < count; ++i) Boxes[static_cast<size_t>(i)] = BoxOf(GetPhysic(i));
    for (int32_t i = 0; i + 1 < count; ++i) {
      TPhysic2D& a = GetPhysic(i);
      const TBox& boxA = Boxes[static_cast<size_t>(i)];
      for (int32_t j = i + 1; j < count; ++j) {
        const TBox& boxB = Boxes[static_cast<size_t>(j)];
        // Bounding squares; squares that only touch go on to the outline test.
        if (boxB.Right < boxA.Left || boxB.Left > boxA.Right || boxB.Bottom < boxA.Top ||
            boxB.Top > boxA.Bottom)
          continue;
        TPhysic2D& b = GetPhysic(j);
        const TContact contact = a.Overlap(b);
        if (!contact.Touching) continue;
        TPhysic2D::ResolveCollision(a, b, contact);
        Boxes[static_cast<size_t>(i)] = BoxOf(a);
        Boxes[static_cast<size_t>(j)] = BoxOf(b);
      }
    }
  }

  // Phase 2: every body against the walls. Bounce starts with the wall test,
  // which keeps the pose of a body clear of walls. Before a circuit is loaded
  // there are no walls to test against.
  const bool hasCircuit = HasCircuit();
  for (int32_t i = 0; i < count; ++i) {
    TPhysic2D& body = GetPhysic(i);
    if (hasCircuit) body.Bounce();
  }
}

}  // namespace vorlanth
