// The treemap's layout, colours, picture and files, on trees made in memory.
#include "../common/TestFiles.h"
#include "core/tree/TreeBuilder.h"
#include "core/treemap/BitmapFont.h"
#include "core/treemap/TreemapFiles.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

// Built by appending: GCC 12 warns wrongly about "text" + std::to_string(i).
std::string Numbered(const char* prefix, int i, const char* suffix = "") {
    std::string s = prefix;
    s += std::to_string(i);
    s += suffix;
    return s;
}

// Folders three levels deep with files of sizes spread over six orders of
// magnitude, some of them empty.
TreeBuilder RandomTree(unsigned seed, int folders = 6) {
    std::mt19937 rng(seed);
    TreeBuilder t("/r");
    std::function<void(Tree::Index, int)> fill = [&](Tree::Index parent, int depth) {
        const int files = int(rng() % 40);
        for (int f = 0; f < files; ++f) {
            const std::int64_t size =
                rng() % 10 == 0 ? 0 : std::int64_t(std::pow(10.0, double(rng() % 6000) / 1000));
            t.Add(parent, Numbered("f", f, f % 3 ? ".jpg" : ".c"), size, false);
        }
        if (depth < 3)
            for (int d = 0; d < folders; ++d)
                fill(t.Add(parent, Numbered("d", d), 0, true), depth + 1);
    };
    fill(0, 0);
    t.Finish();
    return t;
}

double Area(const TreemapTile& t) {
    return t.w * t.h;
}

} // namespace

TEST(TreemapLayout, TilesAreProportionalInsideTheirParentAndDoNotOverlap) {
    const TreeBuilder tree = RandomTree(7);
    for (bool byFiles : {false, true})
        for (auto [w, h] : {std::pair{1920, 1080}, {300, 700}, {97, 61}}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " byFiles " << byFiles);
            TreemapOptions o;
            o.width = w, o.height = h, o.byFiles = byFiles;
            const TreemapLayout map = TreemapLayout::Make(tree, 0, o);
            const auto& tiles = map.Tiles();
            ASSERT_GT(tiles.size(), 10u);
            std::vector<int> owner(std::size_t(w) * h, -1); // leaf pixels seen
            for (std::size_t k = 0; k < tiles.size(); ++k) {
                const TreemapTile& t = tiles[k];
                EXPECT_GT(TreemapLayout::Weight(tree, t.node, byFiles), 0);
                // Pixels are the exact rectangle rounded: within a pixel on each side.
                EXPECT_LE(std::fabs(double((t.x1 - t.x0) * (t.y1 - t.y0)) - Area(t)),
                          t.w + t.h + 1);
                if (t.parent < 0) continue;
                const TreemapTile& p = tiles[std::size_t(t.parent)];
                const bool framed = p.flags & TreemapTile::Framed;
                const double px0 = framed ? p.ix0 : p.x, py0 = framed ? p.iy0 : p.y;
                const double px1 = framed ? p.ix1 : p.x + p.w, py1 = framed ? p.iy1 : p.y + p.h;
                EXPECT_GE(t.x, px0 - 1e-6);
                EXPECT_GE(t.y, py0 - 1e-6);
                EXPECT_LE(t.x + t.w, px1 + 1e-6);
                EXPECT_LE(t.y + t.h, py1 + 1e-6);
                // Its share of the parent's inner area is its share of the weight.
                const double share = double(TreemapLayout::Weight(tree, t.node, byFiles)) /
                                     double(TreemapLayout::Weight(tree, p.node, byFiles));
                EXPECT_NEAR(Area(t) / ((px1 - px0) * (py1 - py0)), share, 1e-9);
                // No two tiles of the same parent share a pixel.
                for (int y = t.y0; y < t.y1; ++y)
                    for (int x = t.x0; x < t.x1; ++x) {
                        int& seen = owner[std::size_t(y) * w + x];
                        if (seen >= 0 && tiles[std::size_t(seen)].parent == t.parent)
                            ADD_FAILURE() << "tiles " << seen << " and " << k << " overlap at " << x
                                          << "," << y;
                        seen = int(k);
                    }
            }
        }
}

TEST(TreemapLayout, SquarifiedRowsKeepTilesNearSquareAndHitTestsFindEdges) {
    std::mt19937 rng(3);
    TreeBuilder tree("/r");
    for (int i = 0; i < 200; ++i)
        tree.Add(0, Numbered("f", i), 1000 + std::int64_t(rng() % 9000), false);
    tree.Finish();
    TreemapOptions o;
    o.width = 1600, o.height = 500;
    const TreemapLayout map = TreemapLayout::Make(tree, 0, o);
    ASSERT_EQ(map.Tiles().size(), 201u);
    double worst = 1;
    for (std::size_t k = 1; k < map.Tiles().size(); ++k) {
        const TreemapTile& t = map.Tiles()[k];
        worst = std::max(worst, std::max(t.w / t.h, t.h / t.w));
        // The first and last pixel of each edge belong to the tile; the next one does not.
        for (auto [x, y] :
             {std::pair{t.x0, t.y0}, {t.x1 - 1, t.y0}, {t.x0, t.y1 - 1}, {t.x1 - 1, t.y1 - 1}})
            EXPECT_EQ(map.HitTest(x, y), int(k)) << x << "," << y;
        if (t.x1 < o.width) {
            EXPECT_NE(map.HitTest(t.x1, t.y0), int(k));
        }
        if (t.y1 < o.height) {
            EXPECT_NE(map.HitTest(t.x0, t.y1), int(k));
        }
    }
    // Slicing the strip into 200 columns would give ratios near 60.
    EXPECT_LT(worst, 3.0);
    EXPECT_EQ(map.HitTest(-1, 0), -1);
    EXPECT_EQ(map.HitTest(0, o.height), -1);
}

TEST(TreemapLayout, EmptyEntriesHugeFilesTinyFilesAndCancel) {
    TreeBuilder tree("/r");
    const Tree::Index huge = tree.Add(0, "disk.img", std::int64_t(1) << 45, false);
    for (int i = 0; i < 1000; ++i)
        tree.Add(0, Numbered("empty", i), 0, false);
    const Tree::Index emptyDir = tree.Add(0, "nothing", 0, true);
    const Tree::Index many = tree.Add(0, "many", 0, true);
    for (int i = 0; i < 20000; ++i)
        tree.Add(many, Numbered("t", i, ".mp3"), 1 << 20, false);
    tree.Finish();
    TreemapOptions o;
    o.width = 400, o.height = 300;
    TreemapLayout map = TreemapLayout::Make(tree, 0, o);
    // The huge file takes the picture; nothing without bytes gets a tile; the
    // folder of 20,000 small files keeps them in its own tile.
    ASSERT_EQ(map.Tiles().size(), 2u);
    EXPECT_EQ(map.Tiles()[1].node, huge);
    EXPECT_EQ(map.HitTest(200, 150), 1);
    EXPECT_EQ(map.TileOf(emptyDir), -1);

    o.byFiles = true; // now every file counts one
    map = TreemapLayout::Make(tree, 0, o);
    const int manyTile = map.TileOf(many);
    ASSERT_GE(manyTile, 0);
    EXPECT_EQ(map.TileOf(emptyDir), -1); // no files in it
    std::size_t inMany = 0;
    for (const TreemapTile& t : map.Tiles())
        inMany += t.parent == manyTile;
    EXPECT_EQ(inMany, 0u); // 20,000 tiles of a few pixels each: merged
    const TypeGroupTable groups = GroupTypes(tree, 0);
    const RawPicture pic = RenderTreemap(tree, map, groups, TreemapStyle{false, false});
    const TreemapTile& mt = map.Tiles()[std::size_t(manyTile)];
    const std::uint8_t* p = pic.Pixel((mt.ix0 + mt.ix1) / 2, (mt.iy0 + mt.iy1) / 2);
    const std::uint32_t audio = TypeGroupColor(TypeGroup::Audio);
    EXPECT_EQ((p[0] << 16) | (p[1] << 8) | p[2], audio); // coloured by what it holds

    std::atomic<bool> cancel{true};
    const TreemapLayout stopped = TreemapLayout::Make(tree, 0, o, &cancel);
    EXPECT_TRUE(stopped.Cancelled());
    EXPECT_TRUE(stopped.Tiles().empty());
}

TEST(TreemapTypes, GroupsByExtensionFoldersByTheirMostBytesAndLegendTotals) {
    EXPECT_EQ(GroupOfName("Photo.JPG"), TypeGroup::Images);
    EXPECT_EQ(GroupOfName("libz.so.1.2.13"), TypeGroup::Programs);
    EXPECT_EQ(GroupOfName("a.tar.xz"), TypeGroup::Archives);
    EXPECT_EQ(GroupOfName(".bashrc"), TypeGroup::Other);
    EXPECT_EQ(GroupOfName("README"), TypeGroup::Other);
    TreeBuilder tree("/r");
    const Tree::Index d = tree.Add(0, "d", 0, true);
    tree.Add(d, "a.mp4", 500, false);
    tree.Add(d, "b.png", 300, false);
    tree.Add(d, "c.png", 300, false);
    const Tree::Index hidden = tree.Add(0, ".cache", 0, true);
    tree.Add(hidden, "x.zip", 9999, false); // not entered: counts nothing
    tree.Add(0, "song.flac", 100, false);
    tree.Finish();
    const TypeGroupTable g = GroupTypes(tree, 0);
    EXPECT_EQ(g.Of(d), TypeGroup::Images);
    EXPECT_EQ(g.Of(0), TypeGroup::Images);
    EXPECT_EQ(g.bytes[int(TypeGroup::Images)], 600);
    EXPECT_EQ(g.bytes[int(TypeGroup::Video)], 500);
    EXPECT_EQ(g.bytes[int(TypeGroup::Audio)], 100);
    EXPECT_EQ(g.bytes[int(TypeGroup::Archives)], 0);
    // A folder's legend from the whole tree's table.
    const auto inD = GroupBytes(tree, g, d);
    EXPECT_EQ(inD[int(TypeGroup::Images)], 600);
    EXPECT_EQ(inD[int(TypeGroup::Audio)], 0);
    EXPECT_EQ(GroupBytes(tree, g, 0), g.bytes);
    EXPECT_EQ(GroupBytes(tree, g, hidden), (std::array<std::int64_t, kTypeGroupCount>{}));
}

TEST(TreemapPicture, ChangeColoursNamesNotUtf8AndFiles) {
    TreeBuilder tree("/r");
    const Tree::Index grew = tree.Add(0, "grew\xff.bin", 600, false);
    const Tree::Index shrank = tree.Add(0, "shrank\xc3\xa9", 400, false);
    tree.Finish();
    EXPECT_EQ(BitmapFont::Glyphs("grew\xff.bin"), U"grew?.bin");
    EXPECT_EQ(BitmapFont::Glyphs("shrank\xc3\xa9\xe2\x82\xac\xc0\xaf"), U"shrank\u00e9???");

    TreemapOptions o;
    o.width = 300, o.height = 200;
    const TreemapLayout map = TreemapLayout::Make(tree, 0, o);
    const TypeGroupTable groups = GroupTypes(tree, 0);
    std::vector<std::int64_t> change(tree.Count(), 0);
    change[grew] = 5000;
    change[shrank] = -5000;
    TreemapStyle style;
    style.cushions = false, style.labels = false, style.change = &change;
    const std::vector<std::uint32_t> colors = TileColors(map, groups, style);
    const std::uint32_t up = colors[std::size_t(map.TileOf(grew))];
    const std::uint32_t down = colors[std::size_t(map.TileOf(shrank))];
    EXPECT_GT(up >> 16, (up >> 8) & 0xFF);     // red
    EXPECT_GT((down >> 8) & 0xFF, down >> 16); // green

    // The SVG is well-formed XML, names shown as the rest of the program shows them.
    style.labels = true;
    const QByteArray svg = TreemapSvg(tree, map, groups, style);
    QXmlStreamReader xml(svg);
    int rects = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rect") ++rects;
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(rects, 3);
    EXPECT_TRUE(svg.contains(DisplayPath(tree.Path(grew)).toHtmlEscaped().toUtf8()));

    // The PNG holds the picture's size; a failed write leaves nothing.
    const RawPicture pic = RenderTreemap(tree, map, groups, style);
    const QByteArray png = EncodePng(pic);
    ASSERT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(png.mid(16, 8), QByteArray::fromHex("0000012c000000c8"));
    EXPECT_THROW(SavePngFile(pic, "/nonexistent-folder/x.png"), EMorvaneError);
}

TEST(TreemapLayout, FreeSpaceTileBesideTheFolder) {
    TreeBuilder tree("/r");
    tree.Add(0, "a", 3000, false);
    tree.Finish();
    TreemapOptions o;
    o.width = 400, o.height = 100, o.freeSpace = 1000;
    const TreemapLayout map = TreemapLayout::Make(tree, 0, o);
    ASSERT_EQ(map.Tiles().size(), 3u);
    const TreemapTile& free = map.Tiles()[0];
    EXPECT_TRUE(free.flags & TreemapTile::FreeSpace);
    EXPECT_NEAR(free.w * free.h, 400 * 100 / 4.0, 1e-6);
    EXPECT_EQ(map.HitTest(free.x0, free.y0), 0);
    o.byFiles = true; // files take no free space
    EXPECT_EQ(TreemapLayout::Make(tree, 0, o).Tiles().size(), 2u);
}

TEST(TreemapReport, PicturesFromFoldersAndSnapshotsBadInputWritesNothing) {
    QTemporaryDir tmp;
    const QString root = tmp.filePath("data");
    QDir().mkpath(root + "/sub/deeper");
    for (const char* name : {"/sub/deeper/a.bin", "/sub/b.jpg", "/c.txt"}) {
        QFile f(root + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
    }
    auto run = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(MORVANE_BINARY), QStringList{"--report"} + args);
        p.waitForFinished(60000);
        return std::pair{p.exitCode(), p.readAllStandardError() + p.readAllStandardOutput()};
    };
    const QString out = tmp.filePath("map.png");
    for (const QStringList& bad :
         {QStringList{root, "--format", "treemap-png", "--size", "20x", "--output", out},
          QStringList{root, "--format", "treemap-png", "--size", "99999x20", "--output", out},
          QStringList{root, "--format", "csv", "--size", "200x100", "--output", out},
          QStringList{root, "--format", "treemap-svg", "--files", "--output", out},
          QStringList{root + "/none", "--format", "treemap-png", "--output", out}}) {
        const auto [status, text] = run(bad);
        EXPECT_EQ(status, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(out)) << bad.join(' ').toStdString();
    }
    const QString snap = tmp.filePath("snap.json");
    ASSERT_EQ(run({root, "--format", "ncdu-json", "--output", snap}).first, 0);
    const auto [status, text] = run({"--open-snapshot", snap, "--path", "sub", "--format",
                                     "treemap-png", "--size", "64x48", "--output", out});
    ASSERT_EQ(status, 0) << text.toStdString();
    const QByteArray png = Read(out);
    EXPECT_EQ(png.mid(16, 8), QByteArray::fromHex("0000004000000030"));
    EXPECT_EQ(run({"--open-snapshot", snap, "--path", "nothing", "--format", "treemap-png",
                   "--output", tmp.filePath("x.png")})
                  .first,
              2);
    // Standard output gets the drawing when no file is named.
    const auto [svgStatus, svg] = run({root, "--format", "treemap-svg", "--size", "300x200"});
    EXPECT_EQ(svgStatus, 0);
    EXPECT_TRUE(svg.contains("<svg") && svg.contains("b.jpg")) << svg.left(300).toStdString();
}
