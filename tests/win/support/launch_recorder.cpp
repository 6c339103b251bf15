#include "launch_recorder.h"

#include "actions/launch.h"

#include <mutex>

namespace cc::test {
namespace {

std::vector<Launch>& Recorded() {
    static std::vector<Launch> launches;
    return launches;
}

// The stress tests' objects can start programs from several threads at once.
std::mutex& RecordLock() {
    static std::mutex lock;
    return lock;
}

void Record(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder) {
    std::lock_guard<std::mutex> guard(RecordLock());
    Recorded().push_back({file ? file : L"", parameters ? parameters : L"", parameters != nullptr, folder ? folder : L""});
}

}  // namespace

LaunchRecorder::LaunchRecorder() {
    std::lock_guard<std::mutex> guard(RecordLock());
    Recorded().clear();
    SetProgramStarterForTesting(&Record);
}

LaunchRecorder::~LaunchRecorder() { SetProgramStarterForTesting(nullptr); }

const std::vector<Launch>& LaunchRecorder::launches() const { return Recorded(); }

size_t LaunchRecorder::count() const {
    std::lock_guard<std::mutex> guard(RecordLock());
    return Recorded().size();
}

}  // namespace cc::test
