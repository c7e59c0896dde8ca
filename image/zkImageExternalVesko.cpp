// Writes every image of the scene to a PNG file of its own and, with _forcePngUsage, records the
// file as an external reference of the output, so that the scene (and a glTF export of it) can
// point at the file instead of carrying the pixels. Files go where the run writes its output
// (the interface's base directory), into _imageSubDirectory when one is given. The file name is
// the image name's last path component without its extension, so no name in a scene (with "..",
// an absolute path or a drive letter) can place a file anywhere else.
#include "image/zkImageExternalVesko.h"

#include <cstring>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkImageExternalVesko)

bool zkImageExternalVesko::configure(int)
{
    zkOptInterface* run = getOptInterface();
    if (run && run->isFolderWritable(_imageSubDirectory.c_str())) return true;
    printf("ERROR: The directory %s does not exist\n", _imageSubDirectory.isNull() ? "" : _imageSubDirectory.c_str());
    return false;
}

void zkImageExternalVesko::visitor(zkObject* object)
{
    if (zkImage* image = zkImage::dynamicCast(object)) handleImage(image);
}

zkMetaObject* zkImageExternalVesko::getVisitedObjectMeta()
{
    return zkImage::getClassTypeSafe();
}

void zkImageExternalVesko::handleImage(zkImage* image)
{
    zkSmartPointer<zkStringObj> fileName = zkCreate<zkStringObj>(getMemoryPool());
    fileName->set(image->getName());
    fileName->removePathFromFileName();
    fileName->removeFileExtension(3);
    if (fileName->getLength() == 0) fileName->set("DefaultImageName");
    fileName->appendFileExtension(".png");

    zkOptInterface* run = getOptInterface();
    zkSmartPointer<zkExternalDirEntry> entry;
    if (_forcePngUsage && run) {
        entry = run->getExternalEntry(image);
        if (!entry) entry = zkCreate<zkExternalImageEntry>(getMemoryPool());
        entry->setObject(image);
        entry->setDirectoryName(fileName->c_str());
        entry->setEntryName(fileName->c_str());
        run->addExternalReference(entry.get());
    }

    printf("saving image file <%s>\n", fileName->c_str());

    if (!_imageSubDirectory.empty()) {
        fileName->insertBefore("/", 0, 1);
        fileName->insertBefore(_imageSubDirectory.c_str(), 0, static_cast<int>(std::strlen(_imageSubDirectory.c_str())));
    }
    if (auto* imageEntry = zkExternalImageEntry::dynamicCast(entry.get())) imageEntry->setFilePath(fileName->c_str());
    image->saveAsPNG(run ? run->resolvePath(fileName->c_str()).c_str() : fileName->c_str());
}

} // namespace Tam::OptExtension
