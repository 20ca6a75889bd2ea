// Diagnostic reports as a reader sees them: `shapemod record` writes the
// page, Debian's headless Chromium opens it, and the page is judged by what
// the browser made of it (its tree of sections, its pictures, its requests,
// its pixels), not by its text.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {readFileSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {after, before, test} from 'node:test';

import {assertSelfContained, open, plateDxf, screenshot, sourceDir, startBrowser, tool}
    from './common.mjs';

// The image the model is drawn over, and its size in pixels.
const kImageWidth = 96;
const kImageHeight = 64;

let session;

before(async () => {
    session = await startBrowser();
});

after(async () => {
    await session?.stop();
});

// A grey ramp as a PNG, made by the browser's own encoder so that the tool
// reads a file it did not write.
async function rampPng(path) {
    const page = await session.browser.newPage();
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

// Deep records start folded, their pictures waiting in templates;
// unfolding them all puts every picture in place.
async function unfoldAll(page) {
    await page.$$eval('details', (all) => all.forEach((d) => { d.open = true; }));
    await page.waitForFunction(() => !document.querySelector('template.pictures'),
                               {timeout: 5000});
}

// Each section with its level, its depth among sections, its heading and
// its laid-out height.
function sectionsOf(page) {
    return page.$$eval('section.diag-record', (all) => all.map((s) => ({
        level: Number(s.dataset.level),
        depth: (() => {
            let d = 0;
            for (let p = s.parentElement; p; p = p.parentElement) d += p.matches('section') ? 1 : 0;
            return d;
        })(),
        title: s.querySelector(':scope > details > summary > h2')?.textContent ?? '',
        height: s.getBoundingClientRect().height,
    })));
}

// Every picture is laid out at a visible size, and its drawing lies within
// the frame it is shown in.
async function checkPictures(page) {
    const pictures = await page.$$eval('figure svg', (svgs) => svgs.map((svg) => {
        const box = svg.getBoundingClientRect();
        const view = svg.viewBox.baseVal;
        const drawn = svg.getBBox();
        return {width: box.width, height: box.height, view: {x: view.x, y: view.y,
            w: view.width, h: view.height}, drawn: {x0: drawn.x, y0: drawn.y,
            x1: drawn.x + drawn.width, y1: drawn.y + drawn.height}};
    }));
    for (const p of pictures) {
        assert.ok(p.width > 10 && p.height > 10, JSON.stringify(p));
        assert.ok(p.drawn.x1 > p.view.x && p.drawn.x0 < p.view.x + p.view.w, JSON.stringify(p));
        assert.ok(p.drawn.y1 > p.view.y && p.drawn.y0 < p.view.y + p.view.h, JSON.stringify(p));
    }
    return pictures;
}

// Opens a report and checks what every report must show: no errors, no
// requests, one section per record nested as the levels say.
async function openReport(html) {
    const {page, requests, errors} = await open(session.browser, html);
    assert.deepEqual(errors, []);
    assertSelfContained(requests, html);
    await unfoldAll(page);
    const sections = await sectionsOf(page);
    const summary = await page.$eval('p.summary', (p) => p.textContent);
    assert.equal(summary, `${sections.length} records`);
    // The browser nests sections exactly as their levels say: a section
    // closed too early or too late would sit at another depth.
    const top = Math.min(...sections.map((s) => s.level));
    for (const s of sections) {
        assert.equal(s.depth, s.level - top, s.title);
        assert.ok(s.title.length > 0 && s.height > 0, `section "${s.title}" shows`);
    }
    return {page, sections};
}

test('a region tree report renders one nested section per record, self-contained', async () => {
    const model = join(sourceDir, 'examples/models/region_tree.json');
    const image = join(session.work, 'ramp.png');
    const html = join(session.work, 'report.html');
    await rampPng(image);
    tool('record', model, '-o', html, '--image', image);

    const {page, sections} = await openReport(html);
    // Four region trees, each with its boundary, make at least eight records.
    assert.ok(sections.length >= 8, `${sections.length} records`);
    const pictures = await checkPictures(page);
    assert.ok(pictures.length >= sections.length, `${pictures.length} pictures`);

    // The one image under the drawings is embedded once and decodes to the
    // file's own pixels' size.
    const sizes = await page.$$eval('svg image', (images) => Promise.all(images.map(async (e) => {
        const img = new Image();
        img.src = e.href.baseVal;
        await img.decode();
        return [img.naturalWidth, img.naturalHeight];
    })));
    assert.deepEqual(sizes, [[kImageWidth, kImageHeight]]);
    await page.close();
});

// The heading line `shapemod describe` gives each node.
const kHeading = /^ *(model|Child \d+|(Phantom )?Boundary( \(Reversed Handedness\))?|Mapped Shape): /;

test('the report of an imported drawing shows a section per record and its drawings', async () => {
    const dxf = join(session.work, 'plate.dxf');
    const model = join(session.work, 'plate.json');
    const html = join(session.work, 'plate.html');
    plateDxf(dxf);
    execFileSync(process.env.SHAPEMOD, ['import', dxf, '-o', model], {stdio: 'ignore'});
    tool('record', model, '-o', html);
    const described = tool('describe', model).split('\n').filter((l) => kHeading.test(l));
    const {page, sections} = await openReport(html);
    assert.equal(sections.length, described.length);
    await checkPictures(page);
    // The top drawing shows every piece: it paints pixels over most of its frame.
    const top = await page.$eval('figure svg', (svg) => {
        const b = svg.getBBox();
        const v = svg.viewBox.baseVal;
        return (b.width * b.height) / (v.width * v.height);
    });
    assert.ok(top > 0.5, `the top drawing covers ${top} of its frame`);
    await page.close();
});

test('the demo report opens folded and looks like a report', async () => {
    const demo = join(session.work, 'demo');
    tool('demo', '--out', demo);
    const html = join(demo, 'report.html');
    const {page, requests, errors} = await open(session.browser, html);
    assert.deepEqual(errors, []);
    assertSelfContained(requests, html);
    const seen = await screenshot(session.browser, page, 'demo-report.png', session.work);
    assert.ok(seen.drawn > 0.05 * seen.width * seen.height, JSON.stringify(seen));
    assert.ok(seen.colours > 16, 'pictures, not just text');
    await page.close();
});

test('text that needs escaping arrives as text, not as markup', async () => {
    // A model path with markup in it becomes the page title and heading.
    const dir = join(session.work, '<b>&"odd\'');
    execFileSync('mkdir', ['-p', dir]);
    const model = join(dir, 'circle.json');
    writeFileSync(model, readFileSync(join(sourceDir, 'examples/models/circle.json')));
    const html = join(session.work, 'escaped.html');
    tool('record', model, '-o', html);
    const {page, errors} = await open(session.browser, html);
    assert.deepEqual(errors, []);
    assert.equal(await page.$eval('h1', (h) => h.textContent), `Shape model ${model}`);
    assert.equal(await page.$$eval('h1 b', (b) => b.length), 0);
    await page.close();
});
