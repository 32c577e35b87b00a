// What a page's bytes are made from, hashed, so that a rebuild can keep a page without making it
// again when nothing it is made from changed.
#pragma once

#include "store/Value.h"

#include <string>
#include <string_view>
// The state's layout is needed to keep it in the class (and to copy it).
#define XXH_STATIC_LINKING_ONLY
#include <xxhash.h>

namespace qle::generator {

struct PictureFiles;

// A 128-bit hash of the inputs of a page, fed piece by piece. Each piece is framed by its length
// (and a value by whether it is null), so that no two different sequences of pieces hash alike by
// running into one another. Copyable: a page's inputs start from the site's.
class InputHash
{
public:
    InputHash();

    void add(std::string_view bytes);
    void addValue(const store::Value& value);
    void addNumber(long long number);
    // What a page shows of a picture: its copy's name and size, the files made of it and their
    // formats, and why it cannot be used.
    void addPicture(const PictureFiles& files);

    // 32 lower-case hex digits of what was added so far; more may be added after.
    std::string hex() const;

private:
    XXH3_state_t m_state;
};

// What identifies the running program: its version and its executable (size, time stamp, inode),
// so that pages made by another build of the program are never kept, whatever its version says.
const std::string& ProgramIdentity();

} // namespace qle::generator
