#pragma once
// Chart pictures as files: JPEG, BMP, placeable Windows metafile and enhanced
// metafile, written from a plain pixel buffer so that no Qt Gui is needed.
// Every writer builds the whole file in memory and lands it whole (temporary
// file, then rename); a failure throws EMorvaneError and leaves no file behind.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// Pixels top row first, three bytes per pixel in the order red, green, blue.
struct RawPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    RawPicture() = default;
    RawPicture(int w, int h) : width(w), height(h), rgb(std::size_t(w) * std::size_t(h) * 3) {}
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    std::uint8_t* Pixel(int x, int y) { return rgb.data() + (std::size_t(y) * width + x) * 3; }
    const std::uint8_t* Pixel(int x, int y) const {
        return rgb.data() + (std::size_t(y) * width + x) * 3;
    }
};

// The file contents, for callers that want the bytes (and for tests).
QByteArray EncodeJpeg(const RawPicture& pic, int quality = 90);
QByteArray EncodeBmp(const RawPicture& pic);
QByteArray EncodePlaceableWmf(const RawPicture& pic);
QByteArray EncodeEmf(const RawPicture& pic);

void SaveJpegFile(const RawPicture& pic, const QString& fileName);
void SaveBmpFile(const RawPicture& pic, const QString& fileName);
void SaveWmfFile(const RawPicture& pic, const QString& fileName);
void SaveEmfFile(const RawPicture& pic, const QString& fileName);

// Writes data to fileName whole, or throws with a message naming the file.
void WriteFileWhole(const QString& fileName, const QByteArray& data);
