#include "tests/unit/tavik_oracle.h"

#include <utility>

namespace Tam::OptExtension::oracle {

namespace {

float coord(const CollideTriangle::Vertex& v, int axis) {
    if (axis == 0)
        return v.x;
    if (axis == 1)
        return v.y;
    return v.z;
}

float sortKey(const CollideTriangle& t, int axis) {
    return coord(t.v[0], axis) + coord(t.v[1], axis) + coord(t.v[2], axis);
}

void siftDown(CollideTriangle* a, int root, int end, int axis) {
    for (;;) {
        int child = 2 * root + 1;
        if (child >= end)
            return;
        if (child + 1 < end && sortKey(a[child], axis) < sortKey(a[child + 1], axis))
            ++child;
        if (!(sortKey(a[root], axis) < sortKey(a[child], axis)))
            return;
        std::swap(a[root], a[child]);
        root = child;
    }
}

void heapSort(CollideTriangle* a, int count, int axis) {
    for (int start = count / 2 - 1; start >= 0; --start)
        siftDown(a, start, count, axis);
    for (int end = count - 1; end > 0; --end) {
        std::swap(a[0], a[end]);
        siftDown(a, 0, end, axis);
    }
}

struct Builder {
    std::vector<CollideTriangle>& tris;
    std::vector<CollideNode>& nodes;
    int depth;

    void node(int i, int k, int s, int c) {
        for (;;) {
            if (i >= int(nodes.size()))
                nodes.resize(size_t(i) + 1, kCollideNodeTemplate);
            CollideNode& n = nodes[size_t(i)];
            for (int t = s; t < s + c; ++t) {
                n.flagsAnd &= tris[size_t(t)].flags();
                n.flagsOr |= tris[size_t(t)].flags();
                for (const auto& v : tris[size_t(t)].v) {
                    for (int a = 0; a < 3; ++a) {
                        if (n.min[a] > coord(v, a))
                            n.min[a] = coord(v, a);
                        if (n.max[a] < coord(v, a))
                            n.max[a] = coord(v, a);
                    }
                }
            }
            if (k >= depth)
                return;
            heapSort(tris.data() + s, c, k % 3);
            int h = (c + 1) / 2;
            node(2 * i + 1, k + 1, s, h);
            i = 2 * i + 2;
            k = k + 1;
            s = s + h;
            c = c - h;
        }
    }
};

}  // namespace

bool plainAccept(const CollideTriangle& in, bool swap, CollideTriangle& out) {
    float ux = in.v[1].x - in.v[0].x, uy = in.v[1].y - in.v[0].y, uz = in.v[1].z - in.v[0].z;
    float vx = in.v[2].x - in.v[0].x, vy = in.v[2].y - in.v[0].y, vz = in.v[2].z - in.v[0].z;
    float cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
    if (cx * cx + cy * cy + cz * cz < 1e-8f)
        return false;
    out = in;
    if (swap) {
        out.v[0] = {in.v[1].x, in.v[1].y, in.v[1].z, in.v[0].word};
        out.v[1] = {in.v[0].x, in.v[0].y, in.v[0].z, in.v[1].word};
    }
    return true;
}

PlainTree plainBuild(std::vector<CollideTriangle> triangles, int leafLimit) {
    PlainTree tree;
    tree.triangles = std::move(triangles);
    int n = int(tree.triangles.size());
    if (n == 0)
        return tree;
    int h = (n + 1) / 2;
    while (h > leafLimit) {
        ++tree.depth;
        h = (h + 1) / 2;
    }
    Builder{tree.triangles, tree.nodes, tree.depth}.node(0, 0, 0, n);

    const float unset = -900000.0f;
    float mn[3] = {unset, unset, unset}, mx[3] = {unset, unset, unset};
    for (const auto& t : tree.triangles) {
        for (const auto& v : t.v) {
            if (!(v.z < 60.0f))
                continue;
            for (int a = 0; a < 3; ++a) {
                float c = coord(v, a);
                if (mn[a] == unset || c <= mn[a])
                    mn[a] = c;
                if (mx[a] == unset || c > mx[a])
                    mx[a] = c;
            }
        }
    }
    tree.nodes.push_back(CollideNode{{mn[0], mn[1], mn[2]}, 0u, {mx[0], mx[1], mx[2]}, 0u});
    return tree;
}

}  // namespace Tam::OptExtension::oracle
