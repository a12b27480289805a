// TVideoWriter: the encoder's module loaded once, on the first film.

#include "video/video_writer.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/error.h"
#include "video/video_encoder.h"

namespace vorlanth {

namespace {

// Where the encoder module may be: installed, in lib/vorlanth/ beside the
// program's bin/, or beside the library holding this code (the Python module's
// package); else where it was built, last.
std::vector<std::string> ModulePlaces() {
  std::vector<std::string> places{VORLANTH_VIDEO_MODULE};
  const auto folder = [](const std::string& file) { return file.substr(0, file.rfind('/') + 1); };
  char program[4096];
  const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
  if (length > 0)
    places.insert(places.end() - 1, folder(std::string(program, static_cast<size_t>(length))) +
                                        "../lib/vorlanth/" + VORLANTH_VIDEO_MODULE_NAME);
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&ModulePlaces), &info) != 0 && info.dli_fname && info.dli_fname[0] == '/')
    places.insert(places.end() - 1, folder(info.dli_fname) + VORLANTH_VIDEO_MODULE_NAME);
  return places;
}

// The module's entry, found once; throws Error when the module cannot be loaded.
TNewVideoEncoder NewEncoderEntry() {
  static std::once_flag once;
  static TNewVideoEncoder entry = nullptr;
  static std::string failure;
  std::call_once(once, [] {
    // Kept loaded for the program's life: encoders it made may outlive any caller.
    void* module = nullptr;
    std::string loaded;
    std::string why;
    for (const std::string& place : ModulePlaces()) {
      module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (module) {
        loaded = place;
        break;
      }
      const char* error = dlerror();  // the build's place, tried last, says why
      why = error ? error : "";
    }
    if (!module) {
      failure = std::string("Films need the encoder module \"" VORLANTH_VIDEO_MODULE "\" and FFmpeg's libraries: ") +
                (why.empty() ? "it cannot be loaded" : why) + ".";
      return;
    }
    entry = reinterpret_cast<TNewVideoEncoder>(dlsym(module, NewVideoEncoderSymbol));
    if (!entry) failure = "The encoder module \"" + loaded + "\" has no entry " + NewVideoEncoderSymbol + ".";
  });
  if (!entry) throw Error(failure);
  return entry;
}

}  // namespace

TVideoWriter::TVideoWriter(const std::string& path, const TVideoOptions& options)
    : Encoder(NewEncoderEntry()(path, options)) {}

TVideoWriter::~TVideoWriter() = default;

void TVideoWriter::AddFrame(const TVideoFrame& frame) { Encoder->AddFrame(frame); }
bool TVideoWriter::Finish() { return Encoder->Finish(); }
bool TVideoWriter::Failed() const { return Encoder->Failed(); }
int64_t TVideoWriter::FrameCount() const { return Encoder->FrameCount(); }
int32_t TVideoWriter::Fps() const { return Encoder->Fps(); }
int32_t TVideoWriter::Width() const { return Encoder->Width(); }
int32_t TVideoWriter::Height() const { return Encoder->Height(); }
const std::string& TVideoWriter::Path() const { return Encoder->Path(); }
const std::string& TVideoWriter::EncoderName() const { return Encoder->EncoderName(); }

}  // namespace vorlanth
