// Loading modules from disk.
#include <gtest/gtest.h>

#include <stdexcept>

#include "refhost/ReferenceHost.h"

namespace {

std::string loadError(const std::filesystem::path& path) {
    refhost::ReferenceHost host;
    try {
        host.loadModule(path);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

}  // namespace

TEST(Loader, FailuresNameThePathAndTheLoadersMessage) {
    const std::string missing = loadError("/nonexistent/Missing.so");
    EXPECT_NE(missing.find("/nonexistent/Missing.so"), std::string::npos);
    EXPECT_NE(missing.find("No such file"), std::string::npos);

    const std::string platform = SG_BUILD_DIR "/libsgplatform.so";
    const std::string noEntry = loadError(platform);
    EXPECT_NE(noEntry.find(platform + " has no Main1"), std::string::npos) << noEntry;
}

TEST(Loader, TheResourceFileLiesBesideTheModule) {
    EXPECT_EQ(refhost::resourceFileOf("/build/SavitzkyGolay.so"), "/build/SavitzkyGolay.rsrc.json");
}
