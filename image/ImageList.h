// Image list files: a text file naming image files, one per line, that restricts the texture
// passes to some textures. In exclude mode the listed images are left alone; in include mode only
// they are treated. Both the quantizer and the mipmap pass read the same registry words and apply
// the same test to image 0 of every texture attribute they visit.
#pragma once
#include "frame/OptClass.h"

#include <string>

namespace Tam::OptExtension {

// Registry keys read in configure.
inline constexpr const char* kImageListFilenameToken = "imageListFilename";
inline constexpr const char* kIsExcludeToken = "isExclude";

// Fills list from the file: one entry per line, each reduced to its final path component (the
// extension stays). Answers the host parser's result.
int parseImageListFile(zkFile* file, zkStringObjList* list);

// Reads "isExclude" ("exclude" or "include", in any case; other values are ignored) and
// "imageListFilename" (replacing filename), then loads the list file it names, if it opens.
void readImageListSettings(zkOptBase& pass, int section, bool& isExclude, zkSmartPointer<zkStringObj>& filename,
                           zkStringObjList* list);

enum class ImageListVerdict { Process, Excluded, NotIncluded };

// The test on a texture's image 0. An image without a name is never looked up: it is named
// "image" and processed. Otherwise its file name is matched exactly against the entries.
ImageListVerdict testImageList(zkImage* image, const zkStringObjList& list, bool isExclude);

// The list test with its message: out is the pass itself or the run's interface, whichever the
// pass prints through. Answers whether the texture is to be treated.
template <class Output>
bool imageListAdmits(zkImage* image, const zkStringObjList& list, bool isExclude, const char* className,
                     Output& out)
{
    switch (testImageList(image, list, isExclude)) {
    case ImageListVerdict::Process: return true;
    case ImageListVerdict::Excluded:
        out.printf("%s: (%s) excluded from mipmap generation\n", className, image->getName());
        return false;
    case ImageListVerdict::NotIncluded:
        out.printf("%s: (%s) not included in mipmap generation\n", className, image->getName());
        return false;
    }
    return false;
}

} // namespace Tam::OptExtension
