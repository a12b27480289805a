#include "render/builtin_circuit.h"

#include <QFile>

#include "core/error.h"
#include "render/bmp_reader.h"

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
  QFile file(QString::fromLatin1(kBuiltinCircuitResource));
  if (!file.open(QIODevice::ReadOnly)) {
    throw Error("The built-in circuit cannot be read: the program was built without it.");
  }
  return std::make_unique<QtPicture>(DecodeBmp(file.readAll(), kBuiltinCircuitResource));
}

}  // namespace vorlanth
