// Records the programs the product would start, instead of starting them (under Wine
// "explorer.exe" and "iexplore.exe" would start Wine's own).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace cc::test {

struct Launch {
    std::wstring file;
    std::wstring parameters;
    bool hasParameters;
    std::wstring folder;  // the working folder; empty when none was given
};

class LaunchRecorder {
public:
    LaunchRecorder();
    ~LaunchRecorder();
    LaunchRecorder(const LaunchRecorder&) = delete;
    LaunchRecorder& operator=(const LaunchRecorder&) = delete;
    // Read only once no object that could start a program is left.
    const std::vector<Launch>& launches() const;
    // Safe while other threads record.
    size_t count() const;
};

}  // namespace cc::test
