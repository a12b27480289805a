// Loads each circuit file named on the command line and prints one line per file:
// its name and a digest of every pixel, or "refused" (and the reason on stderr).
// The fuzz test runs it twice with different fills of fresh memory; the lines
// must agree.

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/error.h"
#include "render/qt_picture.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  for (int i = 1; i < argc; ++i) {
    try {
      const auto picture = vorlanth::LoadPicture(argv[i]);
      uint64_t digest = 1469598103934665603ull;  // FNV-1a over the colour values
      for (int32_t y = 0; y < picture->Height(); ++y)
        for (int32_t x = 0; x < picture->Width(); ++x)
          digest = (digest ^ static_cast<uint32_t>(picture->Pixel(x, y))) * 1099511628211ull;
      std::printf("%s %dx%d %016llx\n", argv[i], picture->Width(), picture->Height(),
                  static_cast<unsigned long long>(digest));
    } catch (const vorlanth::Error& e) {
      std::printf("%s refused\n", argv[i]);
      std::fprintf(stderr, "%s\n", e.what());
    }
  }
  return 0;
}
