#include "publish/sync/FileDigest.h"

#include "app/Sha256.h"

namespace qle::publish {

Result<FileDigest> DigestFile(const std::string& path)
{
    auto digest = app::Sha256OfFile(path);
    if (!digest)
        return digest.status();
    return FileDigest {digest->size, std::move(digest->hex)};
}

} // namespace qle::publish
