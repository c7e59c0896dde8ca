// The PS2 texture unit handles narrow, tall textures badly. For every texture bound in an
// attribute set whose image is in one of the small formats and narrower than 128 while taller
// than 64 (or, 4-bit indexed, narrower than 64 while taller than 32), the pass either transposes
// the image, so that it becomes wide and short, and swaps u and v of every geometry drawn with
// it, or, with rotation off, stretches the image to the width. Textures and geometry may be
// shared between attribute sets: the visited lists make each change happen once per pass object.
#include "image/veskoScalePs2Texture.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace Tam::OptExtension {

static const zkRegisterFunction veskoScalePs2Texture_dependencies[] = {zkNodeList::arkRegister, zkAttrList::arkRegister, zkBoolList::arkRegister, nullptr};
ZK_DEFINE_PASS_WITH_FIELDS_AND_DEPS(veskoScalePs2Texture, veskoScalePs2Texture_dependencies)

namespace {

constexpr int kFullWidth = 128, kFullHeightLimit = 64;
constexpr int kNibbleWidth = 64, kNibbleHeightLimit = 32;

bool isEligibleFormat(int format)
{
    switch (format) {
    case ZK_GFX_TEXTURE_FORMAT_L_8:
    case ZK_GFX_TEXTURE_FORMAT_A_8:
    case ZK_GFX_TEXTURE_FORMAT_LA_44_8:
    case ZK_GFX_TEXTURE_FORMAT_RGB_332_8:
    case ZK_GFX_TEXTURE_FORMAT_L_4:
    case ZK_GFX_TEXTURE_FORMAT_INDEXED_8:
    case ZK_GFX_TEXTURE_FORMAT_INDEXED_4: return true;
    default: return false;
    }
}

// The visited lists are ordered by object identity.
int byIdentity(const zkObject* a, const zkObject* b)
{
    return std::less<const zkObject*>()(a, b) ? -1 : std::less<const zkObject*>()(b, a) ? 1 : 0;
}

// Messages name objects by the low 32 bits of their address.
unsigned addressWord(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

// The progress text of one texture binding is built from pieces of at most 256 characters into
// at most 10240; what does not fit is cut.
constexpr std::size_t kProgressLimit = 10240;

__attribute__((format(printf, 2, 3))) void appendPiece(std::string& text, const char* format, ...)
{
    char piece[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    const std::size_t room = kProgressLimit - 1 - std::min(text.size(), kProgressLimit - 1);
    text.append(std::string_view(piece).substr(0, room));
}

// A failed internal check, reported until the host asks for it to be ignored.
void reportOnce(bool& ignored, int line, const char* message)
{
    if (ignored) return;
    if (zkReportError(__FILE__, line, message) == ZK_REPORT_IGNORE_ALWAYS) ignored = true;
}
bool g_ignoreNoTexture = false;
bool g_ignoreNoImage = false;

// Checks what transposing and widening need; reports what is missing.
zkImage* imageToReplace(zkTextureAttr* texture)
{
    if (!texture) {
        reportOnce(g_ignoreNoTexture, __LINE__, "Could not find texture for texture bind!");
        return nullptr;
    }
    zkImage* image = texture->getImage(0);
    if (!image) reportOnce(g_ignoreNoImage, __LINE__, "Could not find image for texture");
    return image;
}

} // namespace

bool veskoScalePs2Texture::configure(int)
{
    return true;
}

zkMetaObject* veskoScalePs2Texture::getVisitedObjectMeta()
{
    return zkAttrSet::getClassTypeSafe();
}

void veskoScalePs2Texture::visitor(zkObject* object)
{
    zkAttrSet* set = zkAttrSet::dynamicCast(object);
    if (!set || !_visitedGeometryList || !_visitedTextureList || !_textureWasFlippedList) return;
    for (int i = 0; i < set->getAttrCount(); ++i) {
        zkAttr* attr = set->getAttr(i);
        if (!attr || !attr->isOfType(zkTextureBindAttr::getClassTypeSafe())) continue;
        zkSmartPointer<zkTextureAttr> texture(static_cast<zkTextureBindAttr*>(attr)->getTexture());
        if (!texture) continue;

        std::string progress;
        bool report = false;
        appendPiece(progress, "%s 0x%08x \"%s\" attr %d...", set->getMeta()->getName(), addressWord(set), set->getName(), i);
        zkSmartPointer<zkImage> image(texture->getImage(0));
        if (!image) continue;
        int k = _visitedTextureList->sortedFind(texture.get(), byIdentity);
        const bool firstVisit = k < 0;
        if (firstVisit) {
            _visitedTextureList->sortedAdd(texture.get(), byIdentity);
            k = _visitedTextureList->sortedFind(texture.get(), byIdentity);
            _textureWasFlippedList->insert(std::min(k, _textureWasFlippedList->getCount()), 1, false);
        }
        const int format = image->getFormat(), width = image->getWidth(), height = image->getHeight();
        const char* formatName = getZK_GFX_TEXTURE_FORMATMetaEnum()->getEnumName(format);
        appendPiece(progress, "img \"%s\" format %s (%d,%d)...", image->getName(), formatName ? formatName : "", width, height);

        const int target = targetWidth(format, width, height);
        if (target > 0) {
            if (_textureRotationState) {
                report = true;
                if (firstVisit && transposeTexture(texture.get())) {
                    // Lists handed in through the setters may be out of step; the mark must fit.
                    if (k >= _textureWasFlippedList->getCount()) _textureWasFlippedList->setCount(k + 1);
                    _textureWasFlippedList->set(k, true);
                    appendPiece(progress, "texture flipped");
                }
            } else {
                if (widenTexture(texture.get(), target, height)) appendPiece(progress, "scaled to %dx%d", target, height);
                report = true;
            }
        }
        if (k < _textureWasFlippedList->getCount() && _textureWasFlippedList->get(k)) {
            if (!report) {
                appendPiece(progress, "additional geometry instance flipped");
                report = true;
            }
            swapCoordinatesBelow(set, progress);
        }
        appendPiece(progress, ".\n");
        if (report && _printProgress) printf("%s", progress.c_str());
    }
}

int veskoScalePs2Texture::targetWidth(int format, int width, int height)
{
    if (isEligibleFormat(format) && width < kFullWidth && height > kFullHeightLimit) return kFullWidth;
    if (format == ZK_GFX_TEXTURE_FORMAT_INDEXED_4 && width < kNibbleWidth && height > kNibbleHeightLimit)
        return kNibbleWidth;
    return 0;
}

bool veskoScalePs2Texture::transposeTexture(zkTextureAttr* texture)
{
    zkImage* image = imageToReplace(texture);
    if (!image) return false;
    auto flipped = zkCreate<zkImage>();
    auto turned = zkCreate<zkImage>();
    if (!flipped->flipV(image) || !turned->rotate(flipped.get(), 90.0)) return false;
    turned->setName(image->getName());
    texture->setImage(turned.get(), 0);
    texture->setUpdate(1);
    texture->swapWraps();
    return true;
}

bool veskoScalePs2Texture::widenTexture(zkTextureAttr* texture, int width, int height)
{
    zkImage* image = imageToReplace(texture);
    if (!image) return false;
    auto wide = zkCreate<zkImage>();
    if (!wide->resampleFrom(image, width, height)) return false;
    wide->setName(image->getName());
    texture->setImage(wide.get(), 0);
    texture->setUpdate(1);
    return true;
}

void veskoScalePs2Texture::swapCoordinatesBelow(zkAttrSet* set, std::string& progress)
{
    zkMetaObject* geometryType = zkGeometry::getClassTypeSafe();
    auto walk = zkCreate<zkIterateGraph>();
    for (zkNode* node = walk->beginOfType(set, geometryType); walk->isNotLast(); node = walk->getNextOfType(geometryType)) {
        zkGeometry* geometry = static_cast<zkGeometry*>(node);
        if (_visitedGeometryList->sortedFind(geometry, byIdentity) >= 0) {
            appendPiece(progress, "...%s \"%s\" skipped because this has already been visited", geometry->getMeta()->getName(),
                         geometry->getName());
        } else {
            _visitedGeometryList->sortedAdd(geometry, byIdentity);
            for (int a = 0; a < geometry->getGeometryAttrCount(); ++a) {
                zkGeometryAttr* attr = geometry->getGeometryAttr(a);
                zkVertexArray* vertices = attr ? attr->getVertexArray() : nullptr;
                if (!vertices || vertices->getTextureCoordSetCount() < 1) continue;
                for (int v = 0; v < vertices->getVertexCount(); ++v) {
                    const float* uv = vertices->getTextureCoord(0, v);
                    vertices->setTextureCoord(0, v, uv[1], uv[0]);
                }
            }
            appendPiece(progress, "...%s \"%s\" flipped", geometry->getMeta()->getName(), geometry->getName());
        }
    }
}

} // namespace Tam::OptExtension
