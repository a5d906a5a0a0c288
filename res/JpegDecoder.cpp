// JPEG decoding with libjpeg's classic decompress API. libjpeg reports errors
// through a callback that must not return; the default one ends the process,
// so it is replaced by one that jumps back here with the message.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>

#include "res/SkinPictures.h"

namespace vuruzid::skin {
namespace {

// The skin's pictures are a few hundred pixels a side. A header claiming more
// than this is refused before anything is allocated for it: a few damaged
// bytes could otherwise ask for gigabytes (60000 x 60000 x 3 is 10.8 GB).
constexpr JDIMENSION kMaxPictureSide = 4096;

struct ErrorManager {
  jpeg_error_mgr base;  // first, so libjpeg's pointer to it is a pointer to this
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  errors->base.format_message(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// Level -1 is a warning about damaged data (for instance a premature end of
// the file, which libjpeg fills with grey); a picture decoded from damaged
// data is refused. Other levels are trace output and are ignored.
void RefuseWarnings(j_common_ptr info, int level) {
  if (level < 0) JumpOnError(info);
}

// Everything between setjmp and a jump lives in the caller's frame or is a
// plain C object, so the jump skips no destructor and leaves no stale value.
bool Decompress(jpeg_decompress_struct& info, ErrorManager& errors, QByteArrayView bytes,
                QImage& image) {
  if (setjmp(errors.jump)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (info.image_width > kMaxPictureSide || info.image_height > kMaxPictureSide) {
    std::snprintf(errors.message, sizeof errors.message, "Picture of %u x %u pixels is larger than %u a side",
                  info.image_width, info.image_height, kMaxPictureSide);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 QImage::Format_RGB888);
  if (image.isNull()) {
    std::snprintf(errors.message, sizeof errors.message, "Not enough memory for a picture of %u x %u",
                  info.output_width, info.output_height);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

QImage DecodeJpeg(QByteArrayView bytes, QString* error) {
  if (bytes.isEmpty()) {
    if (error) *error = QStringLiteral("No JPEG data");
    return {};
  }
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpOnError;
  errors.base.emit_message = RefuseWarnings;

  QImage image;
  const bool decoded = Decompress(info, errors, bytes, image);
  jpeg_destroy_decompress(&info);  // safe on a struct that was never created
  if (!decoded) {
    if (error) *error = QString::fromLocal8Bit(errors.message);
    return {};
  }
  if (error) error->clear();
  return image;
}

}  // namespace vuruzid::skin
