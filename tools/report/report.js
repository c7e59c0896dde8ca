// The report page: builds every section from the data block zkopt wrote (see
// tools/zkopt/SceneSnapshot.h for its fields) and draws the 3D views with three.js. Nothing is
// loaded from anywhere: the page works from disk.
'use strict';
(function () {
const data = JSON.parse(document.getElementById('zk-data').textContent);
const run = data.run;
const scenes = [['before', data.before], ['after', data.after]].filter(([, s]) => s);

// ---- helpers ---------------------------------------------------------------------------------

function el(tag, attrs, ...children) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(attrs || {})) {
        if (k === 'class') e.className = v;
        else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
        else e.setAttribute(k, v);
    }
    for (const c of children.flat()) if (c !== null && c !== undefined) e.append(c instanceof Node ? c : String(c));
    return e;
}
function section(title, id) {
    const s = el('section', { id }, el('h2', {}, title));
    document.body.append(s);
    return s;
}
const integer = n => (n === null || n === undefined) ? '–' : Number(n).toLocaleString('en-US');
function bytesFromBase64(text) {
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
}
// A pass's field value as the run record has it, printed the way JSON writes it.
const valueText = v => typeof v === 'string' ? v : JSON.stringify(v);
const isCounter = name => name.startsWith('_total');

// ---- header ----------------------------------------------------------------------------------

document.body.append(el('h1', {}, run ? 'zkopt run' : 'zkopt view'), el('div', { class: 'muted' }, data.title));
if (run) {
    const ok = run.ok;
    document.body.append(
        el('p', {},
           el('span', { id: 'run-status', class: ok ? 'status-ok' : 'status-failed', 'data-status': run.status },
              ok ? 'succeeded' : `failed (exit status ${run.status})`),
           run.error ? el('span', {}, ': ', el('span', { id: 'run-error' }, run.error)) : null),
        el('table', {},
           el('tr', {}, el('th', {}, 'config'), el('td', {}, run.config)),
           el('tr', {}, el('th', {}, 'input'), el('td', {}, run.input)),
           el('tr', {}, el('th', {}, 'output'), el('td', {}, run.output, run.outputWritten ? '' : ' (not written)'))));
    if (run.warnings.length)
        document.body.append(el('details', {}, el('summary', {}, `${run.warnings.length} warning(s)`),
                                el('pre', {}, run.warnings.join('\n'))));
}

// ---- passes ----------------------------------------------------------------------------------

if (run) {
    const s = section('Passes', 'passes');
    const table = el('table', { id: 'pass-table' },
                     el('tr', {}, ['#', 'pass', 'section', 'result', 'time (s)', 'counters', 'details'].map(h => el('th', {}, h))));
    run.passes.forEach((p, i) => {
        const fields = p.fields || {};
        const result = p.error ? 'failed' : p.applied ? (p.verified === false ? 'broke the scene' : 'done')
                     : p.configured ? 'failed' : 'failed to configure';
        const counters = Object.entries(fields).filter(([k]) => isCounter(k))
            .map(([k, v]) => el('span', { class: 'counter' }, `${k} = `, el('span', { 'data-field': k }, valueText(v))));
        const settings = Object.entries(fields).filter(([k]) => !isCounter(k)).map(([k, v]) => `${k} = ${valueText(v)}`);
        const lines = p.output ? p.output.replace(/\n$/, '').split('\n') : [];
        table.append(el('tr', { 'data-pass': i },
            el('td', { class: 'num' }, i + 1),
            el('td', { class: 'pass-class' }, p.class),
            el('td', { class: 'pass-section' }, p.section),
            el('td', { class: `pass-result ${p.error ? 'status-failed' : ''}` }, result, p.error ? el('div', {}, p.error) : null),
            el('td', { class: 'num pass-seconds' }, p.seconds.toFixed(3)),
            el('td', { class: 'pass-counters' }, counters),
            el('td', {},
               el('details', {}, el('summary', {}, `${lines.length} printed line(s)`), el('pre', {}, lines.join('\n'))),
               el('details', {}, el('summary', {}, `${settings.length} field(s)`), el('pre', {}, settings.join('\n'))))));
    });
    s.append(table);
}

// ---- scene statistics ------------------------------------------------------------------------

{
    const s = section('Scene', 'scene');
    const rows = [['nodes', st => st.nodes], ['geometries', st => st.geometries], ['triangles', st => st.triangles],
                  ['vertices', st => st.vertices], ['indices', st => st.indices],
                  ['indices per triangle', st => st.indicesPerTriangle, v => v === null ? '–' : v.toFixed(2)],
                  ['strips', st => st.strips], ['images', st => st.images]];
    const formats = new Set(scenes.flatMap(([, sc]) => Object.keys(sc.stats.textureBytes)));
    for (const f of [...formats].sort()) rows.push([`texture bytes, ${f}`, st => st.textureBytes[f] || 0]);
    rows.push(['texture bytes, all', st => Object.values(st.textureBytes).reduce((a, b) => a + b, 0)]);
    const table = el('table', { id: 'scene-table' },
                     el('tr', {}, el('th', {}, ''), scenes.map(([n]) => el('th', {}, n)),
                        scenes.length === 2 ? el('th', {}, 'change') : null));
    for (const [name, get, show = integer] of rows) {
        const values = scenes.map(([, sc]) => get(sc.stats));
        const row = el('tr', { 'data-stat': name }, el('th', {}, name),
                       values.map((v, i) => el('td', { class: 'num', 'data-scene': scenes[i][0] }, show(v))));
        if (scenes.length === 2) {
            const [a, b] = values;
            const d = (a === null || b === null) ? null : b - a;
            const text = d === null || d === 0 ? '' : (d > 0 ? '+' : '') + show(d) + (a ? ` (${(100 * d / a).toFixed(1)}%)` : '');
            row.append(el('td', { class: `num ${d > 0 ? 'up' : d < 0 ? 'down' : ''}` }, text));
        }
        table.append(row);
    }
    s.append(table);
}

// ---- 3D views --------------------------------------------------------------------------------

const views = [];
let hullDepth = 0;
if (!scenes.some(([, sc]) => sc.geometry.triangles || (sc.hull && sc.hull.triangles))) {
    section('3D view', 'views').append(el('p', { class: 'muted' }, 'The scene holds no triangle to draw.'));
} else {
    const s = section('3D view', 'views');
    const controls = el('div', { class: 'toolbar' });
    const check = (id, label, on, change) => {
        const box = el('input', { type: 'checkbox', id });
        box.checked = on;
        box.addEventListener('change', () => change(box.checked));
        controls.append(el('label', {}, box, ' ', label));
        return box;
    };
    const state = { wireframe: false, flat: true, hull: true, colourBy: 'material', boxes: false };
    check('wireframe', 'wireframe', state.wireframe, v => { state.wireframe = v; restyle(); });
    check('flat', 'flat shading', state.flat, v => { state.flat = v; restyle(); });
    const hulls = scenes.filter(([, sc]) => sc.hull);
    let depthSlider = null, depthLabel = null, colourSelect = null;
    if (hulls.length) {
        check('hull', 'collision hull', state.hull, v => { state.hull = v; restyle(); });
        colourSelect = el('select', { id: 'hull-colour' }, el('option', { value: 'material' }, 'by material'),
                          el('option', { value: 'flags' }, 'by collision flags'));
        colourSelect.addEventListener('change', () => { state.colourBy = colourSelect.value; restyle(); });
        controls.append(el('label', {}, 'hull colour ', colourSelect));
        check('boxes', 'tree boxes', state.boxes, v => { state.boxes = v; restyle(); });
        const maxDepth = Math.max(...hulls.map(([, sc]) => Math.max(0, Math.round(Math.log2(sc.hull.nodes + 1)) - 1)));
        depthSlider = el('input', { type: 'range', id: 'hull-depth', min: 0, max: maxDepth, value: 0 });
        depthLabel = el('span', {}, '0');
        depthSlider.addEventListener('input', () => {
            hullDepth = Number(depthSlider.value);
            depthLabel.textContent = depthSlider.value;
            state.boxes = true;
            document.getElementById('boxes').checked = true;
            restyle();
        });
        controls.append(el('label', {}, 'tree depth ', depthSlider, ' ', depthLabel));
    }
    s.append(controls, el('div', { class: 'muted' },
        'Drag to turn, shift-drag or right-drag to move, wheel to zoom; both views share the camera.'));
    const row = el('div', { class: 'views' });
    s.append(row);
    const legend = el('div', { class: 'legend', id: 'hull-legend' });
    const drawn = el('p', { class: 'muted', id: 'draw-time' });
    s.append(legend, drawn);

    const camera = new THREE.PerspectiveCamera(45, 1, 0.01, 1000);
    const orbit = { target: new THREE.Vector3(), radius: 1, theta: 0.8, phi: 1.0 };
    const bounds = new THREE.Box3();

    for (const [name, scene] of scenes) {
        const g = scene.geometry;
        const canvas = el('canvas', { 'data-view': name });
        const note = g.every > 1
            ? `showing 1 triangle in ${g.every}: ${integer(g.shownTriangles)} of ${integer(g.triangles)} (thinned so the page stays quick)`
            : `${integer(g.triangles)} triangles`;
        const unchanged = g.sameAsBefore ? ' (geometry unchanged)' : '';
        row.append(el('div', { class: 'view' }, el('h3', {}, name, ' ', el('span', { class: 'muted' }, note + unchanged)), canvas));
        const renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
        renderer.setPixelRatio(window.devicePixelRatio || 1);
        const world = new THREE.Scene();
        world.background = new THREE.Color(0x20242c);
        // Geometry the passes left alone is held once and drawn in both views.
        const geometry = g.sameAsBefore ? views[0].geometry : new THREE.BufferGeometry();
        if (!g.sameAsBefore) {
            const indices = new Uint32Array(bytesFromBase64(g.indices).buffer);
            geometry.setAttribute('position', new THREE.BufferAttribute(new Float32Array(bytesFromBase64(g.positions).buffer), 3));
            geometry.setIndex(new THREE.BufferAttribute(indices, 1));
            geometry.computeBoundingBox();
            if (indices.length) bounds.union(geometry.boundingBox);
        }
        const material = new THREE.MeshNormalMaterial({ flatShading: true, side: THREE.DoubleSide });
        world.add(new THREE.Mesh(geometry, material));
        const view = { name, scene, canvas, renderer, world, geometry, material, hull: null, boxes: null, boxDepth: -1 };
        if (scene.hull) view.hull = hullMesh(scene.hull, state.colourBy, bounds);
        if (view.hull) world.add(view.hull);
        views.push(view);
    }

    if (bounds.isEmpty()) bounds.set(new THREE.Vector3(-1, -1, -1), new THREE.Vector3(1, 1, 1));
    bounds.getCenter(orbit.target);
    orbit.radius = Math.max(bounds.getSize(new THREE.Vector3()).length(), 1e-3) * 1.1;

    function placeCamera() {
        const r = orbit.radius;
        camera.position.set(orbit.target.x + r * Math.sin(orbit.phi) * Math.sin(orbit.theta),
                            orbit.target.y + r * Math.cos(orbit.phi),
                            orbit.target.z + r * Math.sin(orbit.phi) * Math.cos(orbit.theta));
        camera.near = r / 1000;
        camera.far = r * 10;
        camera.lookAt(orbit.target);
    }
    function render() {
        placeCamera();
        for (const v of views) {
            const w = v.canvas.clientWidth || 400, h = v.canvas.clientHeight || 300;
            if (v.canvas.width !== Math.floor(w * v.renderer.getPixelRatio())) v.renderer.setSize(w, h, false);
            camera.aspect = w / h;
            camera.updateProjectionMatrix();
            v.renderer.render(v.world, camera);
        }
    }
    function restyle() {
        for (const v of views) {
            v.material.wireframe = state.wireframe;
            if (v.material.flatShading !== state.flat) {
                if (!state.flat && !v.geometry.getAttribute('normal')) v.geometry.computeVertexNormals();
                v.material.flatShading = state.flat;
                v.material.needsUpdate = true;
            }
            if (v.hull) {
                v.hull.visible = state.hull;
                if (v.hull.userData.colourBy !== state.colourBy) colourHull(v.hull, v.scene.hull, state.colourBy);
            }
            if (v.scene.hull && state.boxes && v.boxDepth !== hullDepth) {
                if (v.boxes) v.world.remove(v.boxes);
                v.boxes = nodeBoxes(v.scene.hull, hullDepth);
                v.boxDepth = hullDepth;
                v.world.add(v.boxes);
            }
            if (v.boxes) v.boxes.visible = state.boxes;
        }
        legend.replaceChildren(...hullLegend(hulls.map(([, sc]) => sc.hull), state.colourBy));
        render();
    }
    window.addEventListener('resize', render);

    // Dragging on either view moves the one camera.
    for (const v of views) {
        let last = null, pan = false;
        v.canvas.addEventListener('contextmenu', e => e.preventDefault());
        v.canvas.addEventListener('pointerdown', e => {
            last = [e.clientX, e.clientY];
            pan = e.shiftKey || e.button === 2;
            v.canvas.setPointerCapture(e.pointerId);
        });
        v.canvas.addEventListener('pointerup', () => { last = null; });
        v.canvas.addEventListener('pointermove', e => {
            if (!last) return;
            const dx = e.clientX - last[0], dy = e.clientY - last[1];
            last = [e.clientX, e.clientY];
            if (pan) {
                const right = new THREE.Vector3().setFromMatrixColumn(camera.matrix, 0);
                const up = new THREE.Vector3().setFromMatrixColumn(camera.matrix, 1);
                const k = orbit.radius / v.canvas.clientHeight;
                orbit.target.addScaledVector(right, -dx * k).addScaledVector(up, dy * k);
            } else {
                orbit.theta -= dx * 0.01;
                orbit.phi = Math.min(Math.PI - 0.01, Math.max(0.01, orbit.phi - dy * 0.01));
            }
            render();
        });
        v.canvas.addEventListener('wheel', e => {
            e.preventDefault();
            orbit.radius *= Math.exp(e.deltaY * 0.001);
            render();
        }, { passive: false });
    }

    restyle();
    // How long the page took to open and draw, from the start of loading to the first frame.
    drawn.textContent = `Drawn ${Math.round(performance.now())} ms after the page started loading.`;
    drawn.dataset.ms = Math.round(performance.now());
}

// ---- collision hull --------------------------------------------------------------------------

// The record's words: coordinates are floats, flag and material words integers, in one array.
function hullWords(text) {
    const bytes = bytesFromBase64(text);
    return { f: new Float32Array(bytes.buffer), u: new Uint32Array(bytes.buffer) };
}
function materialColour(m) { return new THREE.Color().setHSL((m * 0.618034) % 1, 0.75, 0.55); }
function flagsColours(hull) {
    const t = hullWords(hull.triangleWords);
    const words = [...new Set(Array.from({ length: hull.triangles }, (_, i) => t.u[12 * i + 7]))].sort((a, b) => a - b);
    return new Map(words.map((w, i) => [w, new THREE.Color().setHSL((i * 0.618034 + 0.1) % 1, 0.8, 0.5)]));
}
function hullMesh(hull, colourBy, bounds) {
    if (!hull.triangles) return null;
    const t = hullWords(hull.triangleWords);
    const positions = new Float32Array(hull.triangles * 9);
    for (let i = 0; i < hull.triangles; ++i)
        for (let c = 0; c < 3; ++c)
            for (let a = 0; a < 3; ++a) positions[9 * i + 3 * c + a] = t.f[12 * i + 4 * c + a];
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position', new THREE.BufferAttribute(positions, 3));
    geometry.setAttribute('color', new THREE.BufferAttribute(new Float32Array(positions.length), 3));
    geometry.computeBoundingBox();
    bounds.union(geometry.boundingBox);
    const mesh = new THREE.Mesh(geometry, new THREE.MeshBasicMaterial({
        vertexColors: true, transparent: true, opacity: 0.55, side: THREE.DoubleSide, depthWrite: false,
        polygonOffset: true, polygonOffsetFactor: -1, polygonOffsetUnits: -1 }));
    colourHull(mesh, hull, colourBy);
    return mesh;
}
function colourHull(mesh, hull, colourBy) {
    const t = hullWords(hull.triangleWords);
    const colours = mesh.geometry.getAttribute('color');
    const byFlags = colourBy === 'flags' ? flagsColours(hull) : null;
    for (let i = 0; i < hull.triangles; ++i) {
        const c = byFlags ? byFlags.get(t.u[12 * i + 7]) : materialColour(t.u[12 * i + 11]);
        for (let v = 0; v < 3; ++v) colours.setXYZ(3 * i + v, c.r, c.g, c.b);
    }
    colours.needsUpdate = true;
    mesh.userData.colourBy = colourBy;
}
function hullLegend(hulls, colourBy) {
    const entries = new Map();
    for (const hull of hulls) {
        const t = hullWords(hull.triangleWords);
        const colours = colourBy === 'flags' ? flagsColours(hull) : null;
        for (let i = 0; i < hull.triangles; ++i) {
            const word = t.u[12 * i + (colourBy === 'flags' ? 7 : 11)];
            const label = colourBy === 'flags' ? `flags 0x${word.toString(16).toUpperCase()}` : `material ${word}`;
            const entry = entries.get(label) || { colour: colours ? colours.get(word) : materialColour(word), count: 0 };
            entry.count++;
            entries.set(label, entry);
        }
    }
    return [...entries].map(([label, e]) => el('span', {},
        el('span', { class: 'swatch', style: `background:#${e.colour.getHexString()}` }), `${label}: ${integer(e.count)} triangle(s)`));
}
// The boxes of one level of the tree: nodes 2^d - 1 to 2^(d+1) - 2 in heap order.
function nodeBoxes(hull, depth) {
    const n = hullWords(hull.nodeWords);
    const first = 2 ** depth - 1, last = Math.min(2 ** (depth + 1) - 2, hull.nodes - 1);
    const corners = [];
    for (let i = first; i <= last; ++i) {
        const lo = [n.f[8 * i], n.f[8 * i + 1], n.f[8 * i + 2]], hi = [n.f[8 * i + 4], n.f[8 * i + 5], n.f[8 * i + 6]];
        const p = k => [(k & 1) ? hi[0] : lo[0], (k & 2) ? hi[1] : lo[1], (k & 4) ? hi[2] : lo[2]];
        for (const [a, b] of [[0, 1], [2, 3], [4, 5], [6, 7], [0, 2], [1, 3], [4, 6], [5, 7], [0, 4], [1, 5], [2, 6], [3, 7]])
            corners.push(...p(a), ...p(b));
    }
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position', new THREE.BufferAttribute(new Float32Array(corners), 3));
    return new THREE.LineSegments(geometry, new THREE.LineBasicMaterial({ color: 0xffd54a }));
}

// ---- textures --------------------------------------------------------------------------------

{
    const s = section('Textures', 'textures');
    const lightbox = el('div', { id: 'lightbox', onclick: () => lightbox.classList.remove('open') });
    document.body.append(lightbox);
    const show = (image) => {
        lightbox.replaceChildren(el('img', { src: `data:image/png;base64,${image.full}` }),
                                 el('div', {}, `${image.name}: ${image.width} x ${image.height}` +
                                             (image.shownAs ? ` (shown at ${image.shownAs[0]} x ${image.shownAs[1]})` : '')));
        lightbox.classList.add('open');
    };
    const card = image => !image ? el('td', { class: 'card muted' }, '(none)') : el('td', { class: 'card', 'data-image': image.key },
        image.thumb ? el('img', { class: 'thumb', src: `data:image/png;base64,${image.thumb}`, alt: image.name,
                                  title: 'click for full size', onclick: () => show(image),
                                  // small images are drawn larger, texel for texel
                                  width: Math.round(96 * Math.min(1, image.width / image.height)),
                                  height: Math.round(96 * Math.min(1, image.height / image.width)) }) : null,
        el('div', {}, el('b', {}, image.name)),
        el('div', {}, image.format),
        el('div', {}, `${image.width} x ${image.height} px, ${integer(image.bytes)} bytes`),
        el('div', {}, `${image.mips} mip level(s)${image.palette ? `, palette of ${image.palette}` : ''}`),
        image.error ? el('div', { class: 'status-failed' }, image.error) : null);
    const keys = [];
    for (const [, sc] of scenes) for (const image of sc.images) if (!keys.includes(image.key)) keys.push(image.key);
    if (!keys.length) s.append(el('p', { class: 'muted' }, 'The scene holds no image.'));
    else {
        const table = el('table', { class: 'sheet', id: 'texture-sheet' },
                         el('tr', {}, scenes.map(([n]) => el('th', {}, n)), scenes.length === 2 ? el('th', {}, 'PSNR') : null));
        for (const key of keys) {
            const row = el('tr', {}, scenes.map(([, sc]) => card(sc.images.find(i => i.key === key))));
            if (scenes.length === 2) {
                const after = data.after.images.find(i => i.key === key);
                const text = !after ? 'removed' : !data.before.images.some(i => i.key === key) ? 'new'
                           : after.psnr !== null && after.psnr !== undefined
                               ? `${after.psnr.toFixed(2)} dB${after.resizedToCompare ? ' (resized to compare)' : ''}`
                           : after.changed ? 'texels equal, storage changed' : 'unchanged';
                row.append(el('td', { class: 'num psnr' }, text));
            }
            table.append(row);
        }
        s.append(table);
    }
}

if (window.zkErrors.length)
    document.body.prepend(el('div', { class: 'errors' }, 'Errors on this page: ', window.zkErrors.join('; ')));
document.documentElement.dataset.errors = JSON.stringify(window.zkErrors);
document.documentElement.dataset.ready = '1';
})();
