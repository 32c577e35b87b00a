#include "publish/remote/NetworkFs.h"

#include "publish/remote/CurlRemoteFs.h"
#include "publish/remote/DavRemoteFs.h"

namespace qle::publish {

std::unique_ptr<NetworkFs> MakeNetworkFs(const ConnectionSettings& settings)
{
    if (settings.protocol == Protocol::WebDav)
        return std::make_unique<DavRemoteFs>(settings);
    return std::make_unique<CurlRemoteFs>(settings);
}

} // namespace qle::publish
