#include "publish/sync/SafeReplace.h"

#include "publish/remote/RemoteError.h"
#include "publish/sync/SyncPlan.h"

namespace qle::publish {

namespace {

bool Final(const Status& s)
{
    const RemoteErrorKind kind = KindOf(s);
    return kind != RemoteErrorKind::Transient && kind != RemoteErrorKind::Stopped;
}

// Removes a temporary after a refusal; a removal that fails too is told in `replaced`.
void DropTemporary(RemoteFs& fs, const std::string& temporary, Replaced& replaced)
{
    Status removed = fs.remove(temporary);
    if (!removed.ok() && KindOf(removed) != RemoteErrorKind::NotFound && replaced.temporaryLeft.ok())
        replaced.temporaryLeft = removed;
}

Status SendInPlace(RemoteFs& fs, const std::string& localPath, const std::string& target, std::uint64_t& bytesSent,
                   Replaced& replaced)
{
    Status s = fs.put(localPath, target, bytesSent);
    replaced.inPlace = s.ok();
    return s;
}

// After the server refused to rename the temporary onto `target`: is it every rename, or this one?
// A second free name tells. True when the server allows no rename at all.
bool RenamesRefusedAltogether(RemoteFs& fs, const std::string& temporary, Replaced& replaced)
{
    const std::string probe = TemporaryPathFor(temporary);
    Status moved = fs.rename(temporary, probe);
    if (moved.ok()) {
        DropTemporary(fs, probe, replaced);
        return false;
    }
    return KindOf(moved) == RemoteErrorKind::Refused;
}

} // namespace

Status ReplaceFile(RemoteFs& fs, const std::string& localPath, const std::string& target, RenameSupport& renames,
                   std::uint64_t& bytesSent, Replaced& replaced)
{
    if (renames.none)
        return SendInPlace(fs, localPath, target, bytesSent, replaced);
    const std::string temporary = TemporaryPathFor(target);
    const std::uint64_t bytesBefore = bytesSent;
    // Visitors keep seeing the old file until the new one is complete.
    if (Status s = fs.put(localPath, temporary, bytesSent); !s.ok()) {
        if (Final(s))
            DropTemporary(fs, temporary, replaced);
        return s;
    }
    Status renamed = fs.rename(temporary, target);
    if (renamed.ok() || !Final(renamed))
        return renamed;
    if (KindOf(renamed) == RemoteErrorKind::AlreadyExists) {
        // Servers on some systems rename only onto a free name, and say so: the old file goes first.
        Status removed = fs.remove(target);
        renamed = removed.ok() || KindOf(removed) == RemoteErrorKind::NotFound ? fs.rename(temporary, target) : removed;
        if (renamed.ok() || !Final(renamed))
            return renamed;
    } else if (KindOf(renamed) == RemoteErrorKind::Refused && RenamesRefusedAltogether(fs, temporary, replaced)) {
        renames.none = true;
        DropTemporary(fs, temporary, replaced);
        bytesSent = bytesBefore; // the progress counts the file once: its bytes of `total`
        return SendInPlace(fs, localPath, target, bytesSent, replaced);
    }
    DropTemporary(fs, temporary, replaced);
    return renamed;
}

} // namespace qle::publish
