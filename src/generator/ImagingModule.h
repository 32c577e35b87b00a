// The imaging library's part of picture making, in a module the program loads on first use.
#pragma once

#include "generator/PictureEncoder.h"
#include "store/Status.h"

namespace qle::generator {

// Changes whenever ImagingModule changes, so that a module of another build is never used.
inline constexpr int kImagingModuleVersion = 1;

// What the module offers; see ReadPictureHeader and EncodePicture.
struct ImagingModule
{
    int version;
    // The header of the picture at `path`, whose first bytes say it is in `format`.
    Result<PictureHeader> (*readHeader)(const std::string& path, PictureFormat format);
    Status (*encode)(const std::string& path, const PictureSettings& settings,
                     const std::vector<PictureVariant>& variants, const std::vector<std::string>& targets);
};

// The module's file name, found beside the program, in <prefix>/lib/quillon-engine/ of an installed
// program, or where the build put it.
inline constexpr const char* kImagingModuleFileName = "libqle_imaging.so";

// Loads the module once (later calls return the same); the error says why it cannot be.
Result<const ImagingModule*> LoadImagingModule();

} // namespace qle::generator
