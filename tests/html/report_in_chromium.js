// Runs `zkopt demo` in WORK_DIR and opens each HTML report it wrote, from disk, in headless
// Chromium: no script or console error, every 3D view drew something (its canvas holds more than
// one colour), and the pass table shows the numbers of the run's report.json. A screenshot of
// each page is kept in WORK_DIR for people to look at.
// Chromium is driven through its DevTools protocol over a pipe (--remote-debugging-pipe: fd 3
// in, fd 4 out, messages ending in NUL), so one browser opens every page and console messages
// come with their level.
// Usage: node report_in_chromium.js ZKOPT WORK_DIR
'use strict';
const { spawn, spawnSync } = require('child_process');
const fs = require('fs');
const path = require('path');

const [zkopt, work] = process.argv.slice(2).map(p => path.resolve(p));
fs.rmSync(work, { recursive: true, force: true });
fs.mkdirSync(work, { recursive: true });
const demo = spawnSync(zkopt, ['demo'], { cwd: work, encoding: 'utf8' });
if (demo.status !== 0) {
    console.error(`zkopt demo failed (${demo.status ?? demo.error}):\n${demo.stderr}`);
    process.exit(1);
}

const browser = spawn('chromium', ['--headless', '--no-sandbox', '--disable-gpu', '--use-angle=swiftshader',
    '--enable-unsafe-swiftshader', '--no-first-run', '--disable-extensions', '--remote-debugging-pipe',
    `--user-data-dir=${path.join(work, 'profile')}`, 'about:blank'], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
let nextId = 1;
const waiting = new Map();
const listeners = [];
let buffered = '';
browser.stdio[4].on('data', chunk => {
    buffered += chunk.toString('utf8');
    let end;
    while ((end = buffered.indexOf('\0')) >= 0) {
        const message = JSON.parse(buffered.slice(0, end));
        buffered = buffered.slice(end + 1);
        if (message.id && waiting.has(message.id)) {
            const { resolve, reject } = waiting.get(message.id);
            waiting.delete(message.id);
            if (message.error) reject(new Error(JSON.stringify(message.error)));
            else resolve(message.result);
        } else for (const listen of listeners) listen(message);
    }
});
function send(method, params = {}, sessionId) {
    const id = nextId++;
    browser.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
}
function event(method, sessionId, ms) {
    return new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error(`no ${method} in ${ms} ms`)), ms);
        listeners.push(function listen(m) {
            if (m.method !== method || m.sessionId !== sessionId) return;
            clearTimeout(timer);
            listeners.splice(listeners.indexOf(listen), 1);
            resolve(m.params);
        });
    });
}

// Read in the page: what the test compares. Each canvas is copied onto a 2D canvas and its
// colours counted.
function inPage() {
    const colours = [...document.querySelectorAll('canvas[data-view]')].map(canvas => {
        const copy = document.createElement('canvas');
        copy.width = canvas.width;
        copy.height = canvas.height;
        const c = copy.getContext('2d');
        c.drawImage(canvas, 0, 0);
        const pixels = c.getImageData(0, 0, copy.width, copy.height).data;
        const seen = new Set();
        for (let i = 0; i < pixels.length; i += 4) seen.add((pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2]);
        return [canvas.dataset.view, seen.size];
    });
    const text = (row, cls) => { const e = row.querySelector('.' + cls); return e ? e.textContent : null; };
    return {
        ready: document.documentElement.dataset.ready === '1',
        drawsNothing: document.body.textContent.includes('The scene holds no triangle to draw.'),
        colours,
        status: Number(document.getElementById('run-status').dataset.status),
        passes: [...document.querySelectorAll('tr[data-pass]')].map(row => ({
            class: text(row, 'pass-class'), section: text(row, 'pass-section'), seconds: text(row, 'pass-seconds'),
            counters: Object.fromEntries([...row.querySelectorAll('[data-field]')].map(e => [e.dataset.field, e.textContent])) })),
    };
}

async function check(stem) {
    const problems = [];
    const page = path.join(work, 'zkopt-demo', `${stem}.report.html`);
    const report = JSON.parse(fs.readFileSync(path.join(work, 'zkopt-demo', `${stem}.report.json`), 'utf8'));
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    const onMessage = m => {
        if (m.sessionId !== sessionId) return;
        if (m.method === 'Runtime.exceptionThrown')
            problems.push(`exception: ${m.params.exceptionDetails.exception?.description || m.params.exceptionDetails.text}`);
        if (m.method === 'Runtime.consoleAPICalled' && m.params.type === 'error')
            problems.push(`console error: ${m.params.args.map(a => a.value ?? a.description).join(' ')}`);
        if (m.method === 'Log.entryAdded' && m.params.entry.level === 'error')
            problems.push(`console error: ${m.params.entry.text}`);
    };
    listeners.push(onMessage);
    for (const domain of ['Runtime', 'Log', 'Page']) await send(`${domain}.enable`, {}, sessionId);
    await send('Emulation.setDeviceMetricsOverride', { width: 1400, height: 1000, deviceScaleFactor: 1, mobile: false }, sessionId);
    const loaded = event('Page.loadEventFired', sessionId, 60000);
    await send('Page.navigate', { url: 'file://' + page }, sessionId);
    await loaded;
    const { result } = await send('Runtime.evaluate', { expression: `(${inPage})()`, returnByValue: true }, sessionId);
    const seen = result.value;
    const { cssContentSize } = await send('Page.getLayoutMetrics', {}, sessionId);
    const shot = await send('Page.captureScreenshot', { format: 'png', captureBeyondViewport: true,
        clip: { x: 0, y: 0, width: 1400, height: Math.ceil(cssContentSize.height), scale: 1 } }, sessionId);
    fs.writeFileSync(path.join(work, `${stem}.png`), Buffer.from(shot.data, 'base64'));
    await send('Target.closeTarget', { targetId });
    listeners.splice(listeners.indexOf(onMessage), 1);

    if (!seen) return problems.concat(['the page could not be read']);
    if (!seen.ready) problems.push('the page did not finish building');
    if (!seen.drawsNothing && seen.colours.length !== 2)
        problems.push(`${seen.colours.length} 3D views, expected before and after`);
    for (const [view, colours] of seen.colours)
        if (colours < 2) problems.push(`the ${view} view is one flat colour`);
    if (seen.status !== report.status) problems.push(`status: page ${seen.status}, report.json ${report.status}`);
    if (seen.passes.length !== report.passes.length)
        problems.push(`${seen.passes.length} pass rows, report.json has ${report.passes.length}`);
    report.passes.forEach((pass, i) => {
        const shown = seen.passes[i] || {};
        const counters = Object.fromEntries(Object.entries(pass.fields || {}).filter(([k]) => k.startsWith('_total'))
            .map(([k, v]) => [k, typeof v === 'string' ? v : JSON.stringify(v)]));
        const want = { class: pass.class, section: pass.section, seconds: pass.seconds.toFixed(3), counters };
        for (const [k, v] of Object.entries(want))
            if (JSON.stringify(shown[k]) !== JSON.stringify(v))
                problems.push(`pass ${i + 1} ${k}: page ${JSON.stringify(shown[k])}, report.json ${JSON.stringify(v)}`);
    });
    return problems;
}

(async () => {
    const stems = fs.readdirSync(path.join(work, 'zkopt-demo')).filter(f => f.endsWith('.report.html'))
        .map(f => f.replace(/\.report\.html$/, '')).sort();
    let failed = 0;
    for (const stem of stems) {
        const started = Date.now();
        const problems = await check(stem).catch(e => [`${e.message}`]);
        console.log(`${problems.length ? 'FAIL' : 'ok  '} ${stem}.report.html (${Date.now() - started} ms)`);
        for (const p of problems) console.log(`     ${p}`);
        if (problems.length) failed++;
    }
    await send('Browser.close').catch(() => {});
    console.log(`screenshots in ${work}`);
    console.log(`${stems.length - failed} passed, ${failed} failed`);
    process.exit(failed || !stems.length ? 1 : 0);
})();
