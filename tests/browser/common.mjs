// What the browser tests share: one headless Chromium, the tool, scratch
// space, pages opened with their errors and requests recorded, a drawing
// made as an imported CAD file, and screenshots judged by their pixels.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {mkdirSync, mkdtempSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {pathToFileURL} from 'node:url';

import puppeteer from 'puppeteer-core';

export const shapemod = process.env.SHAPEMOD;
export const sourceDir = process.env.SHMD_SOURCE_DIR;
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(shapemod && sourceDir, 'SHAPEMOD and SHMD_SOURCE_DIR name the tool and the source tree');
// Where screenshots go: SHMD_SCREENSHOTS (the docs/ folder when they are
// renewed), otherwise the scratch folder.
const screenshotDir = process.env.SHMD_SCREENSHOTS;

export async function startBrowser() {
    const work = mkdtempSync(join(tmpdir(), 'shmd-browser-'));
    // Without these, Chromium keeps reaching for the network, which is closed here.
    const browser = await puppeteer.launch({
        executablePath: chromium,
        headless: true,
        userDataDir: join(work, 'profile'),
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    return {
        browser,
        work,
        async stop() {
            await browser.close();
            rmSync(work, {recursive: true, force: true});
        },
    };
}

export function tool(...args) {
    return execFileSync(shapemod, args, {encoding: 'utf8'});
}

// Opens `path` and returns the page with every request it made and every
// error it raised.
export async function open(browser, path, viewport = {width: 1280, height: 800}) {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    const requests = [];
    const errors = [];
    page.on('request', (r) => requests.push(r.url()));
    page.on('pageerror', (e) => errors.push(String(e)));
    page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
    await page.goto(pathToFileURL(path).href, {waitUntil: 'load'});
    return {page, requests, errors};
}

// Everything the page shows travels inside it.
export function assertSelfContained(requests, path) {
    assert.deepEqual(requests.filter((u) => !u.startsWith('data:')), [pathToFileURL(path).href]);
}

// A small CAD drawing as a CAD program writes one: a plate with a bore,
// two holes and a slot on one layer, a frame of loose lines on another.
export function plateDxf(path) {
    const entity = (type, layer, pairs) =>
        ['0', type, '8', layer, ...pairs.flatMap(([code, value]) => [String(code), String(value)])];
    const line = (layer, x1, y1, x2, y2) =>
        entity('LINE', layer, [[10, x1], [20, y1], [30, 0], [11, x2], [21, y2], [31, 0]]);
    const circle = (layer, x, y, r) => entity('CIRCLE', layer, [[10, x], [20, y], [30, 0], [40, r]]);
    const arc = (layer, x, y, r, a0, a1) =>
        entity('ARC', layer, [[10, x], [20, y], [30, 0], [40, r], [50, a0], [51, a1]]);
    const parts = [
        line('PLATE', 0, 0, 120, 0), line('PLATE', 120, 0, 120, 80),
        line('PLATE', 120, 80, 0, 80), line('PLATE', 0, 80, 0, 0),
        circle('PLATE', 60, 40, 18), circle('PLATE', 15, 15, 5), circle('PLATE', 105, 65, 5),
        line('PLATE', 20, 60, 40, 60), arc('PLATE', 40, 65, 5, 270, 90),
        line('PLATE', 40, 70, 20, 70), arc('PLATE', 20, 65, 5, 90, 270),
        line('FRAME', -10, -10, 130, -10), line('FRAME', 130, -10, 130, 90),
        line('FRAME', -10, 90, -10, -10),
    ];
    const text = ['0', 'SECTION', '2', 'ENTITIES', ...parts.flat(), '0', 'ENDSEC', '0', 'EOF'];
    writeFileSync(path, text.join('\n') + '\n');
}

// Takes a screenshot of the page, keeps it as `name` and returns what its
// pixels show: how many differ from the background colour (the most common
// one), and the box they lie in, in viewport pixels.
export async function screenshot(browser, page, name, work) {
    const dir = screenshotDir || work;
    mkdirSync(dir, {recursive: true});
    const path = join(dir, name);
    const png = await page.screenshot({encoding: 'base64'});
    writeFileSync(path, Buffer.from(png, 'base64'));
    const judge = await browser.newPage();
    const seen = await judge.evaluate(async (uri) => {
        const img = new Image();
        img.src = uri;
        await img.decode();
        const canvas = document.createElement('canvas');
        canvas.width = img.naturalWidth;
        canvas.height = img.naturalHeight;
        const g = canvas.getContext('2d');
        g.drawImage(img, 0, 0);
        const {data, width, height} = g.getImageData(0, 0, canvas.width, canvas.height);
        const counts = new Map();
        for (let i = 0; i < data.length; i += 4) {
            const key = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
            counts.set(key, (counts.get(key) || 0) + 1);
        }
        const background = [...counts.entries()].sort((a, b) => b[1] - a[1])[0][0];
        let drawn = 0;
        const box = {x0: width, y0: height, x1: -1, y1: -1};
        for (let y = 0; y < height; ++y) {
            for (let x = 0; x < width; ++x) {
                const i = 4 * (y * width + x);
                if (((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]) === background) continue;
                ++drawn;
                box.x0 = Math.min(box.x0, x);
                box.y0 = Math.min(box.y0, y);
                box.x1 = Math.max(box.x1, x);
                box.y1 = Math.max(box.y1, y);
            }
        }
        return {width, height, drawn, colours: counts.size, box};
    }, 'data:image/png;base64,' + png);
    await judge.close();
    return seen;
}
