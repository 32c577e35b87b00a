// Asking the C library for the heap's huge pages through its start-up variable.
#include "app/HugePages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace qle::app {
namespace {

constexpr const char* kVariable = "GLIBC_TUNABLES";

// What the variable says in a case and, after it, what it said before the test.
class Tunables
{
public:
    Tunables()
    {
        if (const char* value = std::getenv(kVariable))
            m_saved = value;
    }
    ~Tunables() { set(m_saved ? m_saved->c_str() : nullptr); }
    static void set(const char* value)
    {
        if (value)
            ::setenv(kVariable, value, 1);
        else
            ::unsetenv(kVariable);
    }

private:
    std::optional<std::string> m_saved;
};

// Asked once, added to what else the variable says, never over a choice already made; asked again
// (by the program started again), nothing: else the build would start itself again and again.
TEST(HugePages, AskedOnceBesideOtherTunablesAndNeverOverAChoiceMade)
{
    Tunables saved;
    struct Case
    {
        const char* before;
        bool asked;
        const char* after;
    };
    const Case cases[] = {
        {nullptr, true, "glibc.malloc.hugetlb=1"},
        {"", true, "glibc.malloc.hugetlb=1"},
        {"glibc.malloc.arena_max=2", true, "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"},
        {"glibc.malloc.hugetlb=0", false, "glibc.malloc.hugetlb=0"},
        {"glibc.malloc.hugetlb=2:glibc.malloc.arena_max=2", false, "glibc.malloc.hugetlb=2:glibc.malloc.arena_max=2"},
    };
    for (const Case& c : cases) {
        const std::string what = c.before ? c.before : "(unset)";
        Tunables::set(c.before);
        EXPECT_EQ(AskForHugePageHeap(), c.asked) << what;
        ASSERT_NE(std::getenv(kVariable), nullptr) << what;
        EXPECT_STREQ(std::getenv(kVariable), c.after) << what;
        EXPECT_FALSE(AskForHugePageHeap()) << what << ", asked again";
        EXPECT_STREQ(std::getenv(kVariable), c.after) << what << ", asked again";
    }
}

} // namespace
} // namespace qle::app
