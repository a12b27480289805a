#include "render/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <cstdio>

#include <vector>

#include "core/error.h"

namespace vorlanth {

namespace {

// Where a symbolic link points, as its bytes; empty when it cannot be read.
std::string LinkTarget(const QByteArray& path) {
  std::vector<char> target(4096);
  const ssize_t size = ::readlink(path.constData(), target.data(), target.size());
  if (size <= 0 || static_cast<size_t>(size) >= target.size()) return {};
  return std::string(target.data(), static_cast<size_t>(size));
}

}  // namespace

QString DecodeFileName(const std::string& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string EncodeFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

std::string FrameFileName(const std::string& prefix, int64_t counter) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%5.5lld", static_cast<long long>(counter));
  return prefix + "_" + digits + ".bmp";
}

void CheckOutputName(const QString& name, const std::string& failure) {
  const QByteArray path = QFile::encodeName(name);
  struct stat info {};
  if (::lstat(path.constData(), &info) != 0 || S_ISREG(info.st_mode)) return;
  if (S_ISLNK(info.st_mode)) {
    const std::string target = LinkTarget(path);
    throw Error(failure + "the name is a symbolic link" +
                (target.empty() ? std::string() : " to \"" + target + "\"") +
                ", and an output never writes through a link: remove it or give another name.");
  }
  if (S_ISDIR(info.st_mode)) throw Error(failure + "the name is a folder, not a file.");
  throw Error(failure + "the name is not a regular file (a pipe, a device or a socket).");
}

QString ExactFileName(const std::string& bytes, const std::string& failure) {
  const QString name = DecodeFileName(bytes);
  if (EncodeFileName(name) != bytes)
    throw Error(failure + "the name is not valid UTF-8, the encoding file names are written in, "
                          "so the file would be written under another name: give a UTF-8 name.");
  return name;
}

QString OutputName(const std::string& bytes, const std::string& failure) {
  const QString name = ExactFileName(bytes, failure);
  CheckOutputName(name, failure);
  return name;
}

}  // namespace vorlanth
