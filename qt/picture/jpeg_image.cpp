#include "qt/picture/jpeg_image.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace intercom {
namespace {

constexpr JDIMENSION kMaxSide = 8192;

// libjpeg's default error handler ends the process; this one jumps back to
// DecodeInto instead.
struct ErrorTrap {
  jpeg_error_mgr manager;  // First member: libjpeg hands back its address.
  std::jmp_buf escape;
};

[[noreturn]] void EscapeOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->escape, 1);
}

// Level -1 is a warning; higher levels are traces, which are dropped.
void EscapeOnWarning(j_common_ptr info, int level) {
  if (level < 0) EscapeOnError(info);
}

// Owns libjpeg's state. It lives in DecodeJpeg, outside the function that
// calls setjmp, so no longjmp ever skips its destructor, and nothing local to
// that function is read after a jump.
struct Decompressor {
  jpeg_decompress_struct info{};
  ErrorTrap trap{};

  Decompressor() = default;
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
  // Safe on a struct that creation never reached or left half done.
  ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// C style on purpose: between setjmp and the end, only libjpeg calls and
// objects owned by the caller, so a jump destroys nothing.
bool DecodeInto(Decompressor* d, const uint8_t* data, size_t size, RgbImage* image) {
  d->info.err = jpeg_std_error(&d->trap.manager);
  d->trap.manager.error_exit = EscapeOnError;
  d->trap.manager.emit_message = EscapeOnWarning;
  if (setjmp(d->trap.escape) != 0) return false;

  jpeg_create_decompress(&d->info);
  jpeg_mem_src(&d->info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->info, TRUE);
  if (d->info.image_width > kMaxSide || d->info.image_height > kMaxSide) return false;
  d->info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d->info);
  if (d->info.output_components != 3) return false;

  const size_t stride = static_cast<size_t>(d->info.output_width) * 3;
  image->width = static_cast<int>(d->info.output_width);
  image->height = static_cast<int>(d->info.output_height);
  image->rgb.resize(stride * d->info.output_height);
  while (d->info.output_scanline < d->info.output_height) {
    JSAMPROW row = image->rgb.data() + stride * d->info.output_scanline;
    jpeg_read_scanlines(&d->info, &row, 1);
  }
  // Reads on to the end marker, so data cut after the last row is caught too.
  jpeg_finish_decompress(&d->info);
  return true;
}

}  // namespace

std::optional<RgbImage> DecodeJpeg(std::span<const uint8_t> data) {
  Decompressor decompressor;
  RgbImage image;
  if (!DecodeInto(&decompressor, data.data(), data.size(), &image)) return std::nullopt;
  return image;
}

}  // namespace intercom
