#include "world2d/track2d.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "core/error.h"
#include "core/player.h"
#include "core/rounding.h"
#include "core/team.h"
#include "world2d/kart.h"
#include "world2d/physic2d.h"
#include "world2d/rocket.h"
#include "world2d/wall_clearance.h"

namespace vorlanth {

TTrack2D::TTrack2D() { WorldKind = wkTrack2D; }
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
  std::vector<uint8_t> clearance = BuildWallClearance(cells, width, height);
  std::unique_ptr<Picture> background = picture.Clone();

  Cells = std::move(cells);
  WallClearance = std::move(clearance);
  CellData = Cells.data();
  ClearanceData = WallClearance.data();
  GridWidth = width;
  GridHeight = height;
  CellLimitX = static_cast<uint32_t>(std::max(width - 1, 0));
  CellLimitY = static_cast<uint32_t>(std::max(height - 1, 0));
  Background = std::move(background);
  static std::atomic<uint64_t> loaded{0};
  CircuitSerial = ++loaded;
}

void TTrack2D::CopyCircuitFrom(const TTrack2D& other) {
  if (&other == this) return;
  // Read through the grid's pointers, which a replica shares with its world.
  const bool loaded = other.HasCircuit();
  const size_t size = loaded ? static_cast<size_t>(other.GridWidth) * static_cast<size_t>(other.GridHeight) : 0;
  std::unique_ptr<Picture> background = other.Background ? other.Background->Clone() : nullptr;
  std::vector<uint8_t> cells(other.CellData, other.CellData + size);
  std::vector<uint8_t> clearance(other.ClearanceData, other.ClearanceData + size);
  Cells = std::move(cells);
  WallClearance = std::move(clearance);
  CellData = loaded ? Cells.data() : nullptr;
  ClearanceData = loaded ? WallClearance.data() : nullptr;
  GridWidth = other.GridWidth;
  GridHeight = other.GridHeight;
  CellLimitX = other.CellLimitX;
  CellLimitY = other.CellLimitY;
  Background = std::move(background);
  CircuitSerial = other.CircuitSerial;
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
  ByLeft.resize(Bodies.size());
  for (size_t i = 0; i < ByLeft.size(); ++i) ByLeft[i] = static_cast<int32_t>(i);
  Candidates.reserve(Bodies.size());
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
  return CellData[static_cast<size_t>(ix) * static_cast<size_t>(GridHeight) + static_cast<size_t>(iy)] == 0;
}

bool TTrack2D::ReadMouse(int32_t& x, int32_t& y) const {
  x = -1;
  y = -1;
  if (Mouse.Frozen) {
    x = Mouse.X;
    y = Mouse.Y;
    return Mouse.Valid;
  }
  return MouseSource && MouseSource(x, y);
}

int32_t TTrack2D::MouseX() const {
  int32_t x, y;
  return ReadMouse(x, y) ? x : -1;
}

int32_t TTrack2D::MouseY() const {
  int32_t x, y;
  return ReadMouse(x, y) ? y : -1;
}

bool TTrack2D::MouseInTrack() const {
  int32_t x, y;
  if (!ReadMouse(x, y)) return false;
  return 0 < x && x < Width() && 0 < y && y < Height();
}

void TTrack2D::BeginPasses() {
  Mouse.Frozen = false;
  Mouse.Valid = ReadMouse(Mouse.X, Mouse.Y);
  Mouse.Frozen = true;
}

std::unique_ptr<TTrack> TTrack2D::NewReplica() const { return std::make_unique<TTrack2D>(); }

void TTrack2D::MirrorInto(TTrack& replica) const {
  TTrack::MirrorInto(replica);
  auto& copy = static_cast<TTrack2D&>(replica);
  static_cast<TCircuitGrid&>(copy) = *this;
  // The cursor as it was read before the passes (frozen): a replica never asks
  // the window (it may be filled on another thread).
  copy.Mouse = Mouse;
  // A replica draws only when the world does, and then into its recording.
  if (ImageCanvas && !copy.Recording) copy.Recording = std::make_unique<TRecordingCanvas>();
  if (copy.Recording) copy.Recording->Clear();
  copy.ImageCanvas = ImageCanvas ? copy.Recording.get() : nullptr;
}

void TTrack2D::ReplayDrawing(const TTrack& replica, size_t from, size_t to) {
  const auto& copy = static_cast<const TTrack2D&>(replica);
  if (ImageCanvas && copy.Recording) copy.Recording->Replay(from, to, *ImageCanvas);
}

void TTrack2D::DrawBackground() {
  if (ImageCanvas && Background) ImageCanvas->DrawPicture(*Background);
}

void TTrack2D::FuturesDrawn() {
  if (KeepsFuturesLayer && ImageCanvas) ImageCanvas->KeepLayer();
}

void TTrack2D::DrawAsLastCycle() {
  if (!ImageCanvas || !ImageCanvas->PutBackLayer()) {
    Draw(-1);
    return;
  }
  for (TTeam* team : Teams) team->DrawGoals();
  Draw(1);
}

void TTrack2D::SortByLeft() {
  // Insertion sort: from one step to the next the order hardly changes.
  for (size_t k = 1; k < ByLeft.size(); ++k) {
    const int32_t body = ByLeft[k];
    const double left = Boxes[static_cast<size_t>(body)].Left;
    size_t m = k;
    for (; m > 0 && Boxes[static_cast<size_t>(ByLeft[m - 1])].Left > left; --m) ByLeft[m] = ByLeft[m - 1];
    ByLeft[m] = body;
  }
}

void TTrack2D::FindCandidates(int32_t i, int32_t after, double widest) {
  const TBox& a = Boxes[static_cast<size_t>(i)];
  // A square meeting this one has its left side within [a.Left - widest, a.Right];
  // the pixel of slack covers the rounding of Right - Left.
  const double from = a.Left - widest - 1;
  const auto leftOf = [this](int32_t body) { return Boxes[static_cast<size_t>(body)].Left; };
  auto k = std::lower_bound(ByLeft.begin(), ByLeft.end(), from,
                            [&](int32_t body, double x) { return leftOf(body) < x; });
  Candidates.clear();
  for (; k != ByLeft.end() && leftOf(*k) <= a.Right; ++k)
    if (*k > after && BoxesMeet(a, Boxes[static_cast<size_t>(*k)])) Candidates.push_back(*k);
  std::sort(Candidates.begin(), Candidates.end());
}

void TTrack2D::DrainRocket(TPhysic2D& a, TPhysic2D& b, const TPairImpulses& impulses) {
  if (!Evolution || a.IsDead() || b.IsDead()) return;
  TKart* kart = AsKart(&a);
  TRocket* rocket = AsRocket(&b);
  if (!kart || !rocket) {
    kart = AsKart(&b);
    rocket = AsRocket(&a);
  }
  if (!kart || !rocket) return;
  // The kart is healed by the impulse the second body of the pair received.
  kart->SetHealth(kart->GetHealth() + impulses.B);
  const double taken = std::min(rocket->GetEnergy(), MaxTheft);
  kart->SetEnergy(kart->GetEnergy() + TheftYield * taken);
  rocket->SetEnergy(rocket->GetEnergy() - taken);
}

void TTrack2D::CollidePairs() {
  // Every unordered pair once, in list order; a body moved by an earlier pair is
  // tested in its new place by the later ones. The broad phase finds the pairs
  // whose squares meet, exactly those the full double loop would test.
  const int32_t count = PlayerCount();
  for (int32_t i = 0; i < count; ++i) Boxes[static_cast<size_t>(i)] = BoxOf(GetPhysic(i));
  // Every body was found above to be a physics body; the list stays as it is
  // through the pass, so the rest of it looks them up directly.
  const auto body = [this](int32_t i) -> TPhysic2D& { return *Bodies[static_cast<size_t>(i)]; };
  if (count <= kPlainPairLimit) {
    // Few bodies: every later square is looked at in turn, which costs less than
    // keeping the order by left side. The pairs are the same, in the same order:
    // only a resolution moves squares, those of i and j, and the loop goes on
    // after j with the new square of i, as the search below starts again there.
    TBox* const boxes = Boxes.data();
    TBox* const end = boxes + count;
    for (int32_t i = 0; i + 1 < count; ++i) {
      TPhysic2D& a = body(i);
      TBox box = boxes[static_cast<size_t>(i)];
      for (TBox* other = boxes + i + 1; other != end; ++other) {
        if (!BoxesMeet(box, *other)) continue;
        const auto j = static_cast<int32_t>(other - boxes);
        TPhysic2D& b = body(j);
        const TContact contact = a.Overlap(b);
        if (!contact.Touching) continue;
        const TPairImpulses impulses = TPhysic2D::ResolveCollision(a, b, contact);
        DrainRocket(a, b, impulses);
        box = BoxOf(a);
        boxes[static_cast<size_t>(i)] = box;
        *other = BoxOf(b);
      }
    }
    return;
  }
  double widest = 0;
  for (int32_t i = 0; i < count; ++i) {
    const TBox& box = Boxes[static_cast<size_t>(i)];
    widest = std::max(widest, box.Right - box.Left);
  }
  SortByLeft();
  // A crowd has many pairs whose squares meet and whose bodies still lie apart:
  // their rectangles tell most of them without an outline.
  for (int32_t i = 0; i + 1 < count; ++i) {
    TPhysic2D& a = body(i);
    int32_t after = i;  // the pairs (i, j) with j <= after are done
    bool resolved = true;
    while (resolved) {
      resolved = false;
      FindCandidates(i, after, widest);
      for (const int32_t j : Candidates) {
        after = j;
        TPhysic2D& b = body(j);
        if (TPhysic2D::FramesApart(a, b)) continue;
        const TContact contact = a.Overlap(b);
        if (!contact.Touching) continue;
        const TPairImpulses impulses = TPhysic2D::ResolveCollision(a, b, contact);
        DrainRocket(a, b, impulses);
        // Both squares moved: the rest of this body's pairs are sought again.
        Boxes[static_cast<size_t>(i)] = BoxOf(a);
        Boxes[static_cast<size_t>(j)] = BoxOf(b);
        SortByLeft();
        resolved = true;
        break;
      }
    }
  }
}

void TTrack2D::Step() {
  const int32_t count = PlayerCount();

  // Phase 1: body against body.
  if (Collisions && count >= 2) CollidePairs();

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
