// A decoded image: one or more frames of premultiplied BGRA pixels (the layout
// GDI+ calls PARGB), with per-frame delays for animated GIF and WebP.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace Gdiplus { class GpBitmap; }

namespace zui {

struct ImageFrame {
    std::vector<uint8_t> pixels;   // width * height * 4, BGRA premultiplied
    int delayMs = 0;
};

class Image {
public:
    Image(int width, int height) : width_(width), height_(height) {}
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    std::vector<ImageFrame>& Frames() { return frames_; }
    const std::vector<ImageFrame>& Frames() const { return frames_; }
    bool Animated() const { return frames_.size() > 1; }
    // The GDI+ bitmap over a frame's pixels, made on first use.
    Gdiplus::GpBitmap* Bitmap(size_t frame);
    // Pixel at (x, y) of frame 0 as 0xAARRGGBB (premultiplied), for tests.
    uint32_t Pixel(int x, int y) const;

private:
    int width_, height_;
    std::vector<ImageFrame> frames_;
    std::vector<Gdiplus::GpBitmap*> bitmaps_;
};

using ImagePtr = std::shared_ptr<Image>;

// Raster decoding: PNG, JPEG, BMP and (animated) GIF through stb_image, (animated) WebP through libwebp.
ImagePtr DecodeRaster(const std::vector<uint8_t>& bytes);

} // namespace zui
