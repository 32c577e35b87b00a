// The base folder's lock: who is told what when it is refused.
#include "app/BaseFolderLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace qle::app {
namespace {

// A build refused by another build is told which site is being built, never that an upload runs,
// whenever it asks: while the other takes the lock, while it holds it, while it lets it go, and
// after a third caller was refused too.
TEST(BaseFolderLock, ABuildRefusedByABuildIsToldWhichSiteIsBeingBuilt)
{
    test::TempDir dir;
    const std::string base = dir / "";
    std::atomic<bool> stop = false;
    std::thread other([&] {
        while (!stop)
            (void)BaseFolderLock::acquire(base, BaseFolderLock::Mode::Build, "Other.qls");
    });
    int refusals = 0;
    std::string wrong;
    for (int i = 0; i < 4000 && refusals < 500 && wrong.empty(); ++i) {
        for (const auto mode : {BaseFolderLock::Mode::Build, BaseFolderLock::Mode::Upload}) {
            const auto lock = BaseFolderLock::acquire(base, mode, "Mine.qls");
            if (lock.ok())
                continue;
            if (lock.status().message().find("The site Other.qls is being built") == std::string::npos)
                wrong = lock.status().message();
            ++refusals;
        }
    }
    stop = true;
    other.join();
    EXPECT_EQ(wrong, "");
    EXPECT_GT(refusals, 0) << "the two never met";
}

} // namespace
} // namespace qle::app
