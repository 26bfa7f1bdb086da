#include "core/feeds/JpegPicture.h"

#include "platform/Paths.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

namespace {

struct TErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<TErrorManager*>(cinfo->err)->Jump, 1);
}

// Warnings are how the library reports a cut or corrupt stream that it would still "decode".
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0)
        std::longjmp(reinterpret_cast<TErrorManager*>(cinfo->err)->Jump, 1);
}

void Silent(j_common_ptr) {}

// Kept apart from the function that calls setjmp, so no object with a destructor lives across it.
bool Decode(jpeg_decompress_struct& cinfo, TErrorManager& errors, const std::uint8_t* data, std::size_t size,
            int minSide, TDecodedPicture& picture) {
    if (setjmp(errors.Jump))
        return false;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > MaxJpegSide ||
        cinfo.image_height > MaxJpegSide)
        return false;
    cinfo.out_color_space = JCS_RGB;
    if (minSide > 0) {
        const auto side = static_cast<unsigned>(minSide);
        unsigned denom = 1;
        while (denom < 8 && (cinfo.image_width + 2 * denom - 1) / (2 * denom) >= side &&
               (cinfo.image_height + 2 * denom - 1) / (2 * denom) >= side)
            denom *= 2;
        cinfo.scale_num = 1;
        cinfo.scale_denom = denom;
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3)
        return false;
    picture.Width = static_cast<int>(cinfo.output_width);
    picture.Height = static_cast<int>(cinfo.output_height);
    picture.Rgb.resize(static_cast<std::size_t>(picture.Width) * picture.Height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = picture.Rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * picture.Width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

std::optional<TDecodedPicture> DecodeJpeg(const std::uint8_t* data, std::size_t size, int minSide) {
    if (!data || size < 4)
        return std::nullopt;
    jpeg_decompress_struct cinfo{};
    TErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = OnError;
    errors.Base.emit_message = OnMessage;
    errors.Base.output_message = Silent;
    jpeg_create_decompress(&cinfo);
    TDecodedPicture picture;
    const bool ok = Decode(cinfo, errors, data, size, minSide, picture);
    jpeg_destroy_decompress(&cinfo);
    if (!ok)
        return std::nullopt;
    return picture;
}

std::optional<TDecodedPicture> DecodeJpegFile(const std::string& path, int minSide) {
    // Box art is tens of kilobytes; a file this large is not a picture of ours.
    const std::optional<std::string> bytes = platform::ReadRegularFile(path, std::int64_t{16} * 1024 * 1024);
    if (!bytes || bytes->empty())
        return std::nullopt;
    return DecodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(), minSide);
}

std::string EncodeJpeg(const TDecodedPicture& picture, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.Width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.Height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.write_JFIF_header = TRUE;
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row = const_cast<JSAMPROW>(picture.Rgb.data() +
                                         static_cast<std::size_t>(cinfo.next_scanline) * picture.Width * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}
