#include "app/RegistryValue.h"

#include <gtest/gtest.h>

namespace qle::app {
namespace {

using namespace std::string_literals;

TEST(RegistryValue, DecodesStringsAndNumbers)
{
    struct Row
    {
        const char* name;
        std::uint32_t type;
        std::string bytes;
        std::string expected;
    };
    const Row rows[] = {
        {"string with its zero", kRegSz, "C:\\Tools\\info.exe\0"s, "C:\\Tools\\info.exe"},
        {"string without a zero keeps every character", kRegSz, "C:\\Tools\\info.exe"s, "C:\\Tools\\info.exe"},
        {"only one zero is dropped", kRegSz, "ab\0\0"s, "ab\0"s},
        {"lone zero", kRegSz, "\0"s, ""},
        {"number 258", kRegDword, "\x02\x01\x00\x00"s, "258"},
        {"number with a non-zero high byte", kRegDword, "\x00\x00\x00\x01"s, "16777216"},
        {"largest number", kRegDword, "\xff\xff\xff\xff"s, "4294967295"},
        {"short number", kRegDword, "\x07"s, "7"},
        {"other type is empty", 3, "\x01\x02"s, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DecodeRegistryValue(row.type, row.bytes), row.expected) << row.name;
}

} // namespace
} // namespace qle::app
