#include "core/engine/PseudoFs.h"
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/sysmacros.h>

bool IsPseudoFsType(const std::string& t) {
    static const char* const kTypes[] = {
        "proc",       "sysfs",   "devtmpfs",   "devpts",  "cgroup",      "cgroup2",
        "debugfs",    "tracefs", "securityfs", "pstore",  "bpf",         "configfs",
        "efivarfs",   "mqueue",  "hugetlbfs",  "fusectl", "binfmt_misc", "autofs",
        "rpc_pipefs", "nsfs",    "selinuxfs",  "nfsd",    "ramfs_pseudo"};
    return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* k) { return t == k; });
}

// The same by statfs magic, for a device the mount table does not name.
bool IsPseudoFsMagic(long magic) {
    switch (static_cast<unsigned long>(magic)) {
    case 0x9fa0:     // proc
    case 0x62656572: // sysfs
    case 0x1cd1:     // devpts
    case 0x27e0eb:   // cgroup
    case 0x63677270: // cgroup2
    case 0x64626720: // debugfs
    case 0x74726163: // tracefs
    case 0x73636673: // securityfs
    case 0x6165676c: // pstore
    case 0xcafe4a11: // bpf
    case 0x62656570: // configfs
    case 0xde5e81e4: // efivarfs
    case 0x19800202: // mqueue
    case 0x65735543: // fusectl
    case 0x42494e4d: // binfmt_misc
    case 0x0187:     // autofs
    case 0x6e736673: // nsfs
    case 0xf97cff8c: // selinuxfs
        return true;
    default:
        return false;
    }
}

// Device -> file system type, read once per run from the mount table.
MountTypes::MountTypes() {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source ...
        std::size_t p = line.find(' ');
        if (p == std::string::npos) continue;
        p = line.find(' ', p + 1);
        if (p == std::string::npos) continue;
        unsigned maj = 0, min = 0;
        if (std::sscanf(line.c_str() + p + 1, "%u:%u", &maj, &min) != 2) continue;
        const std::size_t sep = line.find(" - ");
        if (sep == std::string::npos) continue;
        const std::size_t b = sep + 3;
        const std::size_t e = line.find(' ', b);
        types_[makedev(maj, min)] = line.substr(b, e == std::string::npos ? e : e - b);
    }
}
int MountTypes::Pseudo(dev_t dev) const {
    auto it = types_.find(dev);
    if (it == types_.end()) return -1;
    return IsPseudoFsType(it->second) ? 1 : 0;
}
