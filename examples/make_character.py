#!/usr/bin/env python3
"""Writes examples/character.gltf: a small skinned biped that walks forward.

The skeleton is laid out the way character tools export a biped: the pelvis bone "Bip01" carries
the walk's travel, and a "motion" bone at the feet (a sibling of the pelvis) tracks the same
travel, ready for motion extraction. The skin lists its joints out of tree order, so that the
imported blend-matrix palette is not sorted, and an inflated "Body_outline" mesh without normals
stands for the ink outline.

Two animations: "walk" (a tracked cycle, 21 keys over one second) and "step" (two motion keys: a
straight step forward whose small sideways drift lies inside the extraction's dead zone).

Run from the repository root:  python3 examples/make_character.py
"""
import base64
import json
import math
import struct
from pathlib import Path

# name, parent, translation relative to the parent (units: centimetres, Y up, walking along +Z)
BONES = [
    ("motion", None, (0.0, 0.0, 0.0)),
    ("Bip01", None, (0.0, 90.0, 0.0)),
    ("Bip01 Spine", "Bip01", (0.0, 12.0, 0.0)),
    ("Bip01 Head", "Bip01 Spine", (0.0, 40.0, 0.0)),
    ("Bip01 L Thigh", "Bip01", (10.0, -6.0, 0.0)),
    ("Bip01 L Calf", "Bip01 L Thigh", (0.0, -42.0, 0.0)),
    ("Bip01 R Thigh", "Bip01", (-10.0, -6.0, 0.0)),
    ("Bip01 R Calf", "Bip01 R Thigh", (0.0, -42.0, 0.0)),
]
# The skin's joint order: deliberately not the tree order.
JOINTS = ["Bip01 R Calf", "Bip01 Head", "Bip01 L Thigh", "Bip01", "Bip01 R Thigh", "motion",
          "Bip01 Spine", "Bip01 L Calf"]
# Boxes of the body: bone, half sizes, the bone it blends into at its far end (-Y side, or +Y
# for the spine), and how far along -Y/+Y the box reaches from the bone.
BOXES = [
    ("Bip01", (14.0, 7.0, 9.0), None, -4.0),
    ("Bip01 Spine", (13.0, 20.0, 8.0), "Bip01 Head", 20.0),
    ("Bip01 Head", (9.0, 11.0, 10.0), None, 12.0),
    ("Bip01 L Thigh", (5.5, 21.0, 6.0), "Bip01 L Calf", -21.0),
    ("Bip01 L Calf", (4.5, 21.0, 5.0), None, -21.0),
    ("Bip01 R Thigh", (5.5, 21.0, 6.0), "Bip01 R Calf", -21.0),
    ("Bip01 R Calf", (4.5, 21.0, 5.0), None, -21.0),
]
OUTLINE_WIDTH = 1.0
STRIDE = 150.0  # centimetres per walk cycle


def world_positions():
    world = {}
    for name, parent, t in BONES:
        base = world[parent] if parent else (0.0, 0.0, 0.0)
        world[name] = tuple(b + c for b, c in zip(base, t))
    return world


def quat_axis(axis, degrees):
    half = math.radians(degrees) / 2.0
    s = math.sin(half)
    return [axis[0] * s, axis[1] * s, axis[2] * s, math.cos(half)]


class Buffer:
    def __init__(self):
        self.data = bytearray()
        self.views = []
        self.accessors = []

    def add(self, fmt, rows, component, kind, target=None, bounds=False):
        while len(self.data) % 4:
            self.data.append(0)
        start = len(self.data)
        for row in rows:
            self.data += struct.pack("<" + fmt * len(row), *row)
        view = {"buffer": 0, "byteOffset": start, "byteLength": len(self.data) - start}
        if target:
            view["target"] = target
        self.views.append(view)
        accessor = {"bufferView": len(self.views) - 1, "componentType": component,
                    "count": len(rows), "type": kind}
        if bounds:
            accessor["min"] = [min(r[i] for r in rows) for i in range(len(rows[0]))]
            accessor["max"] = [max(r[i] for r in rows) for i in range(len(rows[0]))]
        self.accessors.append(accessor)
        return len(self.accessors) - 1


FACES = [  # normal axis, sign; corners in counter-clockwise order seen from outside
    ((1, 0, 0), [(1, -1, -1), (1, 1, -1), (1, 1, 1), (1, -1, 1)]),
    ((-1, 0, 0), [(-1, -1, 1), (-1, 1, 1), (-1, 1, -1), (-1, -1, -1)]),
    ((0, 1, 0), [(-1, 1, -1), (-1, 1, 1), (1, 1, 1), (1, 1, -1)]),
    ((0, -1, 0), [(-1, -1, 1), (-1, -1, -1), (1, -1, -1), (1, -1, 1)]),
    ((0, 0, 1), [(-1, -1, 1), (1, -1, 1), (1, 1, 1), (-1, 1, 1)]),
    ((0, 0, -1), [(1, -1, -1), (-1, -1, -1), (-1, 1, -1), (1, 1, -1)]),
]


def body(world, inflate):
    """Vertices (position, normal, joints, weights) and triangle indices of the boxes."""
    positions, normals, joints, weights, indices = [], [], [], [], []
    for bone, half, blend_into, reach in BOXES:
        centre = list(world[bone])
        centre[1] += reach
        far_sign = 1 if reach > 0 else -1
        for normal, corners in FACES:
            first = len(positions)
            for corner in corners:
                p = [centre[i] + corner[i] * (half[i] + inflate) for i in range(3)]
                positions.append(p)
                normals.append(list(map(float, normal)))
                j = [JOINTS.index(bone), 0, 0, 0]
                w = [1.0, 0.0, 0.0, 0.0]
                if blend_into and corner[1] == far_sign:
                    j[1] = JOINTS.index(blend_into)
                    w = [0.6, 0.4, 0.0, 0.0]
                joints.append(j)
                weights.append(w)
            indices += [first, first + 1, first + 2, first, first + 2, first + 3]
    return positions, normals, joints, weights, indices


def main():
    world = world_positions()
    buf = Buffer()
    node_index = {name: i + 3 for i, (name, _, _) in enumerate(BONES)}

    meshes = []
    for mesh_name, inflate, material in (("Body", 0.0, 0), ("Body_outline", OUTLINE_WIDTH, 1)):
        positions, normals, joints, weights, indices = body(world, inflate)
        attributes = {"POSITION": buf.add("f", positions, 5126, "VEC3", 34962, True),
                      "JOINTS_0": buf.add("B", joints, 5121, "VEC4", 34962),
                      "WEIGHTS_0": buf.add("f", weights, 5126, "VEC4", 34962)}
        if inflate == 0.0:
            attributes["NORMAL"] = buf.add("f", normals, 5126, "VEC3", 34962)
        index_rows = [indices[i:i + 3] for i in range(0, len(indices), 3)]
        index_accessor = buf.add("H", index_rows, 5123, "SCALAR", 34963)
        buf.accessors[index_accessor]["count"] = len(indices)
        meshes.append({"name": mesh_name,
                       "primitives": [{"attributes": attributes, "indices": index_accessor, "material": material}]})

    inverse_bind = []
    for joint in JOINTS:
        x, y, z = world[joint]
        inverse_bind.append([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -x, -y, -z, 1])
    inverse_bind_accessor = buf.add("f", inverse_bind, 5126, "MAT4")

    # The skinned meshes are scene roots: a skin is placed by its joints, not by the mesh's parents.
    nodes = [{"name": "Character", "children": [node_index[n] for n, p, _ in BONES if p is None]},
             {"name": "Body", "mesh": 0, "skin": 0},
             {"name": "Body_outline", "mesh": 1, "skin": 0}]
    for name, _, t in BONES:
        node = {"name": name}
        if any(t):
            node["translation"] = list(t)
        children = [node_index[n] for n, p, _ in BONES if p == name]
        if children:
            node["children"] = children
        nodes.append(node)

    animations = []

    def animation(name, tracks):
        samplers, channels = [], []
        for bone, path, times, values in tracks:
            kind = "VEC4" if path == "rotation" else "VEC3"
            samplers.append({"input": buf.add("f", [[t] for t in times], 5126, "SCALAR", bounds=True),
                             "output": buf.add("f", values, 5126, kind), "interpolation": "LINEAR"})
            channels.append({"sampler": len(samplers) - 1, "target": {"node": node_index[bone], "path": path}})
        animations.append({"name": name, "samplers": samplers, "channels": channels})

    times = [k / 20.0 for k in range(21)]
    phase = [2.0 * math.pi * t for t in times]
    identity = [[0.0, 0.0, 0.0, 1.0] for _ in times]
    animation("walk", [
        ("motion", "translation", times, [[0.0, 0.0, STRIDE * t] for t in times]),
        ("motion", "rotation", times, identity),
        ("Bip01", "translation", times,
         [[2.0 * math.sin(a), 90.0 + 3.0 * math.cos(2 * a), STRIDE * t + 4.0 * math.sin(2 * a)]
          for t, a in zip(times, phase)]),
        ("Bip01", "rotation", times, [quat_axis((0, 1, 0), 6.0 * math.sin(a)) for a in phase]),
        ("Bip01 L Thigh", "rotation", times, [quat_axis((1, 0, 0), 30.0 * math.sin(a)) for a in phase]),
        ("Bip01 R Thigh", "rotation", times, [quat_axis((1, 0, 0), -30.0 * math.sin(a)) for a in phase]),
        ("Bip01 L Calf", "rotation", times, [quat_axis((1, 0, 0), 25.0 * (1 - math.cos(a))) for a in phase]),
        ("Bip01 R Calf", "rotation", times, [quat_axis((1, 0, 0), 25.0 * (1 + math.cos(a))) for a in phase]),
    ])
    step_times = [k / 8.0 for k in range(5)]
    animation("step", [
        ("motion", "translation", [0.0, 0.5], [[0.0, 0.0, 0.0], [5.0, 0.0, 40.0]]),
        ("motion", "rotation", [0.0, 0.5], [[0.0, 0.0, 0.0, 1.0], [0.0, 0.0, 0.0, 1.0]]),
        ("Bip01", "translation", step_times,
         [[10.0 * t, 90.0 + 2.0 * math.sin(2 * math.pi * t / 0.5), 80.0 * t] for t in step_times]),
    ])

    document = {
        "asset": {"version": "2.0", "generator": "examples/make_character.py"},
        "scene": 0,
        "scenes": [{"name": "character", "nodes": [0, 1, 2]}],
        "nodes": nodes,
        "meshes": meshes,
        "materials": [{"name": "skin", "pbrMetallicRoughness": {"baseColorFactor": [0.8, 0.6, 0.5, 1.0]}},
                      {"name": "outline", "pbrMetallicRoughness": {"baseColorFactor": [0.0, 0.0, 0.0, 1.0]}}],
        "skins": [{"name": "biped", "joints": [node_index[j] for j in JOINTS],
                   "inverseBindMatrices": inverse_bind_accessor}],
        "animations": animations,
        "accessors": buf.accessors,
        "bufferViews": buf.views,
        "buffers": [{"byteLength": len(buf.data),
                     "uri": "data:application/octet-stream;base64," + base64.b64encode(bytes(buf.data)).decode()}],
    }
    out = Path(__file__).resolve().parent / "character.gltf"
    out.write_text(json.dumps(document, indent=1) + "\n")
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
