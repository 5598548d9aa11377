// libpng reports errors by longjmp: the function that calls setjmp holds no
// object with a destructor, and the file is closed on both ways out.
#include "plots/png_file.h"

#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <png.h>
#include <zlib.h>

namespace {

struct PngFailure {
    char acMessage[160];
};

void PngErrorHandle(png_structp pPng, png_const_charp pszMessage) {
    PngFailure *pFailure = static_cast<PngFailure *>(png_get_error_ptr(pPng));
    std::snprintf(pFailure->acMessage, sizeof pFailure->acMessage, "%s", pszMessage);
    png_longjmp(pPng, 1);
}

void PngWarningIgnore(png_structp, png_const_charp) {}

// Writes the rows; false with the message in *pFailure. Only plain data
// lives here, since an error leaves by longjmp.
bool PngRowsWrite(std::FILE *pFile, const unsigned char *pData, int iWidth, int iHeight,
                  int iStride, PngFailure *pFailure) {
    png_structp pPng =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, pFailure, PngErrorHandle, PngWarningIgnore);
    if (pPng == nullptr) {
        std::snprintf(pFailure->acMessage, sizeof pFailure->acMessage, "out of memory");
        return false;
    }
    png_infop pInfo = png_create_info_struct(pPng);
    if (pInfo == nullptr || setjmp(png_jmpbuf(pPng)) != 0) {
        png_destroy_write_struct(&pPng, pInfo != nullptr ? &pInfo : nullptr);
        if (pInfo == nullptr) {
            std::snprintf(pFailure->acMessage, sizeof pFailure->acMessage, "out of memory");
        }
        return false;
    }
    png_init_io(pPng, pFile);
    png_set_IHDR(pPng, pInfo, iWidth, iHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(pPng, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(pPng, 1);
    png_set_compression_strategy(pPng, Z_RLE);
    png_write_info(pPng, pInfo);
    // cairo keeps a pixel as a native 32-bit word 0xXXRRGGBB.
    if constexpr (std::endian::native == std::endian::little) {
        png_set_bgr(pPng);
        png_set_filler(pPng, 0, PNG_FILLER_AFTER);
    } else {
        png_set_filler(pPng, 0, PNG_FILLER_BEFORE);
    }
    for (int iRow = 0; iRow < iHeight; iRow++) {
        png_write_row(pPng, pData + static_cast<size_t>(iRow) * iStride);
    }
    png_write_end(pPng, pInfo);
    png_destroy_write_struct(&pPng, &pInfo);
    return true;
}

} // namespace

std::string PngFileWrite(cairo_surface_t *pImage, const std::string &path) {
    cairo_surface_flush(pImage);
    std::FILE *pFile = std::fopen(path.c_str(), "wb");
    if (pFile == nullptr) {
        return std::strerror(errno);
    }
    PngFailure failure = {};
    const bool bWritten = PngRowsWrite(
        pFile, cairo_image_surface_get_data(pImage), cairo_image_surface_get_width(pImage),
        cairo_image_surface_get_height(pImage), cairo_image_surface_get_stride(pImage), &failure);
    const int iWriteError = std::ferror(pFile) != 0 ? errno : 0;
    const bool bClosed = std::fclose(pFile) == 0;
    if (!bWritten) {
        return failure.acMessage;
    }
    if (iWriteError != 0 || !bClosed) {
        return std::strerror(iWriteError != 0 ? iWriteError : errno);
    }
    return "";
}
