#include "tools/zkopt/Commands.h"
#include "tools/zkopt/Paths.h"

#include "tools/zkopt/FieldText.h"

#include "host/anim/zkAnimation.h"
#include "host/io/SceneFile.h"

#include <cstdio>
#include <filesystem>
#include <map>

namespace zkopt {

using namespace Tam::Core;
using namespace Tam::Sg;

namespace {

const int kMaxTreeLines = 200;

// A name from the scene as a quoted JSON string: control characters and bytes that are no UTF-8
// are escaped or replaced, so that a name cannot move the cursor or fake lines of output.
std::string quoted(const char* name)
{
    return json(name ? name : "").dump(-1, ' ', false, json::error_handler_t::replace);
}

void printTree(zkNode* node, int depth, int& lines)
{
    if (!node || lines >= kMaxTreeLines) return;
    if (++lines == kMaxTreeLines) {
        std::printf("%*s...\n", 2 * depth + 4, "");
        return;
    }
    std::printf("%*s%s %s", 2 * depth + 4, "", node->getMeta()->getName(), quoted(node->getName()).c_str());
    if (node->getFlags()) std::printf(" flags 0x%02x", node->getFlags());
    if (node->getParentCount() > 1) std::printf(" (shared by %d)", node->getParentCount());
    std::printf("\n");
    if (auto* group = zkGroup::dynamicCast(node))
        for (int i = 0; i < group->getChildCount(); ++i) printTree(group->getChild(i), depth + 1, lines);
}

// Infos other than scenes are shown by their fields, so records that a pass library adds (such
// as a collision hull) need no code here.
void describeInfo(zkObject* info)
{
    if (zkSceneInfo::dynamicCast(info)) return;
    zkMetaObject* meta = info->getMeta();
    for (int i = zkInfo::getClassTypeSafe()->getMetaFieldCount(); i < meta->getMetaFieldCount(); ++i) {
        zkMetaField* f = meta->getIndexedMetaField(i);
        json value = fieldValueJson(f, info);
        if (f->getKind() == zkFieldKind::Object) {
            zkObject* r = f->ref<zkSmartPointer<zkObject>>(info).get();
            if (auto* list = zkFloatList::dynamicCast(r)) value = std::to_string(list->getCount()) + " words";
        }
        std::printf("      %s = %s\n", f->getName(), value.dump().c_str());
    }
}

// The motion records that motion extraction leaves on tracks, one line per track that has one.
void describeMotion(const zkAnimationDatabase* db)
{
    for (int a = 0; a < db->getAnimationCount(); ++a)
        for (int t = 0; db->getAnimation(a) && t < db->getAnimation(a)->getTrackCount(); ++t) {
            const zkAnimationTrack* track = db->getAnimation(a)->getTrack(t);
            if (!track || track->getMotionMarker() == 0.0f) continue;
            const auto& v = track->getMotionVelocity();
            const auto& s = track->getMotionStart();
            std::printf("      animation %s track %s: motion velocity (%g, %g, %g) marker %g start (%g, %g, %g)\n",
                        quoted(db->getAnimation(a)->getName()).c_str(), quoted(track->getName()).c_str(), v.x, v.y, v.z, track->getMotionMarker(), s.x,
                        s.y, s.z);
        }
}

} // namespace

int infoCommand(const std::string& input)
{
    std::string error;
    zkSmartPointer<zkFileInfo> file = Tam::Io::zkReadScene(input, error);
    if (!file) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    zkObjectList* infos = file->getInfoList();
    std::printf("%s: %d info%s\n", input.c_str(), infos->getCount(), infos->getCount() == 1 ? "" : "s");
    for (int i = 0; i < infos->getCount(); ++i) {
        zkObject* info = infos->get(i);
        const char* name = zkNamedObject::dynamicCast(info) ? static_cast<zkNamedObject*>(info)->getName() : "";
        std::printf("  [%d] %s %s\n", i, info->getMeta()->getName(), quoted(name).c_str());
        describeInfo(info);
        if (auto* db = zkAnimationDatabase::dynamicCast(info)) describeMotion(db);
        if (auto* scene = zkSceneInfo::dynamicCast(info)) {
            int lines = 0;
            printTree(scene->getRoot(), 0, lines);
        }
    }
    std::vector<Tam::Gfx::zkImage*> images;
    zkVisitReachable(file, Tam::Gfx::zkImage::getClassTypeSafe(),
                     [&](zkObject* o) { images.push_back(static_cast<Tam::Gfx::zkImage*>(o)); });
    if (!images.empty()) std::printf("images:\n");
    for (Tam::Gfx::zkImage* image : images) {
        const char* format = Tam::Gfx::formatName(static_cast<uint32_t>(image->getFormat()));
        std::printf("  %-32s %-36s %5d x %-5d %9d bytes%s\n", quoted(image->getName()).c_str(), format ? format : "(unknown format)",
                    image->getWidth(), image->getHeight(), image->getDataSize(),
                    image->getClut() ? (" palette " + std::to_string(image->getClut()->getEntryCount())).c_str() : "");
    }
    std::map<std::string, int> counts;
    zkVisitReachable(file, nullptr, [&](zkObject* o) { ++counts[o->getMeta()->getName()]; });
    std::printf("objects by class:\n");
    for (const auto& [name, count] : counts) std::printf("  %-32s %d\n", name.c_str(), count);
    return EXIT_OK;
}

// Writes every image of the scene as a PNG file in folder, named after the image's file name.
static int writeImages(zkFileInfo* file, const std::string& folder)
{
    int index = 0, failures = 0;
    zkVisitReachable(file, Tam::Gfx::zkImage::getClassTypeSafe(), [&](zkObject* o) {
        auto* image = static_cast<Tam::Gfx::zkImage*>(o);
        std::string name = std::filesystem::path(image->getName()).stem().string();
        for (char& c : name)
            if (c == '\\' || c == ':' || c == '$' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '_';
        if (name.empty()) name = "image";
        std::string path = (std::filesystem::path(folder) / (std::to_string(index++) + "_" + name + ".png")).string();
        std::string error;
        if (image->saveAsPNG(path.c_str(), &error)) std::printf("  %s\n", path.c_str());
        else {
            std::fprintf(stderr, "zkopt: image %s: %s\n", quoted(image->getName()).c_str(), error.c_str());
            ++failures;
        }
    });
    return failures ? EXIT_BAD_INPUT : EXIT_OK;
}

int convertCommand(const std::string& input, const std::string& output, const std::string& imageFolder)
{
    std::string error;
    zkSmartPointer<zkFileInfo> file = Tam::Io::zkReadScene(input, error);
    if (!file) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    // The image folder is made and checked first: a scene whose images could not be written is
    // not left behind as if the conversion had worked.
    if (!imageFolder.empty() && !checkWritableFolder(imageFolder, true, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    // The images first: a scene is not left behind as if the conversion had worked when one of
    // them could not be written.
    if (!imageFolder.empty() && writeImages(file, imageFolder) != EXIT_OK) {
        std::fprintf(stderr, "zkopt: %s was not written\n", output.c_str());
        return EXIT_BAD_INPUT;
    }
    if (!Tam::Io::zkWriteScene(file.get(), output, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    std::printf("%s -> %s\n", input.c_str(), output.c_str());
    return EXIT_OK;
}

} // namespace zkopt
