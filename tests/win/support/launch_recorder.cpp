#include "launch_recorder.h"

#include "actions/launch.h"

namespace cc::test {
namespace {

std::vector<Launch>& Recorded() {
    static std::vector<Launch> launches;
    return launches;
}

void Record(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder) {
    Recorded().push_back({file ? file : L"", parameters ? parameters : L"", parameters != nullptr, folder ? folder : L""});
}

}  // namespace

LaunchRecorder::LaunchRecorder() {
    Recorded().clear();
    SetProgramStarterForTesting(&Record);
}

LaunchRecorder::~LaunchRecorder() { SetProgramStarterForTesting(nullptr); }

const std::vector<Launch>& LaunchRecorder::launches() const { return Recorded(); }

}  // namespace cc::test
