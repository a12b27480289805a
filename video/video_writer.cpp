// TVideoWriter: the encoder's module loaded once, on the first film.

#include "video/video_writer.h"

#include <dlfcn.h>

#include <mutex>

#include "core/error.h"
#include "video/video_encoder.h"

namespace vorlanth {

namespace {

// The module's entry, found once; throws Error when the module cannot be loaded.
TNewVideoEncoder NewEncoderEntry() {
  static std::once_flag once;
  static TNewVideoEncoder entry = nullptr;
  static std::string failure;
  std::call_once(once, [] {
    // Kept loaded for the program's life: encoders it made may outlive any caller.
    void* module = dlopen(VORLANTH_VIDEO_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      const char* why = dlerror();
      failure = std::string("Films need the encoder module \"" VORLANTH_VIDEO_MODULE "\" and FFmpeg's libraries: ") +
                (why ? why : "it cannot be loaded") + ".";
      return;
    }
    entry = reinterpret_cast<TNewVideoEncoder>(dlsym(module, NewVideoEncoderSymbol));
    if (!entry) failure = std::string("The encoder module \"" VORLANTH_VIDEO_MODULE "\" has no entry ") +
                          NewVideoEncoderSymbol + ".";
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
