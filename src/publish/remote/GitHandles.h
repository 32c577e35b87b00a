// libgit2's handles, each owned (freed with libgit2's own call), and the small helpers every part
// of the Git transport uses. Only for the transport's own sources: it brings in libgit2.
#pragma once

#include <git2.h>

#include <memory>
#include <string>

namespace qle::publish::git {

template <typename T, void (*Free)(T*)>
struct Freer
{
    void operator()(T* p) const { Free(p); }
};
using Repository = std::unique_ptr<git_repository, Freer<git_repository, git_repository_free>>;
using Remote = std::unique_ptr<git_remote, Freer<git_remote, git_remote_free>>;
using Commit = std::unique_ptr<git_commit, Freer<git_commit, git_commit_free>>;
using Tree = std::unique_ptr<git_tree, Freer<git_tree, git_tree_free>>;
using TreeEntry = std::unique_ptr<git_tree_entry, Freer<git_tree_entry, git_tree_entry_free>>;
using Blob = std::unique_ptr<git_blob, Freer<git_blob, git_blob_free>>;
using Index = std::unique_ptr<git_index, Freer<git_index, git_index_free>>;
using Signature = std::unique_ptr<git_signature, Freer<git_signature, git_signature_free>>;
using Reference = std::unique_ptr<git_reference, Freer<git_reference, git_reference_free>>;
using Odb = std::unique_ptr<git_odb, Freer<git_odb, git_odb_free>>;

struct BufFree
{
    void operator()(git_buf* buf) const { git_buf_dispose(buf); }
};

// libgit2's words for the last error on this thread.
inline std::string LastError(int code)
{
    const git_error* error = git_error_last();
    return error && error->message ? error->message : "error " + std::to_string(code);
}

inline std::string Hex(const git_oid& id)
{
    char text[GIT_OID_HEXSZ + 1];
    git_oid_tostr(text, sizeof text, &id);
    return text;
}

} // namespace qle::publish::git
