#pragma once
// Keys that a benchmark adds to the Wine prefix's own registry for the programs it starts, which
// do not see a registry sandbox. Each key must be new; they are recorded before anything is
// written under them and removed again when the object goes, and a run killed halfway leaves the
// record, so that the next run removes them first.

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

struct prefix_key {
    HKEY hive;
    std::wstring path;

    bool operator==(const prefix_key&) const = default;
};

class added_keys {
public:
    // Throws when a wanted key is there already: a workstation mixed with one that is there would
    // be another workstation, and removing the keys afterwards would lose that one.
    explicit added_keys(const std::vector<prefix_key>& wanted);
    ~added_keys();
    added_keys(const added_keys&) = delete;
    added_keys& operator=(const added_keys&) = delete;
};

}  // namespace bench
