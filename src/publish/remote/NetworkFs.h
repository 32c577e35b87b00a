// A web space reached over the network (FTP, FTP with TLS, SFTP or WebDAV): the RemoteFs calls,
// plus what a console or a connection test tells the author about the login.
#pragma once

#include "publish/remote/ConnectFailure.h"
#include "publish/remote/Connection.h"
#include "publish/remote/IdentityCheck.h"
#include "publish/remote/RemoteFs.h"

#include <memory>

namespace qle::publish {

class NetworkFs : public RemoteFs
{
public:
    // The kind of the last failure (None after a call that worked).
    virtual Failure lastFailure() const = 0;
    // After connect() failed with UnknownIdentity or ChangedIdentity: the identity the server showed.
    virtual const ServerIdentity& serverIdentity() const = 0;
    // Connections opened so far (1 on a healthy server).
    virtual long connectionsMade() const = 0;
};

// The connection for the settings' protocol, not yet connected. REQUIRES: not Git, which is no
// file system (see GitBranch.h).
std::unique_ptr<NetworkFs> MakeNetworkFs(const ConnectionSettings& settings);

} // namespace qle::publish
