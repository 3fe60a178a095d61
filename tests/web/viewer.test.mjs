// The viewer page in a real browser: Debian's chromium, headless, WebGPU on
// SwiftShader, driven over the DevTools protocol (playwright-core) with real
// input events, against the engine's own texts and its native twin.
//   node viewer.test.mjs   with ZEVRA_WEB_SITE (the built page), ZEVRA_VIEWER_TWIN
//   (the native twin), ZEVRA_GPU_FIXTURES (the WebGPU checks' shader texts) and
//   ZEVRA_WEB_OUT (a folder for the screenshots) set.
// Without chromium it prints one line and exits 77 (skipped), or 1 under CI;
// the line also goes to ZEVRA_SKIP_NOTE, if set, which make test prints.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { accessSync, constants, mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { PNG } from 'pngjs';
import { chromium } from 'playwright-core';
import { serve } from './serve.mjs';

const env = (name) => {
  if (!process.env[name]) throw new Error(`${name} is not set`);
  return process.env[name];
};
const SITE = env('ZEVRA_WEB_SITE');
const TWIN = env('ZEVRA_VIEWER_TWIN');
const FIXTURES = env('ZEVRA_GPU_FIXTURES');
const OUT = env('ZEVRA_WEB_OUT');
const CHROMIUM = process.env.ZEVRA_CHROMIUM || '/usr/bin/chromium';

const NOTE = process.env.ZEVRA_SKIP_NOTE;
try {
  accessSync(CHROMIUM, constants.X_OK);
  if (NOTE) rmSync(NOTE, { force: true });
} catch {
  const ci = process.env.CI && process.env.CI !== 'false';
  const reason = `the browser tests (web-viewer) need chromium at ${CHROMIUM} (Debian: chromium)`;
  console.log(`${ci ? 'FAIL' : 'SKIP'}: ${reason}`);
  if (NOTE && !ci) {
    mkdirSync(dirname(NOTE), { recursive: true });
    writeFileSync(NOTE, `${reason}\n`);
  }
  process.exit(ci ? 1 : 77);
}

// WebGPU on SwiftShader's Vulkan, and ANGLE on SwiftShader so that
// screenshots of the WebGPU canvas are not blank.
const WEBGPU = ['--enable-unsafe-webgpu', '--enable-features=Vulkan', '--use-vulkan=swiftshader',
  '--use-webgpu-adapter=swiftshader', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'];
const DT = '0.015625';  // 1/64 s: the same f64 in JavaScript and C++
const [W, H] = [320, 180];
const BACKGROUND = [13, 17, 23];

let server;
let base;
let browser;
before(async () => {
  server = await serve(SITE, 0);
  base = `http://127.0.0.1:${server.address().port}/`;
  browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: ['--no-sandbox', ...WEBGPU], timeout: 60_000 });
});
after(async () => {
  await browser?.close();
  server?.close();
});

// A page of the viewer in its stepped mode; records uncaught errors, console
// errors and the code of every shader module the page creates.
async function openPage(b, { width = W, height = H, scale = 1, query = `?fixed-dt=${DT}` } = {}) {
  const context = await b.newContext({ viewport: { width, height }, deviceScaleFactor: scale });
  await context.addInitScript(() => {
    window.shaderCodes = [];
    const create = globalThis.GPUDevice?.prototype.createShaderModule;
    if (create) {
      GPUDevice.prototype.createShaderModule = function (descriptor) {
        window.shaderCodes.push(descriptor.code);
        return create.call(this, descriptor);
      };
    }
  });
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(`uncaught: ${e.message}`));
  page.on('console', (m) => { if (m.type() === 'error') page.errors.push(`console: ${m.text()}`); });
  await page.goto(base + query);
  await page.waitForFunction(() => document.body.dataset.state !== 'loading', null, { timeout: 120_000 });
  return page;
}

const step = (page, n) => page.evaluate((count) => window.zevra.step(count), n);
// A right-button drag by (dx, dy) CSS pixels from (x, y) in four moves, a
// frame after each: the camera orbits by what moved while the button is held.
async function rightDrag(page, [x, y], [dx, dy]) {
  await page.mouse.move(x, y);
  await page.mouse.down({ button: 'right' });
  for (let k = 1; k <= 4; k++) {
    await page.mouse.move(x + (dx * k) / 4, y + (dy * k) / 4);
    await step(page, 1);
  }
  await page.mouse.up({ button: 'right' });
}
const shownCamera = (page) => page.evaluate(() => JSON.parse(document.getElementById('camera').dataset.pos));

// The canvas alone, as RGBA bytes (the overlay hidden).
async function canvasPixels(page) {
  await page.addStyleTag({ content: '#overlay { visibility: hidden; }' });
  return PNG.sync.read(await page.locator('#view').screenshot());
}
const lit = (png, p) => BACKGROUND.some((c, k) => Math.abs(png.data[4 * p + k] - c) > 16);
const samePixels = (a, b) => Buffer.compare(a.data, b.data) === 0;

function twin(script) {
  const run = spawnSync(TWIN, { input: `${script.join('\n')}\n`, encoding: 'utf8', timeout: 60_000 });
  assert.equal(run.status, 0, `viewer-twin: ${run.stderr}`);
  return run.stdout;
}

test('the page loads without an error, compiles the engine\'s own WGSL and follows the window', async () => {
  const page = await openPage(browser, { width: 400, height: 300, scale: 1.5 });
  assert.equal(await page.evaluate(() => document.body.dataset.state), 'running');
  await step(page, 2);
  const codes = await page.evaluate(() => window.shaderCodes);
  const fixture = (name) => readFileSync(join(FIXTURES, name), 'utf8');
  assert.equal(codes[0], fixture('module.wgsl'), 'the compute module is buildWgslModule()');
  assert.equal(codes[1], `${fixture('hom_vec4.wgsl')}\n${fixture('dehomogenize_vertex.wgsl')}`,
    'the vertex module is the HomVec4 prelude and dehomogenize_vertex');
  assert.equal(codes.length, 3, 'and one fragment stage');
  // No shader text in the page's own files: every module came from the engine.
  for (const file of readdirSync(SITE).filter((f) => /\.(m?js|html|css)$/.test(f))) {
    assert.doesNotMatch(readFileSync(join(SITE, file), 'utf8'), /@(vertex|fragment|compute|group)|fn \w+\(/, file);
  }
  // Device pixels, and again after the window changes size.
  assert.deepEqual(await page.evaluate(() => [view.width, view.height]), [600, 450]);
  await page.setViewportSize({ width: 500, height: 200 });
  await page.waitForFunction(() => view.width === 750 && view.height === 300, null, { timeout: 10_000 });
  await step(page, 1);
  assert.deepEqual(page.errors, []);
  await page.context().close();
});

test('holding W moves the camera to the bits the native engine computes for the same events', async () => {
  const page = await openPage(browser);
  await page.keyboard.down('KeyW');
  await step(page, 30);
  await page.keyboard.up('KeyW');
  const pos = await step(page, 1);
  assert.deepEqual(await shownCamera(page), pos, 'the overlay shows the engine\'s values');
  const [, ...native] = twin([`aspect ${W} ${H}`, 'step 1 0', 'key down KeyW', `step 30 ${DT}`, 'key up KeyW',
    `step 1 ${DT}`, 'camera']).trim().split(' ');
  pos.forEach((v, i) => assert.ok(Object.is(v, Number(native[i])), `coordinate ${i}: page ${v}, native ${native[i]}`));
  assert.ok(pos[3] < 0.9, `the camera moved (w = ${pos[3]})`);
  assert.match(await page.locator('#camera').textContent(), /camera x [+−]0\.\d{6} {2}y/);
  assert.deepEqual(page.errors, []);
  await page.context().close();
});

test('every lit pixel lies where the engine\'s f64 projection puts a point of the scene', async () => {
  const page = await openPage(browser);
  const png = await canvasPixels(page);
  writeFileSync(join(OUT, 'start.png'), PNG.sync.write(png));
  const file = join(OUT, 'start-projection.bin');
  twin([`aspect ${W} ${H}`, 'step 1 0', `project ${file}`]);
  const clip = new Float64Array(new Uint8Array(readFileSync(file)).buffer);
  // Pixels within one pixel of some point, through either chart it may take.
  const near = new Uint8Array(W * H);
  const pixel = (x, y, w) => [((x / w + 1) / 2) * W, ((1 - y / w) / 2) * H];
  const points = clip.length / 8;
  for (let i = 0; i < points; i++) {
    for (const c of [0, 4]) {
      const [x, y, , w] = clip.subarray(8 * i + c, 8 * i + c + 4);
      if (!(w > 0)) continue;
      const [fx, fy] = pixel(x, y, w);
      if (!(fx > -2 && fx < W + 2 && fy > -2 && fy < H + 2)) continue;
      for (let py = Math.floor(fy - 1.5); py <= fy + 0.5; py++) {
        for (let px = Math.floor(fx - 1.5); px <= fx + 0.5; px++) {
          if (px >= 0 && px < W && py >= 0 && py < H && Math.abs(px + 0.5 - fx) <= 1 && Math.abs(py + 0.5 - fy) <= 1) near[py * W + px] = 1;
        }
      }
    }
  }
  let count = 0;
  for (let p = 0; p < W * H; p++) {
    if (!lit(png, p)) continue;
    count++;
    assert.ok(near[p], `pixel (${p % W}, ${Math.floor(p / W)}) is lit, but no point is projected near it`);
  }
  assert.ok(count >= 500, `only ${count} pixels lit`);
  // Every point that f64 puts well inside the view, with one chart only and
  // clear of the depth range's ends, lights a pixel within one pixel.
  let inside = 0;
  for (let i = 0; i < points; i++) {
    const [x, y, z, w, ax, ay] = clip.subarray(8 * i, 8 * i + 6);
    if (ax !== x || ay !== y || !(w > 1e-3) || z <= 1e-4 * w || z >= w * (1 - 1e-4)) continue;
    const [fx, fy] = pixel(x, y, w);
    if (!(fx >= 1 && fx <= W - 1 && fy >= 1 && fy <= H - 1)) continue;
    inside++;
    let found = false;
    for (let py = Math.floor(fy) - 1; py <= Math.floor(fy) + 1 && !found; py++) {
      for (let px = Math.floor(fx) - 1; px <= Math.floor(fx) + 1 && !found; px++) {
        found = px >= 0 && px < W && py >= 0 && py < H && Math.abs(px + 0.5 - fx) <= 1 && Math.abs(py + 0.5 - fy) <= 1 && lit(png, py * W + px);
      }
    }
    assert.ok(found, `point ${i} projected to (${fx}, ${fy}) lights no pixel near it`);
  }
  assert.ok(inside >= 1000, `only ${inside} points inside the view`);
  assert.deepEqual(page.errors, []);
  await page.context().close();
});

test('right-drag turns the view, R restores the first image; F1 draws lines; Escape pauses with a note', async () => {
  const page = await openPage(browser);
  // F2 stops the rigid motion, so that only the camera changes the image.
  await page.keyboard.press('F2');
  await step(page, 1);
  assert.match(await page.locator('#mode').textContent(), /rigid motion off/);
  const first = await canvasPixels(page);
  await rightDrag(page, [160, 90], [40, 20]);
  await step(page, 1);
  const turned = await canvasPixels(page);
  assert.ok(!samePixels(first, turned), 'the drag changed the view');
  await page.keyboard.press('KeyR');
  await step(page, 1);
  assert.ok(samePixels(first, await canvasPixels(page)), 'R restored the first image');

  await page.keyboard.press('F1');
  await step(page, 1);
  assert.match(await page.locator('#mode').textContent(), /as lines/);
  const lines = await canvasPixels(page);
  assert.ok(!samePixels(first, lines), 'lines are not points');
  writeFileSync(join(OUT, 'lines.png'), PNG.sync.write(lines));

  await page.keyboard.press('Escape');
  await step(page, 1);
  assert.ok(await page.locator('#paused').isVisible(), 'the pause note shows');
  const before = await shownCamera(page);
  await page.keyboard.down('KeyW');
  await step(page, 5);
  assert.deepEqual(await shownCamera(page), before, 'a paused camera does not move');
  await page.keyboard.press('Escape');
  await step(page, 1);
  await page.keyboard.up('KeyW');
  assert.ok(!(await page.locator('#paused').isVisible()), 'Escape resumes');
  assert.notDeepEqual(await shownCamera(page), before, 'and the held key moves it again');
  assert.deepEqual(page.errors, []);
  await page.context().close();
});

test('without WebGPU, or without its WebAssembly module, the page says so in words', async () => {
  const plain = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: ['--no-sandbox'], timeout: 60_000 });
  try {
    const page = await openPage(plain);
    assert.equal(await page.evaluate(() => document.body.dataset.state), 'failed');
    const text = await page.locator('#message').textContent();
    assert.match(text, /WebGPU/);
    assert.ok(await page.locator('#message').isVisible() && !(await page.locator('#view').isVisible()));
  } finally {
    await plain.close();
  }
  const context = await browser.newContext({ viewport: { width: W, height: H } });
  await context.route('**/zevra-viewer.wasm', (route) => route.fulfill({ status: 404, body: 'gone' }));
  const page = await context.newPage();
  await page.goto(`${base}?fixed-dt=${DT}`);
  await page.waitForFunction(() => document.body.dataset.state === 'failed', null, { timeout: 60_000 });
  assert.match(await page.locator('#message').textContent(), /WebAssembly module could not be loaded.*WebGPU/);
  await context.close();
});

test('the README\'s screenshot: the view after W and a right-drag, overlay included', async () => {
  const page = await openPage(browser, { width: 960, height: 540 });
  await page.keyboard.down('KeyW');
  await step(page, 20);
  await page.keyboard.up('KeyW');
  await rightDrag(page, [480, 270], [80, -40]);
  await step(page, 1);
  await page.screenshot({ path: join(OUT, 'viewer.png') });
  assert.deepEqual(page.errors, []);
  await page.context().close();
});
