// A diagnostic report as a reader sees it: `shapemod record` writes the page,
// Debian's headless Chromium opens it, and the page is judged by what the
// browser made of it (its tree of sections, its pictures, its requests), not
// by its text.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {after, before, test} from 'node:test';
import {pathToFileURL} from 'node:url';

import puppeteer from 'puppeteer-core';

const shapemod = process.env.SHAPEMOD;
const sourceDir = process.env.SHMD_SOURCE_DIR;
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(shapemod && sourceDir, 'SHAPEMOD and SHMD_SOURCE_DIR name the tool and the source tree');

// The image the model is drawn over, and its size in pixels.
const kImageWidth = 96;
const kImageHeight = 64;

let browser;
let work;

before(async () => {
    work = mkdtempSync(join(tmpdir(), 'shmd-browser-'));
    // Without these, Chromium keeps reaching for the network, which is closed here.
    browser = await puppeteer.launch({
        executablePath: chromium,
        headless: true,
        userDataDir: join(work, 'profile'),
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
});

after(async () => {
    await browser?.close();
    rmSync(work, {recursive: true, force: true});
});

// A grey ramp as a PNG, made by the browser's own encoder so that the tool
// reads a file it did not write.
async function rampPng(path) {
    const page = await browser.newPage();
    const uri = await page.evaluate((w, h) => {
        const canvas = document.createElement('canvas');
        canvas.width = w;
        canvas.height = h;
        const g = canvas.getContext('2d');
        for (let x = 0; x < w; ++x) {
            const v = Math.round((255 * x) / (w - 1));
            g.fillStyle = `rgb(${v},${v},${v})`;
            g.fillRect(x, 0, 1, h);
        }
        return canvas.toDataURL('image/png');
    }, kImageWidth, kImageHeight);
    await page.close();
    writeFileSync(path, Buffer.from(uri.split(',')[1], 'base64'));
}

// Opens `path` and returns the page with every request it made and every
// error it raised.
async function open(path) {
    const page = await browser.newPage();
    const requests = [];
    const errors = [];
    page.on('request', (r) => requests.push(r.url()));
    page.on('pageerror', (e) => errors.push(String(e)));
    page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
    await page.goto(pathToFileURL(path).href, {waitUntil: 'load'});
    return {page, requests, errors};
}

test('a region tree report renders one nested section per record, self-contained', async () => {
    const model = join(sourceDir, 'examples/models/region_tree.json');
    const image = join(work, 'ramp.png');
    const html = join(work, 'report.html');
    await rampPng(image);
    execFileSync(shapemod, ['record', model, '-o', html, '--image', image]);

    const {page, requests, errors} = await open(html);
    assert.deepEqual(errors, []);
    // Everything the page shows travels inside it.
    assert.deepEqual(requests.filter((u) => !u.startsWith('data:')), [pathToFileURL(html).href]);

    const sections = await page.$$eval('section.diag-record', (all) => all.map((s) => ({
        level: Number(s.dataset.level),
        depth: (() => {
            let d = 0;
            for (let p = s.parentElement; p; p = p.parentElement) d += p.matches('section') ? 1 : 0;
            return d;
        })(),
        title: s.querySelector(':scope > h2')?.textContent ?? '',
        height: s.getBoundingClientRect().height,
    })));
    const summary = await page.$eval('p.summary', (p) => p.textContent);
    assert.equal(summary, `${sections.length} records`);
    // Four region trees, each with its boundary, make at least eight records.
    assert.ok(sections.length >= 8, `${sections.length} records`);
    // The browser nests sections exactly as their levels say: a section
    // closed too early or too late would sit at another depth.
    const top = Math.min(...sections.map((s) => s.level));
    for (const s of sections) {
        assert.equal(s.depth, s.level - top, s.title);
        assert.ok(s.title.length > 0 && s.height > 0, `section "${s.title}" shows`);
    }

    // Every picture is laid out at a visible size, and its drawing lies
    // within the frame it is shown in.
    const pictures = await page.$$eval('figure svg', (svgs) => svgs.map((svg) => {
        const box = svg.getBoundingClientRect();
        const view = svg.viewBox.baseVal;
        let drawn = null;
        for (const e of svg.querySelectorAll('line, path, polyline, polygon, circle, ellipse')) {
            const b = e.getBBox();
            drawn = drawn ? {
                x0: Math.min(drawn.x0, b.x), y0: Math.min(drawn.y0, b.y),
                x1: Math.max(drawn.x1, b.x + b.width), y1: Math.max(drawn.y1, b.y + b.height),
            } : {x0: b.x, y0: b.y, x1: b.x + b.width, y1: b.y + b.height};
        }
        return {width: box.width, height: box.height, view: {x: view.x, y: view.y,
            w: view.width, h: view.height}, drawn};
    }));
    assert.ok(pictures.length >= sections.length, `${pictures.length} pictures`);
    for (const p of pictures) {
        assert.ok(p.width > 10 && p.height > 10, JSON.stringify(p));
        if (!p.drawn) continue;
        assert.ok(p.drawn.x1 > p.view.x && p.drawn.x0 < p.view.x + p.view.w, JSON.stringify(p));
        assert.ok(p.drawn.y1 > p.view.y && p.drawn.y0 < p.view.y + p.view.h, JSON.stringify(p));
    }

    // The image under the drawings decodes to the file's own pixels' size.
    const sizes = await page.$$eval('svg image', (images) => Promise.all(images.map(async (e) => {
        const img = new Image();
        img.src = e.href.baseVal;
        await img.decode();
        return [img.naturalWidth, img.naturalHeight];
    })));
    assert.ok(sizes.length > 0);
    for (const size of sizes) assert.deepEqual(size, [kImageWidth, kImageHeight]);
    await page.close();
});

test('text that needs escaping arrives as text, not as markup', async () => {
    // A model path with markup in it becomes the page title and heading.
    const dir = join(work, '<b>&"odd\'');
    execFileSync('mkdir', ['-p', dir]);
    const model = join(dir, 'circle.json');
    writeFileSync(model, readFileSync(join(sourceDir, 'examples/models/circle.json')));
    const html = join(work, 'escaped.html');
    execFileSync(shapemod, ['record', model, '-o', html]);
    const {page, errors} = await open(html);
    assert.deepEqual(errors, []);
    assert.equal(await page.$eval('h1', (h) => h.textContent), `Shape model ${model}`);
    assert.equal(await page.$$eval('h1 b', (b) => b.length), 0);
    await page.close();
});
