// The film's file: unnamed until it is complete (or under a temporary name where
// the file system has none), written through FFmpeg's I/O, then given its name.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "video/ffmpeg_encoder_impl.h"

namespace vorlanth {
namespace {

using ffmpeg::SystemReason;

// Temporary names tried before giving up.
constexpr int kNameAttempts = 100;

// A name beside the film's that is likely free: "film.mp4.k3Xq9Z".
std::string TemporaryName(const std::string& path, std::mt19937& pick) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string name = path + ".";
  for (int i = 0; i < 6; ++i) name += kLetters[pick() % (sizeof kLetters - 1)];
  return name;
}

// The folder a file name is in.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Links an unnamed file, held open as `fd`, to `name`; returns 0 or the system's reason.
int LinkUnnamed(int fd, const std::string& name) {
  const std::string held = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, held.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  const int error = errno;
  // Without /proc: through the descriptor itself, which only a process allowed to
  // search any folder may do.
  if (error == ENOENT && ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  return error;
}

}  // namespace

int TFfmpegEncoder::TImpl::WriteBytes(const uint8_t* data, int size) {
  int done = 0;
  while (done < size) {
    int error = Options.Hooks.WriteError ? Options.Hooks.WriteError(Written) : 0;
    ssize_t n = -1;
    if (error == 0) {
      n = ::write(Fd, data + done, static_cast<size_t>(size - done));
      if (n < 0) error = errno;
    }
    if (error == EINTR) continue;
    if (error != 0) {
      if (WriteErrno == 0) WriteErrno = error;
      return AVERROR(error);
    }
    done += static_cast<int>(n);
    Written += n;
  }
  return size;
}

int64_t TFfmpegEncoder::TImpl::SeekTo(int64_t offset, int whence) {
  if (whence & AVSEEK_SIZE) {
    struct stat info {};
    if (::fstat(Fd, &info) != 0) return AVERROR(errno);
    return info.st_size;
  }
  const off_t at = ::lseek(Fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : at;
}

// The film's file, created without a name in the film's folder.
void TFfmpegEncoder::TImpl::CreateFile() {
  if (!Options.Hooks.NamedTemporary) {
    Fd = ::open(FolderOf(Path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (Fd >= 0) return;
    // EOPNOTSUPP: this file system has no unnamed files; EISDIR: this kernel has none.
    if (errno != EOPNOTSUPP && errno != EISDIR) Fail("the file cannot be created (" + SystemReason(errno) + ")");
  }
  CreateNamedFile();
}

// A unique name beside the film's, created here so that no other writer can have it.
void TFfmpegEncoder::TImpl::CreateNamedFile() {
  std::random_device device;
  std::mt19937 pick(device());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = TemporaryName(Path, pick);
    Fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Fd >= 0) {
      TemporaryPath = name;
      return;
    }
    if (errno != EEXIST) Fail("the file cannot be created (" + SystemReason(errno) + ")");
  }
  Fail("no free temporary name beside it");
}

void TFfmpegEncoder::TImpl::Place() {
  if (!TemporaryPath.empty()) {
    if (::rename(TemporaryPath.c_str(), Path.c_str()) != 0)
      Fail("the file cannot take its name (" + SystemReason(errno) + ")");
    TemporaryPath.clear();
    return;
  }
  // Linked to its name when that is free. Else linked to a free name beside it and
  // renamed over the file there: that name lives only between the two calls.
  int error = LinkUnnamed(LinkFd, Path);
  if (error == EEXIST) {
    std::random_device device;
    std::mt19937 pick(device());
    std::string name;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
      name = TemporaryName(Path, pick);
      error = LinkUnnamed(LinkFd, name);
    }
    if (error == 0 && ::rename(name.c_str(), Path.c_str()) != 0) {
      error = errno;
      ::unlink(name.c_str());
    }
  }
  if (error != 0) Fail("the file cannot take its name (" + SystemReason(error) + ")");
}

}  // namespace vorlanth
