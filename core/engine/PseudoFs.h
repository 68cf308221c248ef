#pragma once
// Kernel pseudo file systems (proc, sysfs, ...): the walk lists them and never
// enters them.
#include <string>
#include <sys/types.h>
#include <unordered_map>

// By the type the mount table names.
bool IsPseudoFsType(const std::string& type);
// By statfs magic, for a device the mount table does not name.
bool IsPseudoFsMagic(long magic);

// Device -> file system type, read once per run from the mount table.
class MountTypes {
public:
    MountTypes();
    // -1 unknown, 0 real, 1 pseudo
    int Pseudo(dev_t dev) const;

private:
    std::unordered_map<dev_t, std::string> types_;
};
