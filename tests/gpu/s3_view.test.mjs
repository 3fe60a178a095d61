// The picture of S³ at a small size, checked against the engine's f64 path:
// not blank, every lit pixel holds a point that the f64 projection puts
// within one pixel of it, and every point that projection puts inside the
// view lights a pixel within one pixel. The PNG encoding keeps the bytes.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { PNG } from 'pngjs';
import { openDevice } from './gpu_common.mjs';
import { BACKGROUND, drawnPoints, encodePng, loadScene, projected, renderS3View } from './s3_view.mjs';

test('a small view of S³ lies where the f64 projection puts its points', async () => {
  const W = 128;
  const H = 72;
  const webgpu = await openDevice();
  const { device } = webgpu;
  const scene = loadScene(process.env.ZEVRA_GPU_FIXTURES);
  const { rgba, ids } = await renderS3View(device, scene, W, H);
  const near = (px, py, fx, fy) => Math.abs(px + 0.5 - fx) <= 1 && Math.abs(py + 0.5 - fy) <= 1;

  let lit = 0;
  for (let p = 0; p < W * H; p++) {
    const [px, py] = [p % W, Math.floor(p / W)];
    const background = BACKGROUND.every((c, k) => rgba[4 * p + k] === c);
    if (ids[p] < 0) {
      assert.ok(background, `pixel (${px}, ${py}) is coloured but holds no point`);
      continue;
    }
    assert.ok(!background, `pixel (${px}, ${py}) holds a point but is not coloured`);
    lit++;
    const i = Math.round(ids[p]);
    const { fx, fy } = projected(scene, i, W, H);
    assert.ok(near(px, py, fx, fy), `point ${i} drawn at pixel (${px}, ${py}), projected to (${fx}, ${fy})`);
  }
  assert.ok(lit >= 200, `only ${lit} pixels lit`);

  let expected = 0;
  for (const i of drawnPoints(scene)) {
    const { fx, fy, inside } = projected(scene, i, W, H);
    if (!inside || fx < 1 || fx > W - 1 || fy < 1 || fy > H - 1) continue;
    expected++;
    let found = false;
    for (let py = Math.floor(fy) - 1; py <= Math.floor(fy) + 1 && !found; py++) {
      for (let px = Math.floor(fx) - 1; px <= Math.floor(fx) + 1 && !found; px++) {
        found = px >= 0 && px < W && py >= 0 && py < H && ids[py * W + px] >= 0 && near(px, py, fx, fy);
      }
    }
    assert.ok(found, `point ${i} projected to (${fx}, ${fy}) lights no pixel near it`);
  }
  assert.ok(expected >= 1000, `only ${expected} points inside the view`);

  const png = PNG.sync.read(encodePng(W, H, rgba));
  assert.deepEqual([png.width, png.height], [W, H]);
  assert.ok(Buffer.from(rgba).equals(png.data), 'PNG round trip');
  webgpu.device.destroy();
});
