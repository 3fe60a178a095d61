// The viewer page: the engine (WebAssembly) runs the frame flow, WebGPU runs
// the engine's shaders. With ?fixed-dt=SECONDS the page draws its first frame
// and then advances only when asked, each frame by that time:
// window.zevra.step(n) runs n frames and resolves with the camera's point
// once the GPU has drawn them.
import { loadEngine } from './engine.mjs';
import { attachInput } from './input.mjs';
import { createOverlay } from './overlay.mjs';
import { createRenderer } from './renderer.mjs';

const canvas = document.getElementById('view');

function fail(text) {
  const message = document.getElementById('message');
  message.textContent = text;
  message.hidden = false;
  canvas.hidden = true;
  document.getElementById('overlay').hidden = true;
  document.body.dataset.state = 'failed';
}

// The canvas in device pixels, so that the picture is sharp at any zoom.
// Setting a size clears the canvas, so only a new size is set, and the
// caller redraws.
function followSize(onResize) {
  const resize = () => {
    const width = Math.max(1, Math.round(canvas.clientWidth * devicePixelRatio));
    const height = Math.max(1, Math.round(canvas.clientHeight * devicePixelRatio));
    if (width === canvas.width && height === canvas.height) return;
    canvas.width = width;
    canvas.height = height;
    onResize();
  };
  resize();
  new ResizeObserver(resize).observe(canvas);
  // A new device pixel ratio (zoom, another screen) need not resize the box.
  const watchRatio = () => matchMedia(`(resolution: ${devicePixelRatio}dppx)`)
    .addEventListener('change', () => { resize(); watchRatio(); }, { once: true });
  watchRatio();
}

async function start() {
  let engine;
  try {
    engine = await loadEngine(new URL('zevra-viewer.wasm', import.meta.url));
  } catch (e) {
    return fail(`The engine's WebAssembly module could not be loaded (${e.message}), so its WebGPU view cannot start.`);
  }
  if (!navigator.gpu) {
    return fail('This browser has no WebGPU (navigator.gpu is missing), and the view of S³ is drawn with WebGPU. ' +
      'Try a browser with WebGPU enabled.');
  }
  const adapter = await navigator.gpu.requestAdapter();
  if (!adapter) {
    return fail('WebGPU found no adapter (no usable GPU or driver), and the view of S³ is drawn with WebGPU. ' +
      'Try another browser or enable WebGPU in its settings.');
  }
  const device = await adapter.requestDevice();
  device.lost.then((info) => fail(`The WebGPU device was lost: ${info.message || info.reason}`));
  device.addEventListener('uncapturederror', (e) => fail(`WebGPU error: ${e.error.message}`));
  const context = canvas.getContext('webgpu');
  const format = navigator.gpu.getPreferredCanvasFormat();
  context.configure({ device, format, alphaMode: 'opaque' });

  let renderer;
  try {
    renderer = await createRenderer(device, context, format, engine);
  } catch (e) {
    return fail(e.message);
  }
  const fixedDt = new URLSearchParams(location.search).get('fixed-dt');
  const overlay = createOverlay(document, fixedDt);
  attachInput(engine, canvas);

  let state = null;
  const frame = (dt) => {
    state = engine.frame(dt, canvas.width / canvas.height);
    overlay.update(performance.now(), engine.cameraPosition(), state, renderer.points);
    if (!state.paused) renderer.draw(state);
  };
  // The last frame again, on the new canvas; the next frame takes its aspect.
  const redraw = () => { if (state) renderer.draw(state); };

  followSize(redraw);
  if (fixedDt !== null) {
    frame(0);
    window.zevra = {
      async step(n) {
        for (let i = 0; i < n; i++) frame(Number(fixedDt));
        await device.queue.onSubmittedWorkDone();
        return engine.cameraPosition();
      },
    };
    await device.queue.onSubmittedWorkDone();
  } else {
    // Motion follows the real time between frames, whatever their rate.
    let last = null;
    const tick = (now) => {
      frame(last === null ? 0 : (now - last) / 1000);
      last = now;
      requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  }
  document.body.dataset.state = 'running';
}

start().catch((e) => fail(`The viewer stopped: ${e.message}`));
