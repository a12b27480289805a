#include "render/builtin_circuit.h"

#include <QImage>

#include "core/error.h"

// The resource lives in a static library: nothing would pull it into the program
// unless it is initialised by name, which must happen outside any namespace.
static void InitCircuitResource() {
  static const bool done = [] {
    Q_INIT_RESOURCE(circuit);
    return true;
  }();
  (void)done;
}

namespace vorlanth {

std::unique_ptr<QtPicture> LoadBuiltinCircuit() {
  InitCircuitResource();
  QImage image(QString::fromLatin1(kBuiltinCircuitResource));
  if (image.isNull()) {
    throw Error("The built-in circuit cannot be read: the program was built without it.");
  }
  return std::make_unique<QtPicture>(std::move(image));
}

}  // namespace vorlanth
