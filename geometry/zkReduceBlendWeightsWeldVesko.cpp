// Prepares skinned geometry for targets that blend a fixed, small number of matrices per vertex.
// Each geometry attribute is first welded as the welding pass does (here positions, normals and
// texture set 0 take part wherever the array has them). Then each vertex's blend weights are
// sorted strongest first, carrying their matrix indices along; the array is rebuilt with
// _blendWeightCount weights; weights below _blendWeightMin are cleared and the rest are scaled
// to sum to 1. The last kept weight slot is cleared before scaling: the target derives it.
// Attributes that already have few enough weights are skipped unless a minimum is asked for.
// Running totals are printed after every geometry node.
#include "geometry/zkReduceBlendWeightsWeldVesko.h"

#include "frame/Messages.h"
#include "geometry/WeldAttr.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkReduceBlendWeightsWeldVesko)

namespace {
// The most weights a vertex format can hold (bits 4 to 7).
constexpr int kMaxWeights = 15;
} // namespace

bool zkReduceBlendWeightsWeldVesko::applyInfo(zkInfo* info)
{
    bool applied = zkOptBase::applyInfo(info) != false;
    // Skinned graphs kept with the animations are treated too.
    if (zkAnimationDatabase::dynamicCast(info) && defaultApplyAnimationDatabase(info, this)) applied = true;
    return applied;
}

bool zkReduceBlendWeightsWeldVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info) || zkAnimationDatabase::dynamicCast(info) != nullptr;
}

bool zkReduceBlendWeightsWeldVesko::configure(int)
{
    return true;
}

bool zkReduceBlendWeightsWeldVesko::preTraverse()
{
    setNodeType(zkGeometry::getClassTypeSafe());
    setNameFilter("");
    setExactType(false);
    _notifyOfError = true;
    if (_blendWeightCount == 0) {
        printf("WARNING: a new blend weight count of zero has been specified.\n");
        printf("The new vertex arrays will have zero blend weights, but still\n");
        printf("one blend index will remain, and it will be up to the platform\n");
        printf("to assume that the blend weight is 1.0\n");
    }
    return true;
}

GRAPH_TRAVERSAL zkReduceBlendWeightsWeldVesko::dispatch(zkSmartPointer<zkNode>& node)
{
    zkGeometry* geometry = zkGeometry::dynamicCast(node.get());
    if (!geometry) {
        printNullGeometryNotice(*this, _notifyOfError);
    }
    const int count = geometry ? geometry->getGeometryAttrCount() : 0;
    for (int i = 0; i < count; ++i) {
        zkSmartPointer<zkGeometryAttr> attr(geometry->getGeometryAttr(i));
        if (!attr) continue;
        const int current = attr->getVertexArray() ? attr->getVertexArray()->getWeightCount() : 0;
        if (_weldVerts && !weldAttrVerts(attr))
            printAlreadyStripped(*this, geometry, i);
        if (_blendWeightCount >= static_cast<uint32_t>(current) && _blendWeightMin <= 0) {
            printf("%s: skipped because current %d < specified %d\n", geometryAttrName(geometry, i).c_str(), current,
                   static_cast<int>(_blendWeightCount));
            continue;
        }
        sortBlendWeights(attr);
        ReduceBlendWeightsWeldVesko(attr, _blendWeightCount);
        normalizeBlendWeights(attr);
        printf("%s: reduced from %d to %d\n", geometryAttrName(geometry, i).c_str(), current,
               static_cast<int>(_blendWeightCount));
    }
    printf("Welding: before %d   after %d\n", _totalBeforeVerts, _totalAfterVerts);
    printf("Vert-Wts: total %d   before %d   after %d\n", _totalAllWeights, _totalBeforeWeights, _totalAfterWeights);
    return GRAPH_TRAVERSAL_CONTINUE;
}

bool zkReduceBlendWeightsWeldVesko::postTraverse()
{
    return true;
}

bool zkReduceBlendWeightsWeldVesko::weldAttrVerts(zkSmartPointer<zkGeometryAttr>& attr)
{
    return weldGeometryAttr(attr, WeldCompare::WhereSupplied, true, _totalBeforeVerts, _totalAfterVerts);
}

void zkReduceBlendWeightsWeldVesko::sortBlendWeights(zkSmartPointer<zkGeometryAttr>& attr)
{
    zkSmartPointer<zkVertexArray> vertices(attr->getVertexArray());
    if (!vertices) return;
    const int weights = std::min(vertices->getWeightCount(), kMaxWeights);
    for (int v = 0; v < vertices->getVertexCount(); ++v) {
        _totalAllWeights += weights;
        // Nothing to order: the count is taken once, not per vertex.
        if (weights < 2) return;
        float w[kMaxWeights];
        uint8_t matrix[kMaxWeights];
        for (int j = 0; j < weights; ++j) {
            w[j] = vertices->getWeight(j, v);
            matrix[j] = vertices->getBlendMatrixIndex(j, v);
        }
        // Adjacent exchanges of strictly smaller predecessors keep equal weights in their order;
        // each pass resumes just before the first exchange of the one before.
        for (int start = 1;;) {
            int first = 0;
            for (int j = start; j < weights; ++j) {
                if (!(w[j - 1] < w[j])) continue;
                std::swap(w[j - 1], w[j]);
                std::swap(matrix[j - 1], matrix[j]);
                if (!first) first = j;
            }
            if (!first) break;
            start = std::max(1, first - 1);
        }
        for (int j = 0; j < weights; ++j) {
            vertices->setWeight(j, v, w[j]);
            vertices->setBlendMatrixIndex(j, v, matrix[j]);
        }
    }
}

void zkReduceBlendWeightsWeldVesko::ReduceBlendWeightsWeldVesko(zkSmartPointer<zkGeometryAttr>& attr, uint32_t count)
{
    zkSmartPointer<zkVertexArray> source(attr->getVertexArray());
    if (!source) return;
    zkVertexFormat format = source->getVertexFormat();
    format.setWeightCount(static_cast<int>(count & 0xff));
    // One matrix index always remains: with no weights the target takes it at full weight.
    format.setBlendMatrixIndexCount(count > 0 ? static_cast<int>(count) : 1);
    const int vertexCount = source->getVertexCount();
    auto reduced = zkCreate<zkVertexArray>();
    reduced->configure(format, vertexCount, source->getConfiguration(), 0);

    const int kept = format.getWeightCount();
    auto helper = zkCreate<zkVertexArrayHelper>();
    for (int v = 0; v < vertexCount; ++v) {
        helper->copyVertex(reduced, source, v, format);
        if (kept >= 2) reduced->setWeight(kept - 1, v, 0.0f);
        else if (kept == 1) reduced->setWeight(0, v, 1.0f);
    }
    // The strongest weight, slot 0, is never cleared.
    for (int v = 0; v < vertexCount; ++v)
        for (int j = 1; j < kept; ++j) {
            if (reduced->getWeight(j, v) < _blendWeightMin) {
                reduced->setWeight(j, v, 0.0f);
                ++_totalBeforeWeights;
            }
            if (reduced->getWeight(j, v) > 0.0f) ++_totalAfterWeights;
        }
    attr->configureVertexArray(reduced);
}

void zkReduceBlendWeightsWeldVesko::normalizeBlendWeights(zkSmartPointer<zkGeometryAttr>& attr)
{
    zkSmartPointer<zkVertexArray> vertices(attr->getVertexArray());
    if (!vertices) return;
    const int weights = vertices->getWeightCount();
    for (int v = 0; v < vertices->getVertexCount(); ++v) {
        float sum = 0.0f;
        for (int j = 0; j < weights; ++j) sum += vertices->getWeight(j, v);
        // Weights that sum to nothing have no scale: they stay as they are.
        if (sum == 0.0f) continue;
        const float scale = 1.0f / sum;
        if (!std::isfinite(scale)) continue;
        for (int j = 0; j < weights; ++j) vertices->setWeight(j, v, vertices->getWeight(j, v) * scale);
        vertices->blendWeightsChanged();
    }
}

} // namespace Tam::OptExtension
