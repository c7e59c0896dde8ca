#include "image/ImageList.h"

namespace Tam::OptExtension {

int parseImageListFile(zkFile* file, zkStringObjList* list)
{
    const int result = zkImageUtils::parseTextFile(file, list);
    const int count = list->getCount();
    for (int i = 0; i < count; ++i) {
        zkStringObj* entry = list->getString(i);
        if (entry) entry->set(zkImageUtils::getFileName(entry->getBuffer()));
    }
    return result;
}

void readImageListSettings(zkOptBase& pass, int section, bool& isExclude, zkSmartPointer<zkStringObj>& filename,
                           zkStringObjList* list)
{
    zkRegistry* registry = pass.getRegistry();
    if (!registry) return;
    auto value = zkSmartPointer<zkStringObj>::adopt(zkStringObj::_instantiateFromPool(pass.getMemoryPool()));
    if (registry->getValue(section, kIsExcludeToken, value, "", false)) {
        value->toLower();
        if (value->str() == "exclude") isExclude = true;
        else if (value->str() == "include") isExclude = false;
    }
    zkFile file;
    if (registry->getValue(section, kImageListFilenameToken, filename, "", false) && filename->getLength() > 0 &&
        list && file.open(filename->c_str(), "r")) {
        parseImageListFile(&file, list);
        file.close();
    }
}

ImageListVerdict testImageList(zkImage* image, const zkStringObjList& list, bool isExclude)
{
    if (!*image->getName()) {
        image->setName("image");
        return ImageListVerdict::Process;
    }
    const std::string fileName = zkImageUtils::getFileName(image->getName());
    bool listed = false;
    for (int i = 0; i < list.getCount() && !listed; ++i) {
        const zkStringObj* entry = list.getString(i);
        listed = entry && entry->str() == fileName;
    }
    if (isExclude) return listed ? ImageListVerdict::Excluded : ImageListVerdict::Process;
    return listed ? ImageListVerdict::Process : ImageListVerdict::NotIncluded;
}

} // namespace Tam::OptExtension
