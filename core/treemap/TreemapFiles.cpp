#include "core/treemap/TreemapFiles.h"
#include "core/treemap/BitmapFont.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <zlib.h>

namespace {

void PutBig32(QByteArray& out, std::uint32_t v) {
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

void Chunk(QByteArray& out, const char* type, const QByteArray& data) {
    PutBig32(out, std::uint32_t(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4).append(data);
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(out.constData() + start), uInt(out.size() - start));
    PutBig32(out, std::uint32_t(crc));
}

// Text for XML: escaped, and without the control characters XML 1.0 forbids.
QByteArray Xml(const QString& text) {
    QString t;
    t.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() < 0x20 && c != u'\t')
            t += QChar(0xFFFD);
        else
            t += c;
    }
    return t.toHtmlEscaped().toUtf8();
}

QByteArray Hex(std::uint32_t rgb) {
    return QByteArray::number(rgb | 0x1000000, 16).mid(1).prepend('#');
}

} // namespace

QByteArray EncodePng(const RawPicture& pic) {
    if (pic.IsEmpty()) throw EMorvaneError(QStringLiteral("No picture to write"));
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    PutBig32(ihdr, std::uint32_t(pic.width));
    PutBig32(ihdr, std::uint32_t(pic.height));
    ihdr.append(char(8)).append(char(2)).append(char(0)).append(char(0)).append(char(0));
    Chunk(png, "IHDR", ihdr);

    // Each row: filter "Sub" (the difference to the pixel on the left), which
    // shrinks the flat and softly shaded areas of a treemap well.
    const std::size_t stride = std::size_t(pic.width) * 3;
    std::vector<std::uint8_t> raw((stride + 1) * std::size_t(pic.height));
    for (int y = 0; y < pic.height; ++y) {
        std::uint8_t* out = raw.data() + std::size_t(y) * (stride + 1);
        const std::uint8_t* in = pic.Pixel(0, y);
        out[0] = 1;
        for (std::size_t i = 0; i < stride; ++i)
            out[1 + i] = std::uint8_t(in[i] - (i >= 3 ? in[i - 3] : 0));
    }
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray idat(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(idat.data()), &size, raw.data(), uLong(raw.size()), 6) !=
        Z_OK)
        throw EMorvaneError(QStringLiteral("Cannot compress the picture"));
    idat.resize(qsizetype(size));
    Chunk(png, "IDAT", idat);
    Chunk(png, "IEND", {});
    return png;
}

void SavePngFile(const RawPicture& pic, const QString& fileName) {
    WriteFileWhole(fileName, EncodePng(pic));
}

QByteArray TreemapSvg(const Tree& tree, const TreemapLayout& map, const TypeGroupTable& groups,
                      const TreemapStyle& style) {
    const auto& tiles = map.Tiles();
    const std::vector<std::uint32_t> colors = TileColors(map, groups, style);
    const std::int64_t whole =
        std::max<std::int64_t>(1, TreemapLayout::Weight(tree, map.Top(), false));
    QByteArray out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + QByteArray::number(map.Width()) +
           "\" height=\"" + QByteArray::number(map.Height()) + "\" viewBox=\"0 0 " +
           QByteArray::number(map.Width()) + ' ' + QByteArray::number(map.Height()) + "\">\n";
    out += "<style>text{font:11px monospace;pointer-events:none}</style>\n";
    const std::vector<TileLabel> labels =
        style.labels ? TileLabels(tree, map) : std::vector<TileLabel>(tiles.size());
    for (std::size_t k = 0; k < tiles.size(); ++k) {
        const TreemapTile& t = tiles[k];
        const bool framed = t.flags & TreemapTile::Framed;
        QString title;
        if (t.node == Tree::kNone) {
            title = QStringLiteral("Free space");
        } else {
            const std::int64_t bytes = TreemapLayout::Weight(tree, t.node, false);
            title = QStringLiteral("%1 (%2 bytes, %3%)")
                        .arg(DisplayPath(tree.Path(t.node)))
                        .arg(bytes)
                        .arg(100.0 * double(bytes) / double(whole), 0, 'f', 1);
        }
        out += "<rect x=\"" + QByteArray::number(t.x0) + "\" y=\"" + QByteArray::number(t.y0) +
               "\" width=\"" + QByteArray::number(t.x1 - t.x0) + "\" height=\"" +
               QByteArray::number(t.y1 - t.y0) + "\" fill=\"" +
               Hex(framed ? kFrameColor : colors[k]) + "\" stroke=\"#000\" stroke-opacity=\"0.4\"" +
               " stroke-width=\"0.5\"><title>" + Xml(title) + "</title></rect>\n";
        if (framed)
            out += "<rect x=\"" + QByteArray::number(t.ix0) + "\" y=\"" +
                   QByteArray::number(t.iy0) + "\" width=\"" + QByteArray::number(t.ix1 - t.ix0) +
                   "\" height=\"" + QByteArray::number(t.iy1 - t.iy0) + "\" fill=\"" +
                   Hex(colors[k]) + "\"/>\n";
        if (labels[k].kind == TileLabel::None) continue;
        const int tw = t.x1 - t.x0, th = t.y1 - t.y0;
        const QByteArray name = Xml(DisplayPath(tree.Name(t.node)));
        if (labels[k].kind == TileLabel::Header)
            out += "<text x=\"" + QByteArray::number(t.x0 + 3) + "\" y=\"" +
                   QByteArray::number(t.y0 + 11) + "\" fill=\"#fff\">" + name + "</text>\n";
        else
            out += "<text x=\"" + QByteArray::number(t.x0 + tw / 2) + "\" y=\"" +
                   QByteArray::number(t.y0 + th / 2 + 4) + "\" text-anchor=\"middle\">" + name +
                   "</text>\n";
    }
    out += "</svg>\n";
    return out;
}

void SaveTreemapSvg(const Tree& tree, const TreemapLayout& map, const TypeGroupTable& groups,
                    const TreemapStyle& style, const QString& fileName) {
    WriteFileWhole(fileName, TreemapSvg(tree, map, groups, style));
}
