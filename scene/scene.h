#pragma once
// A scene: the whole world of the bench as one JSON document, saved with the
// extension .vorlanth.json. It holds the circuit (built in, or a picture file
// named relative to the scene with the SHA-256 of its pixels), the track's
// settings, the team with its goals and players (every value of every present
// state by parameter name, every setting, every goal's parameters and what it
// keeps: drops, storage box...), the cycle number and the world's random stream. A saved
// run reopened continues exactly as the run that never stopped.
//
// Reading refuses what it does not understand: an unknown field, a key given
// twice, a missing one, a wrong type, a value out of its bounds or a newer format,
// each with the file, the field's path (teams[0].players[3].goals.items[1].strength)
// and the reason. It reads into a fresh track and team that the caller swaps in
// only once the whole file was read. Saving writes only a scene that reads back as
// the very world it holds.

#include <QByteArray>

#include <memory>
#include <string>

#include "core/elementary.h"
#include "core/random.h"

namespace vorlanth {

class Picture;
class QtPicture;
class TTeam;
class TTrack2D;

// 2: the model's version is recorded, and reals a JSON number cannot hold are
// strings. A version 1 file reads the same way; its model is the first.
inline constexpr int32_t SceneFormatVersion = 2;
inline constexpr char SceneExtension[] = ".vorlanth.json";
// Scene files larger than this are refused before they are read.
inline constexpr int64_t MaxSceneBytes = 64 * 1024 * 1024;
// Players a scene may hold: a kart takes about 9 KB, so no more fit in MaxSceneBytes.
inline constexpr int64_t MaxScenePlayers = 7000;

// Where a world's circuit comes from: a picture file (its name's bytes), or the
// built-in circuit when empty; and the SHA-256 of its pixels when known (a scene
// computes it otherwise, once per document: whoever keeps the circuit keeps it).
struct TSceneCircuit {
  std::string Path;
  std::string Sha256;
};

// The SHA-256 of a circuit's pixels, in hexadecimal: width, height, then every
// colour value, all little-endian 32-bit words.
std::string CircuitDigest(const Picture& picture);

// What reading a scene gives besides the world it filled in.
struct TSceneRead {
  TSceneCircuit Circuit;
  std::unique_ptr<QtPicture> Picture;  // the circuit the track was built from
  int32_t Model = ModelVersion;        // the model that saved it; an earlier one's world goes on under this one
};

// The scene of the track (with its one team) as a JSON document, the circuit
// named relative to `sceneFile`, with the track's random seed and stream.
// Throws Error when the world holds something a scene cannot describe.
QByteArray SceneDocument(const TTrack2D& track, const TSceneCircuit& circuit, const std::string& sceneFile);
// Writes the scene file under a temporary name until every byte is written, once
// it has read back as the same world; throws Error naming the file and the reason.
void SaveScene(const std::string& sceneFile, const TTrack2D& track, const TSceneCircuit& circuit);

// Reads a scene into a fresh track (no circuit, no team) and a fresh team. Throws
// Error naming the file, the field and the reason; the track and team are then to
// be thrown away. Read, the track's random stream goes on where the scene's was.
TSceneRead ReadScene(const std::string& sceneFile, TTrack2D& track, TTeam& team);
// The same from the document's bytes; `sceneFile` names it in messages and
// anchors the circuit's relative path.
TSceneRead ReadSceneDocument(const QByteArray& json, const std::string& sceneFile, TTrack2D& track, TTeam& team);

// Whether a name is a scene file's (ends with SceneExtension).
bool IsSceneFileName(const std::string& name);

}  // namespace vorlanth
