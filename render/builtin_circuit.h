#pragma once
// The circuit compiled into the program, so the window and the headless runner
// start without any file beside them.

#include <memory>

#include "render/qt_picture.h"

namespace vorlanth {

// Where the circuit lives among the Qt resources.
inline constexpr const char* kBuiltinCircuitResource = ":/vorlanth/circuit.bmp";

// The built-in 800 x 600 circuit; throws Error if it cannot be read.
std::unique_ptr<QtPicture> LoadBuiltinCircuit();

}  // namespace vorlanth
