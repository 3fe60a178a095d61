// make picture: draws the view of S³ at full size into the PNG file named by
// the first argument, from the scene gpu-fixtures wrote into
// $ZEVRA_GPU_FIXTURES.
import { writeFileSync } from 'node:fs';
import { openDevice } from './gpu_common.mjs';
import { encodePng, loadScene, renderS3View } from './s3_view.mjs';

const [out] = process.argv.slice(2);
const width = 640;
const height = 360;
const webgpu = await openDevice();
const { device } = webgpu;
const scene = loadScene(process.env.ZEVRA_GPU_FIXTURES);
const { rgba, ids } = await renderS3View(device, scene, width, height);
writeFileSync(out, encodePng(width, height, rgba));
const lit = ids.filter((id) => id >= 0).length;
console.log(`${out}: ${width}x${height}, ${scene.circles} circles of ${scene.steps + 1} points, ${lit} pixels drawn`);
webgpu.device.destroy();
