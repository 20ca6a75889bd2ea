// The model viewer and the drawing as a user meets them: the page
// `shapemod view` writes, opened in headless Chromium, clicked and scrolled.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {readFileSync} from 'node:fs';
import {join} from 'node:path';
import {after, before, test} from 'node:test';

import {assertSelfContained, open, plateDxf, screenshot, sourceDir, startBrowser, tool}
    from './common.mjs';

let session;

before(async () => {
    session = await startBrowser();
});

after(async () => {
    await session?.stop();
});

// A viewer page of `model`, opened, with no errors and no requests.
async function openViewer(model, name) {
    const html = join(session.work, name);
    tool('view', model, '-o', html);
    const {page, requests, errors} = await open(session.browser, html);
    await page.waitForSelector('body[data-ready="true"]', {timeout: 5000});
    assert.deepEqual(errors, []);
    assertSelfContained(requests, html);
    return page;
}

function importedPlate() {
    const dxf = join(session.work, 'plate.dxf');
    const model = join(session.work, 'plate.json');
    plateDxf(dxf);
    execFileSync(process.env.SHAPEMOD, ['import', dxf, '-o', model], {stdio: 'ignore'});
    return model;
}

// What the drawing shows of node k: its outline's stroke colour and width,
// and how many of its elements are painted.
function lookOf(page, k) {
    return page.$eval(`.outlines g[data-node="${k}"]`, (g) => {
        const path = g.querySelector('path');
        const style = getComputedStyle(path);
        return {stroke: style.stroke, width: parseFloat(style.strokeWidth)};
    });
}

test('the viewer of an imported drawing lists every node and shows the one selected', async () => {
    const model = importedPlate();
    const page = await openViewer(model, 'plate-view.html');

    // One tree entry per node, as many as the report has records.
    const nodes = await page.$$eval('#tree li.node', (all) => all.map((li) => Number(li.dataset.node)));
    const report = join(session.work, 'plate-report.html');
    tool('record', model, '-o', report);
    const records = (readFileSync(report, 'utf8').match(/<section class="diag-record"/g) || []).length;
    assert.equal(nodes.length, records);
    assert.deepEqual(nodes, nodes.map((_, k) => k));

    // The drawing fills the visible area it is given.
    const fit = await page.evaluate(() => {
        const area = document.getElementById('drawing').getBoundingClientRect();
        const drawn = document.querySelector('#drawing .outlines').getBoundingClientRect();
        return {area: area.toJSON(), drawn: drawn.toJSON(),
                viewport: [window.innerWidth, window.innerHeight]};
    });
    assert.ok(fit.drawn.width > 0.5 * fit.area.width || fit.drawn.height > 0.5 * fit.area.height,
              JSON.stringify(fit));
    assert.ok(fit.drawn.left >= fit.area.left && fit.drawn.right <= fit.area.right &&
              fit.drawn.top >= fit.area.top && fit.drawn.bottom <= fit.area.bottom,
              JSON.stringify(fit));

    // Selecting a piece in the tree highlights its outline and shows its
    // description, the one `shapemod describe` gives.
    const leaf = await page.evaluate(() => {
        const groups = [...document.querySelectorAll('.outlines g[data-node]')];
        const own = groups.filter((g) => g.querySelector(':scope > path') &&
                                         !g.querySelector('g[data-node]'));
        return Number(own[Math.floor(own.length / 2)].dataset.node);
    });
    const before = await lookOf(page, leaf);
    await page.evaluate((k) => {
        const entry = document.querySelector(`#tree li[data-node="${k}"] .entry`);
        entry.closest('details')?.setAttribute('open', '');
    }, leaf);
    await page.click(`#tree li[data-node="${leaf}"] .entry`);
    const selected = await lookOf(page, leaf);
    assert.notEqual(selected.stroke, before.stroke);
    assert.ok(selected.width > before.width);
    const description = await page.$eval('#description', (pre) => pre.textContent);
    assert.match(description, /Shape tree statistics/);
    const described = tool('describe', model);
    for (const line of description.split('\n').filter((l) => l.trim()))
        assert.ok(described.includes(line), `"${line}" is in the description`);
    const seen = await screenshot(session.browser, page, 'viewer-selected.png', session.work);
    assert.ok(seen.drawn > 0.02 * seen.width * seen.height, JSON.stringify(seen));

    // A click on the drawing selects the node drawn there.
    const point = await page.evaluate((k) => {
        const path = document.querySelector(`.outlines g[data-node="${k}"] > path`);
        const p = path.getPointAtLength(path.getTotalLength() / 3);
        const q = new DOMPoint(p.x, p.y).matrixTransform(path.getScreenCTM());
        return {x: q.x, y: q.y};
    }, leaf);
    await page.mouse.click(point.x, point.y);
    const picked = await page.$eval('#tree .entry.selected', (e) => Number(e.closest('li').dataset.node));
    const pickedGroup = await page.evaluate((x, y) => Number(
        document.elementFromPoint(x, y).closest('g[data-node]').dataset.node), point.x, point.y);
    assert.equal(picked, pickedGroup);
    await page.close();
});

test('the viewer toggles glyphs and featurelets, highlights by property, pans and zooms', async () => {
    // The demo model has negative weight, reversed and ignored polarity.
    const demo = join(session.work, 'demo');
    tool('demo', '--out', demo);
    const page = await openViewer(join(demo, 'model.json'), 'demo-view.html');
    const shown = (selector) => page.$eval(selector, (e) => {
        const box = e.getBoundingClientRect();
        return getComputedStyle(e).display !== 'none' && box.width > 0 ? box.width * box.height : 0;
    });
    assert.ok(await shown('#drawing .glyphs') > 0);
    assert.equal(await shown('#drawing .featurelets'), 0);
    await page.click('#show-glyphs');
    await page.click('#show-featurelets');
    assert.equal(await shown('#drawing .glyphs'), 0);
    assert.ok(await shown('#drawing .featurelets') > 0);

    for (const [box, kind] of [['#hl-neg', 'neg'], ['#hl-rev', 'rev'], ['#hl-ign', 'ign']]) {
        const stroke = () => page.$eval(`.outlines g.${kind} > path`,
                                        (p) => getComputedStyle(p).stroke);
        const plain = await stroke();
        await page.click(box);
        assert.notEqual(await stroke(), plain, kind);
        await page.click(box);
        assert.equal(await stroke(), plain, kind);
    }

    const viewBox = () => page.$eval('#drawing', (svg) => svg.getAttribute('viewBox').split(' ').map(Number));
    const home = await viewBox();
    const area = await page.$eval('#drawing', (svg) => svg.getBoundingClientRect().toJSON());
    await page.mouse.move(area.x + area.width / 2, area.y + area.height / 2);
    await page.mouse.wheel({deltaY: -300});
    const zoomed = await viewBox();
    assert.ok(zoomed[2] < home[2] * 0.8, `zoomed in: ${zoomed} from ${home}`);
    await page.mouse.down();
    await page.mouse.move(area.x + area.width / 2 + 100, area.y + area.height / 2, {steps: 4});
    await page.mouse.up();
    const panned = await viewBox();
    assert.ok(panned[0] < zoomed[0], `dragged right, the view moves left: ${panned}`);
    await page.click('#fit');
    assert.deepEqual(await viewBox(), home);
    await page.close();
});

test('a model with an infinite line opens with a notice, its line drawn', async () => {
    const page = await openViewer(join(sourceDir, 'examples/models/fline.json'), 'fline.html');
    assert.match(await page.$eval('.notice', (p) => p.textContent), /infinite extent/);
    assert.ok(await page.$eval('.outlines path', (p) => p.getTotalLength()) > 0);
    await page.close();
});

test('the demo drawing shows the model inside its picture', async () => {
    const demo = join(session.work, 'demo-drawing');
    tool('demo', '--out', demo);
    const {page, errors} = await open(session.browser, join(demo, 'drawing.svg'),
                                      {width: 640, height: 420});
    assert.deepEqual(errors, []);
    const seen = await screenshot(session.browser, page, 'demo-drawing.png', session.work);
    assert.ok(seen.drawn > 0.01 * seen.width * seen.height, JSON.stringify(seen));
    assert.ok(seen.box.x0 > 0 && seen.box.y0 > 0, 'the drawing is not cut at the top left');
    await page.close();
});
