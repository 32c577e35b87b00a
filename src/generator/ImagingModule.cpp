#include "generator/ImagingModule.h"

#include "app/Paths.h"

#include <dlfcn.h>
#include <mutex>

namespace qle::generator {

namespace {

Result<const ImagingModule*> Load()
{
    const std::string beside = app::ExecutableFolder();
    std::string reasons;
    for (const std::string& folder : {beside, app::FolderOfPath(app::FolderOfPath(beside)) + "/lib/quillon-engine/",
                                      std::string(QLE_BUILT_MODULE_FOLDER)}) {
        const std::string path = app::JoinPath(folder, kImagingModuleFileName);
        // Kept loaded for the life of the program, as the library it loads expects.
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            reasons += std::string(reasons.empty() ? "" : "; ") + ::dlerror();
            continue;
        }
        using Entry = const ImagingModule* (*)();
        const auto entry = reinterpret_cast<Entry>(::dlsym(handle, "qle_imaging_module"));
        const ImagingModule* module = entry ? entry() : nullptr;
        if (module && module->version == kImagingModuleVersion)
            return module;
        reasons += (reasons.empty() ? "" : "; ") + path + " belongs to another version of the program";
        ::dlclose(handle);
    }
    return Status::NotFound("The imaging library cannot be loaded: " + reasons);
}

} // namespace

Result<const ImagingModule*> LoadImagingModule()
{
    static std::once_flag once;
    static Result<const ImagingModule*> loaded = Status::NotFound("");
    std::call_once(once, [] { loaded = Load(); });
    return loaded;
}

} // namespace qle::generator
