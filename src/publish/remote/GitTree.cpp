#include "publish/remote/GitTree.h"

namespace qle::publish::git {

namespace {

// The commit's identity when the author's Git configuration names none.
constexpr const char* kProgramName = "Quillon Engine";
constexpr const char* kProgramEmail = "publish@quillon-engine.invalid";

Signature SignatureFor(git_repository* repository)
{
    git_signature* sig = nullptr;
    // The author's own Git identity, when the Git configuration names one.
    if (git_signature_default(&sig, repository) == 0)
        return Signature(sig);
    if (git_signature_now(&sig, kProgramName, kProgramEmail) == 0)
        return Signature(sig);
    return {};
}

} // namespace

Result<Tree> TipTree(git_repository* repository, const git_oid* tip)
{
    if (!tip)
        return Tree();
    git_commit* commit = nullptr;
    if (int code = git_commit_lookup(&commit, repository, tip); code < 0)
        return Status::IoError("Cannot read the branch's commit: " + LastError(code));
    Commit owned(commit);
    git_tree* tree = nullptr;
    if (int code = git_commit_tree(&tree, commit); code < 0)
        return Status::IoError("Cannot read the branch's files: " + LastError(code));
    return Tree(tree);
}

Result<std::map<std::string, GitFile>> FilesOf(git_repository* repository, const git_oid* tip,
                                               const std::string& folder)
{
    std::map<std::string, GitFile> files;
    auto root = TipTree(repository, tip);
    if (!root)
        return root.status();
    if (!root.value())
        return files;
    Tree subtree;
    git_tree* start = root->get();
    if (!folder.empty()) {
        git_tree_entry* entry = nullptr;
        const std::string path = folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
        if (git_tree_entry_bypath(&entry, root->get(), path.c_str()) != 0)
            return files; // no such folder on the branch yet
        TreeEntry owned(entry);
        git_object* object = nullptr;
        if (git_tree_entry_type(entry) != GIT_OBJECT_TREE || git_tree_entry_to_object(&object, repository, entry) != 0)
            return files;
        subtree.reset(reinterpret_cast<git_tree*>(object));
        start = subtree.get();
    }
    git_odb* odb = nullptr;
    if (int code = git_repository_odb(&odb, repository); code < 0)
        return Status::IoError("Cannot read the local repository: " + LastError(code));
    Odb ownedOdb(odb);
    struct Walk
    {
        git_odb* odb;
        std::map<std::string, GitFile>* files;
    } walk {odb, &files};
    const auto visit = [](const char* parent, const git_tree_entry* entry, void* payload) -> int {
        auto* w = static_cast<Walk*>(payload);
        if (git_tree_entry_type(entry) != GIT_OBJECT_BLOB)
            return 0;
        std::size_t size = 0;
        git_object_t type {};
        (void)git_odb_read_header(&size, &type, w->odb, git_tree_entry_id(entry));
        (*w->files)[std::string(parent) + git_tree_entry_name(entry)] = {Hex(*git_tree_entry_id(entry)), size};
        return 0;
    };
    if (int code = git_tree_walk(start, GIT_TREEWALK_PRE, visit, &walk); code < 0)
        return Status::IoError("Cannot read the branch's files: " + LastError(code));
    return files;
}

Result<std::string> FileOf(git_repository* repository, const git_oid* tip, const std::string& path)
{
    auto root = TipTree(repository, tip);
    if (!root)
        return root.status();
    git_tree_entry* entry = nullptr;
    if (!root.value() || git_tree_entry_bypath(&entry, root->get(), path.c_str()) != 0)
        return Status::NotFound("No file " + path + " on the branch");
    TreeEntry owned(entry);
    git_blob* blob = nullptr;
    if (int code = git_blob_lookup(&blob, repository, git_tree_entry_id(entry)); code < 0)
        return Status::NotFound("No file " + path + " on the branch");
    Blob ownedBlob(blob);
    return std::string(static_cast<const char*>(git_blob_rawcontent(blob)),
                       static_cast<std::size_t>(git_blob_rawsize(blob)));
}

Result<std::string> CommitOnTip(git_repository* repo, const git_oid* tip,
                                const std::map<std::string, std::string>& write, const std::vector<std::string>& remove,
                                const std::map<std::string, std::string>& texts, const std::string& message)
{
    git_index* rawIndex = nullptr;
    if (int code = git_index_new(&rawIndex); code < 0)
        return Status::IoError("Cannot build the commit: " + LastError(code));
    Index index(rawIndex);
    auto root = TipTree(repo, tip);
    if (!root)
        return root.status();
    if (root.value())
        if (int code = git_index_read_tree(index.get(), root->get()); code < 0)
            return Status::IoError("Cannot read the branch's files: " + LastError(code));
    const auto add = [&](const std::string& path, const git_oid& id) {
        git_index_entry entry {};
        entry.mode = GIT_FILEMODE_BLOB;
        entry.id = id;
        entry.path = path.c_str();
        return git_index_add(index.get(), &entry);
    };
    for (const auto& [path, local] : write) {
        git_oid id {};
        if (int code = git_blob_create_from_disk(&id, repo, local.c_str()); code < 0)
            return Status::IoError("Cannot read " + local + ": " + LastError(code));
        if (int code = add(path, id); code < 0)
            return Status::IoError("Cannot add " + path + " to the commit: " + LastError(code));
    }
    for (const auto& [path, bytes] : texts) {
        git_oid id {};
        if (int code = git_blob_create_from_buffer(&id, repo, bytes.data(), bytes.size()); code < 0)
            return Status::IoError("Cannot store " + path + ": " + LastError(code));
        if (int code = add(path, id); code < 0)
            return Status::IoError("Cannot add " + path + " to the commit: " + LastError(code));
    }
    for (const auto& path : remove)
        (void)git_index_remove(index.get(), path.c_str(), 0); // already gone from the branch: nothing to do
    git_oid treeId {};
    if (int code = git_index_write_tree_to(&treeId, index.get(), repo); code < 0)
        return Status::IoError("Cannot build the commit's files: " + LastError(code));
    git_tree* tree = nullptr;
    if (int code = git_tree_lookup(&tree, repo, &treeId); code < 0)
        return Status::IoError("Cannot build the commit's files: " + LastError(code));
    Tree ownedTree(tree);
    Commit parent;
    if (tip) {
        git_commit* raw = nullptr;
        if (int code = git_commit_lookup(&raw, repo, tip); code < 0)
            return Status::IoError("Cannot read the branch's commit: " + LastError(code));
        parent.reset(raw);
    }
    Signature signature = SignatureFor(repo);
    if (!signature)
        return Status::IoError("Cannot sign the commit: " + LastError(-1));
    const git_commit* parents[] = {parent.get()};
    git_oid commitId {};
    if (int code = git_commit_create(&commitId, repo, nullptr, signature.get(), signature.get(), nullptr,
                                     message.c_str(), tree, parent ? 1 : 0, parent ? parents : nullptr);
        code < 0)
        return Status::IoError("Cannot make the commit: " + LastError(code));
    return Hex(commitId);
}

} // namespace qle::publish::git
