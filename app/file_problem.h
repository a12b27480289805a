#pragma once
// A file the user named that cannot be found, read, understood or written: the
// user's to fix, so the window says so in a plain message naming the file and the
// reason, not in a crash report.
//
// The line: only the program's own Error (the message it gives about the file),
// raised while the file is read or written, becomes a problem with the file.
// Anything else raised meanwhile (a broken invariant, memory) is a fault of the
// program and keeps its crash report, as every other error does.

#include <QString>

#include <string>
#include <utility>

#include "core/error.h"

namespace vorlanth {

class TFileProblem : public Error {
 public:
  TFileProblem(QString fileName, const std::string& reason) : Error(reason), FileName(std::move(fileName)) {}
  QString FileName;  // as the user named it
};

// Runs `work`; an Error it raises comes out as a problem with the file.
template <typename Work>
decltype(auto) AsFileProblem(const QString& fileName, Work&& work) {
  try {
    return std::forward<Work>(work)();
  } catch (const TFileProblem&) {
    throw;
  } catch (const Error& error) {
    throw TFileProblem(fileName, error.what());
  }
}

}  // namespace vorlanth
