// The scene page: the glTF preview drawn with three.js, beside the inspector's report as
// tables, with the problems on top. Everything it shows is in the page itself.
import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';

const page = JSON.parse(document.getElementById('page-data').textContent);
const report = JSON.parse(document.getElementById('report-data').textContent);
const $ = (id) => document.getElementById(id);

// ---- the report -------------------------------------------------------------------------

// The preview shows the model blocks of the first container that has any, as the program
// reads them; the tables list every container.
const models = [];
for (const c of report.containers)
  for (const e of c.entries) if (e.model) models.push({ file: c.file, entry: e, model: e.model });
const shownFile = models.length ? models[0].file : null;

function el(tag, props = {}, ...children) {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(props)) {
    if (k === 'class') node.className = v;
    else if (k === 'dataset') Object.assign(node.dataset, v);
    else node[k] = v;
  }
  for (const child of children) node.append(child instanceof Node ? child : String(child ?? ''));
  return node;
}

const fmt = (x) => (typeof x === 'number' ? (Number.isInteger(x) ? String(x) : x.toPrecision(4).replace(/\.?0+$/, '')) : String(x));
const vec = (v) => (v ? v.map(fmt).join(', ') : '');
const megabytes = (n) => (n / 1e6).toFixed(1) + ' MB';

// Every selectable object: a table row, and what it stands for in the view.
const objects = new Map(); // key -> { row, kind, ... }
let nextKey = 0;
function register(row, object) {
  const key = 'o' + nextKey++;
  row.id = 'row-' + key;
  row.dataset.key = key;
  objects.set(key, { row, ...object });
  row.addEventListener('click', (event) => {
    if (event.target.closest('input')) return;
    select(key);
  });
  return key;
}

function table(title, columns, items, fill) {
  const body = el('tbody');
  const head = el('tr', {}, ...columns.map(([name, numeric]) => el('th', { class: numeric ? 'n' : '' }, name)));
  for (const item of items) {
    const row = el('tr');
    fill(item, row).forEach((cell, i) =>
      row.append(cell instanceof Node && cell.tagName === 'TD' ? cell : el('td', { class: columns[i][1] ? 'n' : '' }, cell)));
    body.append(row);
  }
  const heading = el('h2', {}, title);
  heading.id = 'table-' + nextKey++;
  tableHeadings.set(title, heading);
  return [heading, el('table', { dataset: { table: title.split(' ')[0].toLowerCase() } }, el('thead', {}, head), body)];
}
const tableHeadings = new Map(); // title -> heading

// Objects that problems can point at, per binary file, by the offset where each begins.
const anchors = new Map(); // file -> [{ offset, key }]
function anchor(file, offset, key) {
  if (!anchors.has(file)) anchors.set(file, []);
  anchors.get(file).push({ offset, key });
}

const viewsShown = []; // { name, camera (asSent), key }
const sections = new Map(); // file -> the suffix of its tables' titles
function buildTables() {
  const aside = $('tables');
  const scene = el('dl');
  const add = (term, value) => scene.append(el('dt', {}, term), el('dd', {}, value));
  add('data folder', report.dataFolder || '(one file)');
  for (const c of report.containers) {
    const h = c.header;
    add('scene file', `${c.file}, ${c.size} bytes` + (h ? `, version ${h.version}, ${h.entryCount} entries` : ', no header'));
    if (h && h.name) add('header name', h.name);
    for (const e of c.entries) add(`${c.file} entry ${e.index}`, `project ${e.project || '(none)'}` + (e.model ? ', model block' : e.directory ? ', change directory' : ''));
  }
  if (report.camera) add('camera file', `camera.cam: ${report.camera.name || report.camera.nameId || '(no name)'}`);
  if (report.views) add('views file', `Views.cam: ${report.views.views.length} views, active ${report.views.active}`);
  if (report.syncState)
    add('sync state', `_mod.sync: project ${report.syncState.sourceProject}, ${report.syncState.solids.length} solids, ${report.syncState.materials.length} materials`);
  aside.append(el('h2', {}, 'Scene'), scene);

  for (const { file, entry, model } of models) {
    const where = models.length > 1 ? ` (${file} entry ${entry.index})` : '';
    const inView = file === shownFile;
    anchor(file, entry.blockOffset, null);
    sections.set(file, where);
    if (model.solids) {
      const [h, t] = table(`Solids${where}`, [['node'], ['id', 1], ['parts', 1], ['vertices', 1], ['triangles', 1], ['size']], model.solids, (s, row) => {
        const key = register(row, { kind: 'solid', node: inView ? s.nodeName : null, label: s.nodeName });
        anchor(file, s.offset, key);
        for (const p of s.parts) anchor(file, p.offset, key);
        const size = s.bounds ? vec(s.bounds.max.map((m, i) => m - s.bounds.min[i])) : 'empty';
        return [s.nodeName, s.id, s.parts.length, s.vertices, s.triangles, size];
      });
      aside.append(h, t);
    }
    if (model.materials) {
      const [h, t] = table(`Materials${where}`, [['name'], ['template'], ['maps', 1], ['files']], model.materials, (m, row) => {
        const key = register(row, { kind: 'material', material: inView ? m.InterfaceName || m.MaterialID_Name : null, label: m.MaterialID_Name });
        anchor(file, m.offset, key);
        const files = m.record.MatExt.filter((e) => e.strFile).map((e) => e.strFile.split(/[\\/]/).pop());
        for (const p of m.properties) if (p.generated && p.type === 'string') files.push(`${p.value.split(/[\\/]/).pop()} (generated)`);
        return [m.MaterialID_Name + (m.InterfaceName && m.InterfaceName !== m.MaterialID_Name ? ` (${m.InterfaceName})` : ''), m.template, m.record.MatExt.length, files.join(', ')];
      });
      aside.append(h, t);
    }
    if (model.lights) {
      const [h, t] = table(`Lights${where}`, [['on'], ['name'], ['kind'], ['intensity', 1], ['colour'], ['position']], model.lights, (l, row) => {
        const key = register(row, { kind: 'light', node: inView && l.sent ? l.nodeName : null, label: l.LightName || l.nodeName });
        anchor(file, l.offset, key);
        const box = el('input', { type: 'checkbox', checked: l.sent, disabled: !(inView && l.sent), title: l.sent ? 'light on or off in the view' : 'the program does not send this light' });
        box.addEventListener('change', () => toggleLight(l.nodeName, box.checked));
        const kind = l.kind + (l.enabled ? '' : ', disabled') + (l.knownKind ? '' : ` (word "${l.kindWord}")`);
        return [el('td', {}, box), l.LightName || l.nodeName, kind, l.record.Intensity, vec(l.record.Color), vec(l.transform.slice(12, 15))];
      });
      aside.append(h, t);
    }
    if (model.views) {
      const v = model.views;
      aside.append(...viewTable(`Views${where}`, v, inView, (key, offset) => anchor(file, offset, key), v.offset));
    }
  }
  if (report.views) aside.append(...viewTable('Views.cam views', report.views, !models.some((m) => m.model.views), null));
  if (report.camera) {
    const [h, t] = table('Camera (camera.cam)', [['name'], ['field of view', 1], ['eye'], ['target']], [report.camera], (c, row) => {
      const key = register(row, { kind: 'view', camera: c.asSent, label: 'Current camera', file: 'camera.cam' });
      return [c.name || c.nameId || 'current camera', c.fieldOfView, vec(c.eye), vec(c.target)];
    });
    aside.append(h, t);
  }
}

function viewTable(title, list, shown, anchorView, offset) {
  return table(title, [['name'], ['field of view', 1], ['eye'], ['target']], list.views, (c, row) => {
    const i = list.views.indexOf(c);
    const name = c.name || c.nameId || `View ${i}`;
    const key = register(row, { kind: 'view', camera: c.asSent, label: name, file: title.startsWith('Views.cam') ? 'Views.cam' : null });
    if (shown) viewsShown.push({ name: name + (i === list.active ? ' (active)' : ''), camera: c.asSent, key });
    if (anchorView && i === 0) anchorView(key, offset);
    return [name + (i === list.active ? ' (active)' : ''), c.fieldOfView, vec(c.eye), vec(c.target)];
  });
}

// What a problem concerns: a table entry that points past the end, its table; elsewhere in a
// binary file the last object that begins at or before its offset; in a text file the table of
// that file. Gives a row's key or a table heading.
function problemTarget(p) {
  const entry = /^(materials|lights|solids) table entry/.exec(p.message);
  if (entry) {
    const title = entry[1][0].toUpperCase() + entry[1].slice(1) + (sections.get(p.file) || '');
    return tableHeadings.get(title) || null;
  }
  if (p.offset !== undefined) {
    let best = null;
    for (const a of anchors.get(p.file) || []) if (a.offset <= p.offset && (!best || a.offset >= best.offset)) best = a;
    return best && best.key;
  }
  for (const [key, o] of objects) if (o.file === p.file) return key;
  return null;
}

function buildProblems() {
  const problems = report.problems;
  if (!problems.length) return;
  $('problems').hidden = false;
  $('problems-title').textContent = `${problems.length} problem${problems.length === 1 ? '' : 's'}`;
  for (const p of problems) {
    const place = p.offset !== undefined ? `${p.file}:${p.offset} (0x${p.offset.toString(16)})` : `${p.file}:${p.line}`;
    const item = el('li', { class: p.severity }, `${place}: ${p.severity}: ${p.message}`);
    const target = problemTarget(p);
    if (target instanceof Node) {
      item.append(el('a', { href: '#' + target.id }, `→ ${target.textContent}`));
    } else if (target) {
      const o = objects.get(target);
      const link = el('a', { href: '#' + o.row.id }, `→ ${o.label}`);
      link.addEventListener('click', (event) => {
        event.preventDefault();
        select(target);
      });
      item.append(link);
    }
    $('problem-list').append(item);
  }
}

// ---- the view ---------------------------------------------------------------------------

const canvas = $('scene');
const renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(window.devicePixelRatio || 1);
const scene = new THREE.Scene();
scene.background = new THREE.Color(0xeef0f3);
scene.add(new THREE.HemisphereLight(0xffffff, 0x8d8d8d, 1.6));
const camera = new THREE.PerspectiveCamera(50, 1, 0.01, 1e6);
const controls = new OrbitControls(camera, canvas);
// Host and renderer are Z up; three.js is Y up: (x, y, z) in renderer axes is (x, z, -y) here.
const renderer3 = (v) => new THREE.Vector3(v[0], v[2], -v[1]);
// A group in which positions are in renderer axes.
const rendererAxes = new THREE.Group();
rendererAxes.rotation.x = -Math.PI / 2;
scene.add(rendererAxes);

let sceneRoot = null;
const lightMarkers = new Map(); // node name -> marker mesh
let selection = { meshes: [], helper: null };

function render() {
  const width = canvas.clientWidth, height = canvas.clientHeight;
  if (canvas.width !== Math.floor(width * renderer.getPixelRatio()) || canvas.height !== Math.floor(height * renderer.getPixelRatio())) {
    renderer.setSize(width, height, false);
    camera.aspect = width / Math.max(1, height);
    camera.updateProjectionMatrix();
  }
  renderer.render(scene, camera);
}

function lookFrom(sent, label) {
  if (!sent) return;
  const eye = renderer3(sent.eye), target = renderer3(sent.target);
  if (eye.distanceTo(target) < 1e-6) target.copy(eye).add(new THREE.Vector3(1, 0, 0));
  camera.position.copy(eye);
  camera.up.copy(renderer3(sent.up)).normalize();
  if (camera.up.lengthSq() < 0.5) camera.up.set(0, 1, 0);
  const fov = sent.fieldOfView;
  if (fov > 0 && fov < 3.1) camera.fov = THREE.MathUtils.radToDeg(fov);
  camera.updateProjectionMatrix();
  controls.target.copy(target);
  controls.update();
  for (const b of document.querySelectorAll('#view-buttons button')) b.classList.toggle('active', b.textContent === label);
  render();
}

function fitView(box) {
  const size = box.getSize(new THREE.Vector3()).length() || 1;
  const center = box.getCenter(new THREE.Vector3());
  camera.position.copy(center).add(new THREE.Vector3(0.8, 0.6, 1).multiplyScalar(size));
  controls.target.copy(center);
  controls.update();
  render();
}

function meshesOf(o) {
  const meshes = [];
  if (!sceneRoot) return meshes;
  if (o.kind === 'solid' && o.node) sceneRoot.getObjectByName(o.node)?.traverse((m) => m.isMesh && meshes.push(m));
  if (o.kind === 'material' && o.material) sceneRoot.traverse((m) => m.isMesh && m.material.name === o.material && meshes.push(m));
  if (o.kind === 'light' && o.node && lightMarkers.has(o.node)) meshes.push(lightMarkers.get(o.node));
  return meshes;
}

const highlight = new THREE.Color(0xff6a00);
function select(key) {
  for (const m of selection.meshes) m.material = m.userData.plainMaterial;
  if (selection.helper) scene.remove(selection.helper);
  selection = { meshes: [], helper: null };
  for (const row of document.querySelectorAll('tr.selected')) row.classList.remove('selected');
  const o = objects.get(key);
  if (!o) return;
  o.row.classList.add('selected');
  o.row.scrollIntoView({ block: 'nearest' });
  if (o.kind === 'view') {
    lookFrom(o.camera, o.label);
    return;
  }
  const meshes = meshesOf(o);
  const box = new THREE.Box3();
  for (const m of meshes) {
    m.userData.plainMaterial = m.material;
    const lit = m.material.clone();
    if (lit.emissive) {
      lit.emissive = highlight;
      lit.emissiveIntensity = 0.7;
      lit.emissiveMap = null;
    } else if (lit.color) lit.color = highlight;
    m.material = lit;
    box.expandByObject(m);
  }
  selection.meshes = meshes;
  if (!box.isEmpty()) {
    selection.helper = new THREE.Box3Helper(box, highlight);
    scene.add(selection.helper);
  }
  $('view-info').textContent = meshes.length ? `${o.label}: ${meshes.length} mesh${meshes.length === 1 ? '' : 'es'} highlighted` : `${o.label}: not in the view`;
  render();
}

function toggleLight(nodeName, on) {
  const node = sceneRoot && sceneRoot.getObjectByName(nodeName);
  if (node) node.traverse((x) => x.isLight && (x.visible = on));
  const marker = lightMarkers.get(nodeName);
  if (marker) marker.material.color.set(on ? marker.userData.color : 0x888888);
  render();
}

// Grid and axes in the renderer's units: a cell is the power of ten near a tenth of the scene.
function addGrid(box) {
  const size = box.isEmpty() ? new THREE.Vector3(10, 10, 10) : box.getSize(new THREE.Vector3());
  const extent = Math.max(size.x, size.z, 1e-3);
  const cell = Math.pow(10, Math.floor(Math.log10(extent / 2)));
  const cells = Math.min(200, 2 * Math.ceil(extent / cell / 2 + 2));
  const center = box.isEmpty() ? new THREE.Vector3() : box.getCenter(new THREE.Vector3());
  const grid = new THREE.GridHelper(cells * cell, cells, 0x9aa1ab, 0xc8ccd2);
  grid.position.set(Math.round(center.x / cell) * cell, 0, Math.round(center.z / cell) * cell);
  scene.add(grid);
  const axes = new THREE.AxesHelper(cell * 2);
  rendererAxes.add(axes);
  return cell;
}

function addLightMarkers(cell) {
  for (const { file, model } of models) {
    if (file !== shownFile || !model.lights) continue;
    for (const l of model.lights) {
      if (!l.sent) continue;
      const node = sceneRoot.getObjectByName(l.nodeName);
      if (!node) continue;
      const color = new THREE.Color(...l.record.Color.map((c) => Math.min(1, Math.max(0, c || 0))));
      const marker = new THREE.Mesh(new THREE.SphereGeometry(cell * 0.12, 12, 8), new THREE.MeshBasicMaterial({ color }));
      marker.userData.color = color.clone();
      marker.name = l.nodeName + ' marker';
      node.getWorldPosition(marker.position);
      scene.add(marker);
      lightMarkers.set(l.nodeName, marker);
    }
  }
}

function base64Bytes(text) {
  text = text.trim();
  if (Uint8Array.fromBase64) return Uint8Array.fromBase64(text);
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

function loadScene() {
  const glb = base64Bytes($('scene-glb').textContent);
  $('scene-glb').textContent = ''; // the text is no longer needed
  return new Promise((resolve, reject) => new GLTFLoader().parse(glb.buffer, '', resolve, reject));
}

async function main() {
  const where = report.dataFolder || (report.containers[0] && report.containers[0].file) || '';
  document.title = `Scene: ${where}`;
  $('title').textContent = `Scene: ${where}`;
  performance.mark('script');
  buildTables();
  buildProblems();
  performance.mark('tables');
  if (page.boxed) {
    $('notice').hidden = false;
    $('notice').textContent = `The meshes would take ${megabytes(page.meshBytes)}, more than this page's budget of ${megabytes(page.meshBudget)}: each solid is drawn as its bounding box. The tables are complete.`;
  }
  const gltf = await loadScene();
  performance.mark('scene parsed');
  sceneRoot = gltf.scene;
  scene.add(sceneRoot);
  sceneRoot.updateMatrixWorld(true);
  const box = new THREE.Box3().setFromObject(sceneRoot);
  const cell = addGrid(box);
  addLightMarkers(cell);
  for (const v of viewsShown) {
    const button = el('button', { type: 'button', title: 'move the camera to this saved view' }, v.name);
    button.addEventListener('click', () => select(v.key));
    $('view-buttons').append(button);
  }
  $('view-info').textContent = `grid: ${fmt(cell)} renderer unit${cell === 1 ? '' : 's'} a cell; axes red X, green Y, blue Z (up)`;
  const start = report.camera ? report.camera.asSent : null;
  if (start) lookFrom(start, null);
  else fitView(box);
  controls.addEventListener('change', render);
  new ResizeObserver(render).observe(canvas);
  render();
  performance.mark('first frame');
  document.body.dataset.state = 'ready';
}

main().catch((error) => {
  document.body.dataset.state = 'failed';
  $('notice').hidden = false;
  $('notice').textContent = `The 3D view could not be shown: ${error.message || error}`;
  console.error(error);
});
