// gifdecode IN.gif OUT.ppm: decodes IN.gif with the program's GIF decoder and writes the
// picture as a binary PPM (P6). The output appears atomically: it is written to a
// temporary file beside OUT.ppm and renamed over it.
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include <unistd.h>

#include "gfx/gif_decoder.h"
#include "platform/files.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "gifdecode: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gifdecode IN.gif OUT.ppm\n");
    return 2;
  }
  const std::string in = argv[1];
  const std::string out = argv[2];

  orx::platform::MappedFile file;
  if (!file.Open(in)) return Fail("cannot open " + in);
  orx::GifDecoder decoder;
  orx::GifError error = decoder.Open(file.bytes());
  if (error != orx::GifError::kNone) return Fail(in + ": " + orx::GifErrorText(error));
  const orx::GifInfo& info = decoder.info();
  const size_t body = orx::GifImageBytes(info, 3);
  if (body == 0) return Fail(in + ": " + orx::GifErrorText(orx::GifError::kTooLarge));

  // Header and R,G,B pixels in one buffer, written with one call.
  const std::string header = "P6\n" + std::to_string(info.width) + " " + std::to_string(info.height) + "\n255\n";
  const size_t total = header.size() + body;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[total]);
  if (!buffer) return Fail(in + ": " + orx::GifErrorText(orx::GifError::kOutOfMemory));
  header.copy(reinterpret_cast<char*>(buffer.get()), header.size());
  error = decoder.DecodeImage(buffer.get() + header.size(), 3, static_cast<size_t>(info.width) * 3);
  if (error != orx::GifError::kNone) return Fail(in + ": " + orx::GifErrorText(error));

  const std::string tmp = out + ".tmp" + std::to_string(getpid());
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return Fail("cannot create " + tmp);
  const bool written = std::fwrite(buffer.get(), 1, total, f) == total;
  if (std::fclose(f) != 0 || !written || std::rename(tmp.c_str(), out.c_str()) != 0) {
    std::remove(tmp.c_str());
    return Fail("cannot write " + out);
  }
  return 0;
}
