// Draws the picture of S³ with the engine's own WGSL: the Hopf circles that
// gpu-fixtures wrote are integrated step by step by geodesic_rk4_step, moved
// by pgl_action_batch and drawn as points through dehomogenize_vertex with
// the scripted camera's mvpGpu. One pass writes the colour image and, per
// pixel, the index of the point drawn there (-1 where none is).
import { readFileSync } from 'node:fs';
import { PNG } from 'pngjs';
import { FRAGMENT_INPUT } from './gpu_common.mjs';

export const BACKGROUND = [13, 17, 23, 255];

const RING_COLOURS = ['0.35, 0.72, 1.0', '0.45, 0.95, 0.6', '1.0, 0.78, 0.3', '1.0, 0.42, 0.55'];

export function loadScene(dir) {
  const bytes = (name) => new Uint8Array(readFileSync(`${dir}/${name}`)).slice().buffer;
  return {
    ...JSON.parse(readFileSync(`${dir}/s3_view.json`, 'utf8')),
    text: (name) => readFileSync(`${dir}/${name}`, 'utf8'),
    states: new Float32Array(bytes('s3_view_states.bin')),
    params: new Float32Array(bytes('s3_view_params.bin')),
    transform: new Float32Array(bytes('s3_view_transform.bin')),
    mvp: new Float32Array(bytes('s3_view_mvp.bin')),
    // Per point: clip x, y, z, w from the engine's f64 path, and 1 where the
    // chart is too close to a tie for f32 to be sure to pick the same one.
    expected: new Float64Array(bytes('s3_view_expected.bin')),
  };
}

// Where the f64 path puts point i in pixels, and whether the rasterizer
// keeps it: WebGPU clips to |x|, |y| <= w and 0 <= z <= w.
export function projected(scene, i, width, height) {
  const [x, y, z, w] = scene.expected.subarray(5 * i, 5 * i + 4);
  return {
    fx: ((x / w + 1) / 2) * width,
    fy: ((1 - y / w) / 2) * height,
    inside: w > 0 && Math.abs(x) <= w && Math.abs(y) <= w && z >= 0 && z <= w,
  };
}

// The points drawn: all but those whose chart or depth clipping f32 could
// decide otherwise than f64, so every drawn point has one place to be.
export function drawnPoints(scene) {
  const list = [];
  for (let i = 0; i < scene.expected.length / 5; i++) {
    const [, , z, w, tie] = scene.expected.subarray(5 * i, 5 * i + 5);
    const margin = 1e-4 * Math.abs(w);
    if (tie || Math.abs(w) < 1e-3 || Math.abs(z) <= margin || Math.abs(z - w) <= margin) continue;
    list.push(i);
  }
  return Uint32Array.from(list);
}

const fragmentSource = (perRing) => `${FRAGMENT_INPUT}
struct Targets {
    @location(0) colour: vec4<f32>,
    @location(1) point: f32,
}
const ring_colours = array<vec3<f32>, 4>(${RING_COLOURS.map((c) => `vec3<f32>(${c})`).join(', ')});
@fragment fn shade(in: FragmentInput) -> Targets {
    let circle = u32(round(in.uv.y));
    let shade = 0.55 + 0.45 * f32(circle % ${perRing}u) / ${perRing}.0;
    return Targets(vec4<f32>(ring_colours[(circle / ${perRing}u) % 4u] * shade, 1.0), round(in.uv.x));
}`;

async function checked(device, label, fn) {
  device.pushErrorScope('validation');
  const result = await fn();
  const error = await device.popErrorScope();
  if (error) throw new Error(`${label}: ${error.message}`);
  return result;
}

async function readTexture(device, texture, width, height, bytesPerPixel) {
  const bytesPerRow = Math.ceil((width * bytesPerPixel) / 256) * 256;
  const buffer = device.createBuffer({ size: bytesPerRow * height, usage: GPUBufferUsage.COPY_DST | GPUBufferUsage.MAP_READ });
  const enc = device.createCommandEncoder();
  enc.copyTextureToBuffer({ texture }, { buffer, bytesPerRow }, [width, height]);
  device.queue.submit([enc.finish()]);
  await buffer.mapAsync(GPUMapMode.READ);
  const padded = new Uint8Array(buffer.getMappedRange());
  const out = new Uint8Array(width * height * bytesPerPixel);
  for (let row = 0; row < height; row++) {
    out.set(padded.subarray(row * bytesPerRow, row * bytesPerRow + width * bytesPerPixel), row * width * bytesPerPixel);
  }
  buffer.unmap();
  buffer.destroy();
  return out;
}

// Returns the RGBA bytes and the point index of every pixel.
export async function renderS3View(device, scene, width, height) {
  const { circles, steps } = scene;
  const points = (steps + 1) * circles;
  const stateBytes = 32;
  const preludes = ['hom_vec4', 'pgl4', 'geodesic_state'].map((n) => scene.text(`${n}.wgsl`)).join('\n');
  const usage = GPUBufferUsage;
  const buffer = (size, use, data) => {
    const b = device.createBuffer({ size, usage: use | usage.COPY_DST });
    if (data) device.queue.writeBuffer(b, 0, data);
    return b;
  };

  return checked(device, 's3 view', async () => {
    const compute = (file, entryPoint) => device.createComputePipeline({
      layout: 'auto',
      compute: { module: device.createShaderModule({ code: `${preludes}\n${scene.text(file)}` }), entryPoint },
    });
    const rk4 = compute('geodesic_rk4_step.wgsl', 'geodesic_rk4_step');
    const action = compute('pgl_action_batch.wgsl', 'pgl_action_batch');
    const group = (pipeline, buffers) => device.createBindGroup({
      layout: pipeline.getBindGroupLayout(0),
      entries: buffers.map((b, binding) => ({ binding, resource: { buffer: b } })),
    });

    // Two state buffers take turns as input and output of each step; after
    // every step its output is copied behind the previous ones.
    const ping = [buffer(circles * stateBytes, usage.STORAGE | usage.COPY_SRC, scene.states),
      buffer(circles * stateBytes, usage.STORAGE | usage.COPY_SRC)];
    const params = buffer(16, usage.UNIFORM, scene.params);
    const trajectory = buffer(points * stateBytes, usage.STORAGE);
    const moved = buffer(points * stateBytes, usage.STORAGE | usage.VERTEX);
    const steppers = [group(rk4, [ping[0], ping[1], params]), group(rk4, [ping[1], ping[0], params])];
    const enc = device.createCommandEncoder();
    enc.copyBufferToBuffer(ping[0], 0, trajectory, 0, circles * stateBytes);
    for (let k = 0; k < steps; k++) {
      const pass = enc.beginComputePass();
      pass.setPipeline(rk4);
      pass.setBindGroup(0, steppers[k % 2]);
      pass.dispatchWorkgroups(Math.ceil(circles / 64));
      pass.end();
      enc.copyBufferToBuffer(ping[1 - (k % 2)], 0, trajectory, (k + 1) * circles * stateBytes, circles * stateBytes);
    }
    // Read as HomVec4s, a state is its position followed by its velocity:
    // the transform moves both, and the vertex stage takes them as position
    // and normal.
    const pass = enc.beginComputePass();
    pass.setPipeline(action);
    pass.setBindGroup(0, group(action, [trajectory, moved, buffer(64, usage.UNIFORM, scene.transform)]));
    pass.dispatchWorkgroups(Math.ceil((2 * points) / 64));
    pass.end();

    const uv = new Float32Array(2 * points);
    for (let i = 0; i < points; i++) uv.set([i, i % circles], 2 * i);
    const indices = drawnPoints(scene);
    const pipeline = device.createRenderPipeline({
      layout: 'auto',
      vertex: {
        module: device.createShaderModule({ code: `${scene.text('hom_vec4.wgsl')}\n${scene.text('dehomogenize_vertex.wgsl')}` }),
        entryPoint: 'dehomogenize_vertex',
        buffers: [
          { arrayStride: stateBytes, attributes: [{ shaderLocation: 0, offset: 0, format: 'float32x4' },
            { shaderLocation: 1, offset: 16, format: 'float32x4' }] },
          { arrayStride: 8, attributes: [{ shaderLocation: 2, offset: 0, format: 'float32x2' }] },
        ],
      },
      fragment: {
        module: device.createShaderModule({ code: fragmentSource(scene.per_ring) }),
        entryPoint: 'shade',
        targets: [{ format: 'rgba8unorm' }, { format: 'r32float' }],
      },
      primitive: { topology: 'point-list' },
    });
    const target = (format) => device.createTexture({
      size: [width, height], format, usage: GPUTextureUsage.RENDER_ATTACHMENT | GPUTextureUsage.COPY_SRC,
    });
    const colour = target('rgba8unorm');
    const ids = target('r32float');
    const draw = enc.beginRenderPass({
      colorAttachments: [
        { view: colour.createView(), loadOp: 'clear', storeOp: 'store', clearValue: BACKGROUND.map((c) => c / 255) },
        { view: ids.createView(), loadOp: 'clear', storeOp: 'store', clearValue: [-1, 0, 0, 0] },
      ],
    });
    draw.setPipeline(pipeline);
    draw.setBindGroup(0, group(pipeline, [buffer(64, usage.UNIFORM, scene.mvp)]));
    draw.setVertexBuffer(0, moved);
    draw.setVertexBuffer(1, buffer(uv.byteLength, usage.VERTEX, uv));
    draw.setIndexBuffer(buffer(indices.byteLength, usage.INDEX, indices), 'uint32');
    draw.drawIndexed(indices.length);
    draw.end();
    device.queue.submit([enc.finish()]);
    return {
      rgba: await readTexture(device, colour, width, height, 4),
      ids: new Float32Array((await readTexture(device, ids, width, height, 4)).buffer),
    };
  });
}

export function encodePng(width, height, rgba) {
  const png = new PNG({ width, height });
  png.data.set(rgba);
  return PNG.sync.write(png);
}
