// Image frames, their GDI+ bitmaps, and raster decoding.
#include "image.h"

#include "gdiplusapi.h"

#include <webp/demux.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace zui {
namespace {

// RGBA (straight alpha) to BGRA premultiplied.
void ToPremultipliedBgra(const uint8_t* rgba, size_t count, std::vector<uint8_t>& out) {
    out.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* s = rgba + i * 4;
        uint8_t* d = out.data() + i * 4;
        const unsigned a = s[3];
        d[0] = static_cast<uint8_t>((s[2] * a + 127) / 255);
        d[1] = static_cast<uint8_t>((s[1] * a + 127) / 255);
        d[2] = static_cast<uint8_t>((s[0] * a + 127) / 255);
        d[3] = static_cast<uint8_t>(a);
    }
}

ImagePtr DecodeWebP(const std::vector<uint8_t>& bytes) {
    WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return nullptr;
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder) return nullptr;
    WebPAnimInfo info;
    ImagePtr image;
    if (WebPAnimDecoderGetInfo(decoder, &info)) {
        image = std::make_shared<Image>(int(info.canvas_width), int(info.canvas_height));
        int previous = 0;
        uint8_t* rgba = nullptr;
        int timestamp = 0;
        while (WebPAnimDecoderHasMoreFrames(decoder) && WebPAnimDecoderGetNext(decoder, &rgba, &timestamp)) {
            ImageFrame frame;
            ToPremultipliedBgra(rgba, size_t(info.canvas_width) * info.canvas_height, frame.pixels);
            frame.delayMs = timestamp - previous;
            previous = timestamp;
            image->Frames().push_back(std::move(frame));
        }
        if (image->Frames().empty()) image.reset();
    }
    WebPAnimDecoderDelete(decoder);
    return image;
}

ImagePtr DecodeGif(const std::vector<uint8_t>& bytes) {
    int* delays = nullptr;
    int w = 0, h = 0, frames = 0, comp = 0;
    stbi_uc* pixels = stbi_load_gif_from_memory(bytes.data(), int(bytes.size()), &delays, &w, &h, &frames, &comp, 4);
    if (!pixels) return nullptr;
    auto image = std::make_shared<Image>(w, h);
    for (int i = 0; i < frames; ++i) {
        ImageFrame frame;
        ToPremultipliedBgra(pixels + size_t(i) * w * h * 4, size_t(w) * h, frame.pixels);
        frame.delayMs = delays && delays[i] > 0 ? delays[i] : 100;
        image->Frames().push_back(std::move(frame));
    }
    stbi_image_free(pixels);
    STBI_FREE(delays);
    return image;
}

} // namespace

Image::~Image() {
    const GdiPlusApi* g = Gdip();
    for (Gdiplus::GpBitmap* b : bitmaps_) {
        if (b && g) g->GdipDisposeImage(b);
    }
}

Gdiplus::GpBitmap* Image::Bitmap(size_t frame) {
    if (frame >= frames_.size()) return nullptr;
    if (bitmaps_.size() < frames_.size()) bitmaps_.resize(frames_.size(), nullptr);
    if (!bitmaps_[frame]) {
        const GdiPlusApi* g = Gdip();
        if (!g) return nullptr;
        g->GdipCreateBitmapFromScan0(width_, height_, width_ * 4, PixelFormat32bppPARGB,
                                     frames_[frame].pixels.data(), &bitmaps_[frame]);
    }
    return bitmaps_[frame];
}

uint32_t Image::Pixel(int x, int y) const {
    if (frames_.empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const uint8_t* p = frames_[0].pixels.data() + (size_t(y) * width_ + x) * 4;
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

ImagePtr DecodeRaster(const std::vector<uint8_t>& bytes) {
    if (bytes.size() >= 12 && std::equal(bytes.begin(), bytes.begin() + 4, "RIFF") &&
        std::equal(bytes.begin() + 8, bytes.begin() + 12, "WEBP")) {
        return DecodeWebP(bytes);
    }
    if (bytes.size() >= 6 && std::equal(bytes.begin(), bytes.begin() + 3, "GIF")) return DecodeGif(bytes);
    int w = 0, h = 0, comp = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &comp, 4);
    if (!pixels) return nullptr;
    auto image = std::make_shared<Image>(w, h);
    ImageFrame frame;
    ToPremultipliedBgra(pixels, size_t(w) * h, frame.pixels);
    image->Frames().push_back(std::move(frame));
    stbi_image_free(pixels);
    return image;
}

} // namespace zui
