#include "core/treemap/TypeGroups.h"
#include <algorithm>
#include <unordered_map>

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
     "pdf doc docx odt ods odp xls xlsx ppt pptx rtf txt md tex epub djvu ps csv html htm xml json tsv "
     "yaml yml"},
    {"Code", 0x17A2A8,
     "c h cc cpp cxx hpp hh py pyc rs go java class js ts mjs cjs rb pl pm php sh bash lua cs "
     "kt swift scala hs el vim cmake mk qml ui pas pp inc m4 tcl awk"},
    {"Executables and libraries", 0xD0506E, "so a o ko exe dll bin elf appimage run out lib"},
    {"Other", 0xA3A8B0, ""},
};

class ExtensionTable {
public:
    ExtensionTable() {
        for (int g = 0; g + 1 < kTypeGroupCount; ++g) {
            std::string_view list = kGroups[g].extensions;
            while (!list.empty()) {
                const std::size_t space = list.find(' ');
                map_.emplace(list.substr(0, space), TypeGroup(g));
                if (space == std::string_view::npos) break;
                list.remove_prefix(space + 1);
            }
        }
    }
    TypeGroup Find(std::string_view ext) const {
        const auto it = map_.find(ext);
        return it == map_.end() ? TypeGroup::Other : it->second;
    }

private:
    std::unordered_map<std::string_view, TypeGroup> map_;
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
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot - 1 > 10)
        return IsVersionedLibrary(name) ? TypeGroup::Programs : TypeGroup::Other;
    char lower[11];
    const std::size_t n = name.size() - dot - 1;
    for (std::size_t k = 0; k < n; ++k) {
        const char c = name[dot + 1 + k];
        lower[k] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    const TypeGroup g = table.Find(std::string_view(lower, n));
    return g == TypeGroup::Other && IsVersionedLibrary(name) ? TypeGroup::Programs : g;
}

TypeGroupTable GroupTypes(const Tree& tree, Tree::Index top) {
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
        t.group[o.node - top] = std::uint8_t(*most > 0 ? most - o.bytes.begin() : int(TypeGroup::Other));
        if (open.size() > 1)
            for (int g = 0; g < kTypeGroupCount; ++g)
                open[open.size() - 2].bytes[g] += o.bytes[g];
        else
            t.bytes = o.bytes;
        open.pop_back();
    };
    for (Tree::Index i = top; i < end; ++i) {
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
        if (!open.empty()) open.back().bytes[int(g)] += std::max<std::int64_t>(n.size, 0);
        else t.bytes[int(g)] += std::max<std::int64_t>(n.size, 0);
    }
    while (!open.empty())
        close();
    return t;
}
