'use strict';
// The model viewer: a tree of the model's nodes beside one drawing of the
// model. The page is written whole by `shapemod view`; this script only
// reads it. Every node's drawing is a <g data-node="k"> (in the outline
// layer and again in the glyph layer), node k being the k-th entry of the
// node table in the order `shapemod describe` lists them.

// Each node's description is kept as the numbers of its lines in a table
// of distinct lines (descriptions share most of them).
const table = JSON.parse(document.getElementById('nodes').textContent);
const nodes = table.nodes;
const svg = document.getElementById('drawing');
const treeRoot = document.getElementById('tree');
// Levels below this start folded: a drawing of thousands of pieces opens
// on its layers, not on every piece.
const kOpenLevels = 2;
// How much one wheel notch (100 units of deltaY) zooms.
const kZoomPerNotch = 1.2;

// ---- pan and zoom: only the viewBox changes, so strokes stay sharp ----

// From the attribute, not viewBox.baseVal, which holds single precision.
const [homeX, homeY, homeW, homeH] = svg.getAttribute('viewBox').split(' ').map(Number);
const initialView = {x: homeX, y: homeY, w: homeW, h: homeH};
let view = {...initialView};

function showView() {
    svg.setAttribute('viewBox', `${view.x} ${view.y} ${view.w} ${view.h}`);
}

// Drawing units per screen pixel: the viewBox is fitted inside the element
// keeping its aspect, so the tighter direction decides.
function unitsPerPixel() {
    const box = svg.getBoundingClientRect();
    return Math.max(view.w / box.width, view.h / box.height);
}

// The drawing point under a mouse event.
function pointAt(event) {
    const p = new DOMPoint(event.clientX, event.clientY);
    return p.matrixTransform(svg.getScreenCTM().inverse());
}

function zoomAbout(point, factor) {
    view.x = point.x - (point.x - view.x) * factor;
    view.y = point.y - (point.y - view.y) * factor;
    view.w *= factor;
    view.h *= factor;
    showView();
}

svg.addEventListener('wheel', (event) => {
    event.preventDefault();
    zoomAbout(pointAt(event), Math.pow(kZoomPerNotch, event.deltaY / 100));
}, {passive: false});

let drag = null;
svg.addEventListener('pointerdown', (event) => {
    drag = {x: event.clientX, y: event.clientY, moved: false, scale: unitsPerPixel()};
    svg.setPointerCapture(event.pointerId);
});
svg.addEventListener('pointermove', (event) => {
    if (!drag) return;
    const dx = event.clientX - drag.x;
    const dy = event.clientY - drag.y;
    // A click that wobbles a pixel is still a click.
    if (!drag.moved && Math.hypot(dx, dy) < 3) return;
    drag.moved = true;
    svg.parentElement.classList.add('dragging');
    view.x -= dx * drag.scale;
    view.y -= dy * drag.scale;
    drag.x = event.clientX;
    drag.y = event.clientY;
    showView();
});
svg.addEventListener('pointerup', (event) => {
    const wasClick = drag && !drag.moved;
    drag = null;
    svg.parentElement.classList.remove('dragging');
    if (!wasClick) return;
    // The innermost node group under the pointer is the node clicked.
    const hit = document.elementFromPoint(event.clientX, event.clientY);
    const group = hit && hit.closest('g[data-node]');
    if (group) select(Number(group.dataset.node));
});

document.getElementById('fit').addEventListener('click', () => {
    view = {...initialView};
    showView();
});

// ---- the tree of nodes ----

const entries = [];

function propsText(node) {
    return `effective ${node.effective}; local ${node.local}`;
}

function makeEntry(k) {
    const node = nodes[k];
    const li = document.createElement('li');
    li.className = 'node';
    li.dataset.node = k;
    const label = document.createElement('span');
    label.className = 'entry';
    label.textContent = node.name;
    label.addEventListener('click', (event) => {
        event.preventDefault();  // a click on a label selects; the marker folds
        select(k);
    });
    const props = document.createElement('span');
    props.className = 'props';
    props.textContent = ' ' + propsText(node);
    entries[k] = label;
    return {li, label, props};
}

// Nodes come in pre-order with their levels, so a stack of open lists
// rebuilds the nesting.
function buildTree() {
    const open = [{level: -1, list: treeRoot}];
    nodes.forEach((node, k) => {
        while (open[open.length - 1].level >= node.level) open.pop();
        const {li, label, props} = makeEntry(k);
        const hasChildren = k + 1 < nodes.length && nodes[k + 1].level > node.level;
        if (hasChildren) {
            const details = document.createElement('details');
            details.open = node.level < kOpenLevels;
            const summary = document.createElement('summary');
            summary.append(label, props);
            const children = document.createElement('ul');
            details.append(summary, children);
            li.append(details);
            open[open.length - 1].list.append(li);
            open.push({level: node.level, list: children});
        } else {
            li.append(label, props);
            open[open.length - 1].list.append(li);
        }
    });
}

// ---- selection ----

function descriptionOf(k) {
    return nodes[k].lines.map((n) => table.lines[n]).join('\n');
}

let selected = -1;

function select(k) {
    for (const g of svg.querySelectorAll('g.selected')) g.classList.remove('selected');
    if (selected >= 0) entries[selected].classList.remove('selected');
    selected = k;
    for (const g of svg.querySelectorAll(`g[data-node="${k}"]`)) g.classList.add('selected');
    const entry = entries[k];
    entry.classList.add('selected');
    // Unfold the way to the entry so that it can be seen.
    for (let d = entry.closest('details'); d; d = d.parentElement.closest('details')) d.open = true;
    entry.scrollIntoView({block: 'nearest'});
    document.getElementById('selected-title').textContent = nodes[k].name;
    document.getElementById('description').textContent = descriptionOf(k);
}

// ---- what is drawn ----

function bindToggle(id, className, onWhenChecked) {
    const box = document.getElementById(id);
    const apply = () => svg.classList.toggle(className, box.checked === onWhenChecked);
    box.addEventListener('change', apply);
    apply();
}

bindToggle('show-glyphs', 'no-glyphs', false);
bindToggle('show-featurelets', 'show-featurelets', true);
bindToggle('hl-neg', 'show-neg', true);
bindToggle('hl-rev', 'show-rev', true);
bindToggle('hl-ign', 'show-ign', true);
buildTree();
document.body.dataset.ready = 'true';
