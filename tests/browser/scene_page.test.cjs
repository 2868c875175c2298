// The inspector's scene page in a real browser: Debian's chromium, headless, with WebGL on its
// software renderer, driven by puppeteer-core.
//   node scene_page.test.cjs PROGRAM DATA_FOLDER OUT_FOLDER
// PROGRAM is orvex-inspect, DATA_FOLDER the sample house; the pages, the damaged copy and a
// screenshot of the sample page are written into OUT_FOLDER.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const puppeteer = require('puppeteer-core');

const [inspector, sampleData, out] = process.argv.slice(2).map((p) => path.resolve(p));
fs.rmSync(out, { recursive: true, force: true });
fs.mkdirSync(out, { recursive: true });

// The inspector's JSON report and the page of a data folder.
function inspect(data, page, ...options) {
  const json = spawnSync(inspector, ['--json', data], { encoding: 'utf8' });
  assert.ok(json.status === 0 || json.status === 1, json.stderr);
  const html = spawnSync(inspector, ['--html', page, ...options, data], { encoding: 'utf8' });
  assert.equal(html.status, json.status, html.stderr);
  return JSON.parse(json.stdout);
}

// The sample with its model container cut inside the solids section, and camera.cam's field
// of view not a number.
function damagedCopy(report) {
  const data = path.join(out, 'damaged', 'data');
  fs.cpSync(sampleData, data, { recursive: true });
  const solids = report.containers[0].entries[0].model.solids;
  const model = fs.readFileSync(path.join(data, '_model.alm'));
  fs.writeFileSync(path.join(data, '_model.alm'), model.subarray(0, solids[1].offset + 40));
  const camera = path.join(data, 'camera.cam');
  fs.writeFileSync(camera, fs.readFileSync(camera, 'latin1').replace(/Camera__fov \[[^\]]*\]/, 'Camera__fov [nan]'), 'latin1');
  return data;
}

let browser;
const samplePage = path.join(out, 'sample.html');
let sampleReport;

before(async () => {
  sampleReport = inspect(sampleData, samplePage);
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--ignore-gpu-blocklist', '--window-size=1400,900'],
    defaultViewport: { width: 1400, height: 900 },
  });
});
after(async () => browser && browser.close());

// Opens a page from disk; gives the page and the console errors and page errors seen.
async function open(file) {
  const page = await browser.newPage();
  const errors = [];
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('requestfailed', (r) => errors.push(`request failed: ${r.url().slice(0, 80)}`));
  await page.goto(pathToFileURL(file).href);
  await page.waitForFunction(() => document.body.dataset.state !== 'loading', { timeout: 120000 });
  return { page, errors };
}

// The view, scaled down: RGBA bytes.
const pixels = (page) =>
  page.evaluate(() => {
    const small = document.createElement('canvas');
    small.width = 200;
    small.height = 150;
    const g = small.getContext('2d');
    g.drawImage(document.getElementById('scene'), 0, 0, small.width, small.height);
    return Array.from(g.getImageData(0, 0, small.width, small.height).data);
  });

function changedPixels(a, b) {
  let n = 0;
  for (let i = 0; i < a.length; i += 4)
    if (Math.abs(a[i] - b[i]) + Math.abs(a[i + 1] - b[i + 1]) + Math.abs(a[i + 2] - b[i + 2]) > 24) ++n;
  return n;
}

const tableRows = (page, name) =>
  page.$$eval(`table[data-table="${name}"] tbody tr`, (rows) => rows.map((r) => Array.from(r.cells, (c) => c.textContent)));

test('the sample page', async (t) => {
  const { page, errors } = await open(samplePage);
  const model = sampleReport.containers[0].entries[0].model;

  await t.test('loads from disk without errors and draws the scene', async () => {
    assert.equal(await page.evaluate(() => document.body.dataset.state), 'ready');
    assert.deepEqual(errors, []);
    const view = await pixels(page);
    const colours = new Set();
    for (let i = 0; i < view.length; i += 4) colours.add((view[i] << 16) | (view[i + 1] << 8) | view[i + 2]);
    assert.ok(colours.size > 50, `only ${colours.size} colours in the view`);
    await page.screenshot({ path: path.join(out, 'sample-page.png') });
  });

  await t.test('tables count what the inspector reports', async () => {
    const solids = await tableRows(page, 'solids');
    assert.deepEqual(
      solids.map((r) => [r[0], +r[2], +r[3], +r[4]]),
      model.solids.map((s) => [s.nodeName, s.parts.length, s.vertices, s.triangles]));
    const materials = await tableRows(page, 'materials');
    assert.deepEqual(
      materials.map((r) => [r[1], +r[2]]),
      model.materials.map((m) => [m.template, m.record.MatExt.length]));
    const lights = await tableRows(page, 'lights');
    assert.deepEqual(lights.map((r) => r[2].split(/[ ,]/)[0]), model.lights.map((l) => l.kind));
    assert.equal((await tableRows(page, 'views')).length, model.views.views.length);
    assert.equal(await page.$('#problems:not([hidden])'), null, 'the sample has no problems');
  });

  await t.test('saved views move the camera', async () => {
    const buttons = await page.$$('#view-buttons button');
    assert.equal(buttons.length, model.views.views.length);
    await buttons[0].click();
    const first = await pixels(page);
    await buttons[1].click();
    const second = await pixels(page);
    assert.ok(changedPixels(first, second) > 1000, 'two views look alike');
  });

  await t.test('a solid row highlights its solid, a light toggles', async () => {
    await (await page.$$('#view-buttons button'))[0].click();
    const before = await pixels(page);
    const largest = model.solids.reduce((a, s, i) => (s.triangles > model.solids[a].triangles ? i : a), 0);
    await (await page.$$('table[data-table="solids"] tbody tr'))[largest].click();
    const lit = await pixels(page);
    assert.ok(changedPixels(before, lit) > 100, 'the highlight changed no pixels');
    assert.match(await page.$eval('#view-info', (e) => e.textContent), /highlighted/);
    // Lights placed in the view: switching one off changes how the scene is lit.
    const boxes = await page.$$('table[data-table="lights"] input:not([disabled])');
    assert.equal(boxes.length, model.lights.filter((l) => l.sent).length);
    for (const box of boxes) await box.click();
    assert.ok(changedPixels(lit, await pixels(page)) > 0, 'switching the lights off changed nothing');
  });
  await page.close();
});

test('past the mesh budget the solids are boxes and the tables complete', async () => {
  const file = path.join(out, 'boxed.html');
  inspect(sampleData, file, '--mesh-budget', '0');
  const { page, errors } = await open(file);
  assert.deepEqual(errors, []);
  assert.match(await page.$eval('#notice:not([hidden])', (e) => e.textContent), /bounding box/);
  const solids = sampleReport.containers[0].entries[0].model.solids;
  assert.deepEqual((await tableRows(page, 'solids')).map((r) => +r[4]), solids.map((s) => s.triangles));
  const boxes = await pixels(page);
  const full = await open(samplePage);
  assert.ok(changedPixels(boxes, await pixels(full.page)) > 100, 'the boxes look like the meshes');
  await Promise.all([page.close(), full.page.close()]);
});

test('a damaged data folder lists its problems, each linked to its object', async () => {
  const data = damagedCopy(sampleReport);
  const file = path.join(out, 'damaged.html');
  const report = inspect(data, file);
  assert.ok(report.problems.length >= 2, 'the damage gave fewer problems than planted');
  const { page, errors } = await open(file);
  assert.deepEqual(errors, []);
  const items = await page.$$eval('#problem-list li', (li) => li.map((x) => x.textContent));
  assert.equal(items.length, report.problems.length);
  report.problems.forEach((p, i) => {
    const place = p.offset !== undefined ? `${p.file}:${p.offset} ` : `${p.file}:${p.line}:`;
    assert.ok(items[i].startsWith(place) && items[i].includes(p.message), `${items[i]} is not ${place} ${p.message}`);
  });
  // The cut lies in the second solid's record: its problem links to that solid's row; the
  // solids cut off link to their table.
  const cut = report.problems.findIndex((p) => p.file === '_model.alm' && !/table entry/.test(p.message));
  assert.notEqual(cut, -1);
  assert.match(await page.$eval('#problem-list li a', (a) => a.textContent), /Solids/);
  const links = await page.$$('#problem-list li');
  const link = await links[cut].$('a');
  assert.ok(link, 'the container problem links to no object');
  await link.click();
  const selected = await page.$eval('tr.selected', (r) => r.cells[0].textContent);
  const second = report.containers[0].entries[0].model.solids.find((s) => s.offset === sampleReport.containers[0].entries[0].model.solids[1].offset);
  assert.equal(selected, second.nodeName);
  assert.ok(await page.$$eval('#problem-list a', (a) => a.length) >= 2, 'the camera problem links to no row');
  await page.close();
});
