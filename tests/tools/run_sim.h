#pragma once
// The runner's tests run it in process, as `vorlanth-sim` would with these
// arguments, and read back what it wrote.

#include <QFile>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/simulator.h"

namespace vorlanth {

struct TRun {
  int Code;
  std::string Out, Err;
};

inline TRun RunSim(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunSimulator(args, out, err, false);
  return {code, out.str(), err.str()};
}

// A file's bytes; empty when it cannot be read.
inline QByteArray Bytes(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The same as a string.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vorlanth
