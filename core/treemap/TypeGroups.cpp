#include "core/treemap/TypeGroups.h"
#include <algorithm>

namespace {

struct GroupInfo {
    const char* name;
    std::uint32_t color;
    const char* extensions; // space-separated
};
constexpr GroupInfo kGroups[kTypeGroupCount] = {
    {"Images", 0x4E9A06,
     "jpg jpeg png gif bmp tif tiff webp svg svgz ico xpm xcf psd raw cr2 nef dng heic heif avif "
     "jxl"},
    {"Video", 0xC4503C, "mp4 mkv avi mov wmv flv webm m4v mpg mpeg ts vob ogv 3gp"},
    {"Audio", 0x8E5CB8, "mp3 ogg oga opus flac wav aac m4a wma aiff ape mid midi"},
    {"Archives", 0xD9A21B,
     "zip gz tgz bz2 xz zst lz lzma 7z rar tar deb rpm cab iso img dmg jar war apk snap squashfs"},
    {"Documents", 0x3A7BD5,
     "pdf doc docx odt ods odp xls xlsx ppt pptx rtf txt md tex epub djvu ps csv html htm xml json "
     "tsv "
     "yaml yml"},
    {"Code", 0x17A2A8,
     "c h cc cpp cxx hpp hh py pyc rs go java class js ts mjs cjs rb pl pm php sh bash lua cs "
     "kt swift scala hs el vim cmake mk qml ui pas pp inc m4 tcl awk"},
    {"Executables and libraries", 0xD0506E, "so a o ko exe dll bin elf appimage run out lib"},
    {"Other", 0xA3A8B0, ""},
};

// Extensions of up to eight bytes, lower case, packed into a number: an open
// addressed table finds one in a few steps (this runs once per file).
class ExtensionTable {
public:
    ExtensionTable() {
        for (int g = 0; g + 1 < kTypeGroupCount; ++g) {
            std::string_view list = kGroups[g].extensions;
            while (!list.empty()) {
                const std::size_t space = list.find(' ');
                Insert(Pack(list.substr(0, space)), TypeGroup(g));
                if (space == std::string_view::npos) break;
                list.remove_prefix(space + 1);
            }
        }
    }
    // 0 for an extension longer than eight bytes (none of ours is).
    static std::uint64_t Pack(std::string_view ext) {
        if (ext.empty() || ext.size() > 8) return 0;
        std::uint64_t key = 0;
        for (char c : ext)
            key = (key << 8) | std::uint8_t(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return key;
    }
    TypeGroup Find(std::uint64_t key) const {
        if (key == 0) return TypeGroup::Other;
        for (std::size_t at = Slot(key);; at = (at + 1) % kSlots) {
            if (keys_[at] == key) return groups_[at];
            if (keys_[at] == 0) return TypeGroup::Other;
        }
    }

private:
    static constexpr std::size_t kSlots = 512;
    static std::size_t Slot(std::uint64_t key) {
        return std::size_t((key * 0x9E3779B97F4A7C15ull) >> 55) % kSlots;
    }
    void Insert(std::uint64_t key, TypeGroup g) {
        std::size_t at = Slot(key);
        while (keys_[at] != 0 && keys_[at] != key)
            at = (at + 1) % kSlots;
        keys_[at] = key;
        groups_[at] = g;
    }
    std::array<std::uint64_t, kSlots> keys_{};
    std::array<TypeGroup, kSlots> groups_{};
};

// A versioned library ("libz.so.1.2.13") is a library.
bool IsVersionedLibrary(std::string_view name) {
    const std::size_t so = name.find(".so.");
    return so != std::string_view::npos && so > 0;
}

} // namespace

const char* TypeGroupName(TypeGroup g) {
    return kGroups[int(g)].name;
}

std::uint32_t TypeGroupColor(TypeGroup g) {
    return kGroups[int(g)].color;
}

TypeGroup GroupOfName(std::string_view name) {
    static const ExtensionTable table;
    const std::size_t dot = name.rfind('.');
    const TypeGroup g = dot == std::string_view::npos || dot == 0
                            ? TypeGroup::Other
                            : table.Find(ExtensionTable::Pack(name.substr(dot + 1)));
    return g == TypeGroup::Other && IsVersionedLibrary(name) ? TypeGroup::Programs : g;
}

TypeGroupTable GroupTypes(const Tree& tree, Tree::Index top, const std::atomic<bool>* cancel) {
    TypeGroupTable t;
    t.top = top;
    const Tree::Index end = tree.At(top).end;
    t.group.assign(end - top, std::uint8_t(TypeGroup::Other));
    // Nodes are in depth-first order: a stack of open folders, each with the
    // bytes per group below it, is closed as the walk passes its end.
    struct Open {
        Tree::Index node;
        std::array<std::int64_t, kTypeGroupCount> bytes{};
    };
    std::vector<Open> open;
    auto close = [&] {
        Open& o = open.back();
        const auto most = std::max_element(o.bytes.begin(), o.bytes.end());
        t.group[o.node - top] =
            std::uint8_t(*most > 0 ? most - o.bytes.begin() : int(TypeGroup::Other));
        if (open.size() > 1)
            for (int g = 0; g < kTypeGroupCount; ++g)
                open[open.size() - 2].bytes[g] += o.bytes[g];
        else
            t.bytes = o.bytes;
        open.pop_back();
    };
    for (Tree::Index i = top; i < end; ++i) {
        if ((i & 0xFFFF) == 0 && cancel && cancel->load(std::memory_order_relaxed)) {
            t.group.clear();
            return t;
        }
        while (!open.empty() && tree.At(open.back().node).end <= i)
            close();
        const Tree::Node& n = tree.At(i);
        if (n.IsFolder()) {
            open.push_back({i, {}});
            if (!tree.Entered(i)) i = n.end - 1; // its insides count nothing
            continue;
        }
        const TypeGroup g = GroupOfName(std::string_view(tree.NameData(i), n.nameLen));
        t.group[i - top] = std::uint8_t(g);
        if (!open.empty())
            open.back().bytes[int(g)] += std::max<std::int64_t>(n.size, 0);
        else
            t.bytes[int(g)] += std::max<std::int64_t>(n.size, 0);
    }
    while (!open.empty())
        close();
    return t;
}

std::array<std::int64_t, kTypeGroupCount> GroupBytes(const Tree& tree, const TypeGroupTable& table,
                                                     Tree::Index folder) {
    if (folder == table.top) return table.bytes;
    std::array<std::int64_t, kTypeGroupCount> bytes{};
    if (!tree.Entered(folder)) return bytes; // a hidden folder counts nothing
    const Tree::Index end = tree.At(folder).end;
    for (Tree::Index i = folder + 1; i < end; ++i) {
        const Tree::Node& n = tree.At(i);
        if (!n.IsFolder())
            bytes[std::size_t(table.Of(i))] += std::max<std::int64_t>(n.size, 0);
        else if (!tree.Entered(i))
            i = n.end - 1; // its insides count nothing
    }
    return bytes;
}
