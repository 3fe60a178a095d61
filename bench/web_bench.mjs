// The WebAssembly side of bench-web: answers requests on standard input, one
// a line, with the time they took in nanoseconds, one a line.
//   node web_bench.mjs frames ZEVRA_VIEWER_WASM
//     "N": N frames of the viewer's frame flow (frame_script in
//     web_frame_bench.cpp, the same calls), timed inside the engine's host.
//   node web_bench.mjs page SITE NODE_MODULES
//     "N MODE": N frames of the page in Debian's chromium, WebGPU on
//     SwiftShader, stepped at 1/60 s and timed until the GPU has drawn them;
//     MODE "points", "lines" (F1) or "still" (F2: no rigid motion).
import { readFileSync } from 'node:fs';
import { createInterface } from 'node:readline';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [mode, ...args] = process.argv.slice(2);
// Requests read from here on only: lines that came while the page was being
// set up would otherwise be lost to an iterator made later.
const requests = () => createInterface({ input: process.stdin });
const answer = (ns) => process.stdout.write(`${ns}\n`);

if (mode === 'frames') {
  const module = new WebAssembly.Module(readFileSync(args[0]));
  const { exports: x } = new WebAssembly.Instance(module, {});
  x._initialize?.();
  const v = x.zevra_viewer_create();
  const code = (text) => new Uint8Array(x.memory.buffer, x.zevra_viewer_code_buffer(v), 64)
    .set(new TextEncoder().encode(text));
  // W and the right button held for the whole run: every frame moves and
  // turns the camera.
  code('KeyW');
  x.zevra_viewer_key(v, 0, 4, 0);
  x.zevra_viewer_button(v, 4, 2, 400, 300, 0);
  let sink = 0;
  for await (const line of requests()) {
    const n = Number(line);
    const start = process.hrtime.bigint();
    for (let i = 0; i < n; i++) {
      x.zevra_viewer_pointer_move(v, 400 + (i & 7), 300, 1, 0.5);
      x.zevra_viewer_frame(v, 1 / 60, 16 / 9);
      sink += new Float32Array(x.memory.buffer, x.zevra_viewer_mvp(v), 16)[0];
    }
    answer(process.hrtime.bigint() - start);
  }
  if (Number.isNaN(sink)) process.exitCode = 1;
} else if (mode === 'page') {
  const [site, modules] = args;
  const { chromium } = await import(pathToFileURL(join(resolve(modules), 'playwright-core', 'index.mjs')));
  const { serve } = await import('../web/serve.mjs');
  const server = await serve(site, 0);
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, timeout: 60_000,
    args: ['--no-sandbox', '--enable-unsafe-webgpu', '--enable-features=Vulkan', '--use-vulkan=swiftshader',
      '--use-webgpu-adapter=swiftshader', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'] });
  const pages = new Map();
  const pageFor = async (how) => {
    if (pages.has(how)) return pages.get(how);
    const page = await browser.newPage({ viewport: { width: 960, height: 540 } });
    await page.goto(`http://127.0.0.1:${server.address().port}/?fixed-dt=${1 / 60}`);
    await page.waitForFunction(() => document.body.dataset.state === 'running', null, { timeout: 120_000 });
    if (how === 'lines') await page.keyboard.press('F1');
    if (how === 'still') await page.keyboard.press('F2');
    await page.evaluate(() => window.zevra.step(2));
    pages.set(how, page);
    return page;
  };
  for await (const line of requests()) {
    const [n, how] = line.split(' ');
    const page = await pageFor(how);
    const ms = await page.evaluate(async (count) => {
      const start = performance.now();
      await window.zevra.step(count);
      return performance.now() - start;
    }, Number(n));
    answer(Math.round(ms * 1e6));
  }
  await browser.close();
  server.close();
} else {
  console.error('usage: node web_bench.mjs frames WASM | page SITE NODE_MODULES');
  process.exit(2);
}
