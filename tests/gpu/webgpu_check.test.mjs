// Runs the engine's WGSL sources on a real WebGPU implementation (the npm
// package `webgpu`, on Mesa's software OpenGL ES driver) and compares them with
// the CPU references that gpu-fixtures wrote into $ZEVRA_GPU_FIXTURES.
//
// Tolerances are per element and come from WGSL's accuracy rules for f32
// (WGSL, "Floating Point Accuracy"): +, -, * correctly rounded; x / y within
// 2.5 ULP; inverseSqrt within 2 ULP; sqrt inherited from 1.0 / inverseSqrt(x);
// acos the worse of an absolute 6.77e-5 and the error inherited from
// atan2(sqrt(1.0 - x * x), x); atan2 within 4096 ULP; clamp, abs and select
// exact. Implementations may reassociate and may fuse multiply-add when that
// is at least as accurate, so sums are bounded by the sum of the magnitudes of
// their terms, whatever the order. With u = 2^-24, a correctly rounded result
// r has a relative error of at most u, and one ULP of r is at most 2u|r|.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { WgslReflect } from 'wgsl_reflect/wgsl_reflect.module.js';
import { FRAGMENT_INPUT, openDevice } from './gpu_common.mjs';

const U = 2 ** -24;
const dir = process.env.ZEVRA_GPU_FIXTURES;
assert.ok(dir, 'ZEVRA_GPU_FIXTURES must name the folder written by gpu-fixtures');

const text = (name) => readFileSync(`${dir}/${name}`, 'utf8');
const bytes = (name) => new Uint8Array(readFileSync(`${dir}/${name}`)).slice();
const f32s = (name) => new Float32Array(bytes(name).buffer);
const f64s = (name) => new Float64Array(bytes(name).buffer);

const prelude = {
  hom_vec4: text('hom_vec4.wgsl'),
  pgl4: text('pgl4.wgsl'),
  geodesic_state: text('geodesic_state.wgsl'),
};
const allPreludes = [prelude.hom_vec4, prelude.pgl4, prelude.geodesic_state].join('\n');
const catalogue = JSON.parse(text('pipelines.json'));
const layouts = JSON.parse(text('layouts.json'));

// The instance and adapter stay referenced for the whole run: collecting
// them would tear down the native device under the tests.
let webgpu;
let device;
const uncaptured = [];

before(async () => {
  webgpu = await openDevice();
  device = webgpu.device;
  device.addEventListener('uncapturederror', (e) => uncaptured.push(e.error.message));
});

after(() => {
  assert.deepEqual(uncaptured, [], 'uncaptured WebGPU errors');
  device?.destroy();
});

// Runs `fn` inside a validation and an out-of-memory error scope and fails on
// any error the implementation reports.
async function checked(label, fn) {
  device.pushErrorScope('out-of-memory');
  device.pushErrorScope('validation');
  const result = await fn();
  const validation = await device.popErrorScope();
  const oom = await device.popErrorScope();
  assert.equal(validation?.message ?? null, null, `${label}: validation error`);
  assert.equal(oom?.message ?? null, null, `${label}: out of memory`);
  return result;
}

async function compile(label, code) {
  return checked(label, async () => {
    const module = device.createShaderModule({ label, code });
    const info = await module.getCompilationInfo();
    const messages = info.messages.map((m) => `${m.type} ${m.lineNum}:${m.linePos} ${m.message}`);
    assert.deepEqual(messages, [], `${label}: compilation messages`);
    return module;
  });
}

const pipelines = new Map();

async function computePipeline(desc) {
  if (pipelines.has(desc.name)) return pipelines.get(desc.name);
  const module = await compile(desc.name, `${allPreludes}\n${desc.shader}`);
  const pipeline = await checked(`${desc.name} pipeline`, () =>
    device.createComputePipeline({
      label: desc.name,
      layout: 'auto',
      compute: { module, entryPoint: desc.entry_point },
    }));
  pipelines.set(desc.name, pipeline);
  return pipeline;
}

const byName = (name) => catalogue.find((d) => d.name === name);

// A buffer holding `data`, followed by `spareBytes` of a sentinel pattern that
// a bounds guard must leave alone.
const SENTINEL = -12345.5;
function buffer(data, usage, spareBytes = 0) {
  const size = data.byteLength + spareBytes;
  const b = device.createBuffer({ size, usage: usage | GPUBufferUsage.COPY_DST | GPUBufferUsage.COPY_SRC });
  const init = new Float32Array(size / 4).fill(SENTINEL);
  init.set(new Float32Array(data.buffer, data.byteOffset, data.byteLength / 4));
  device.queue.writeBuffer(b, 0, init);
  return b;
}
const storage = (data, spare) => buffer(data, GPUBufferUsage.STORAGE, spare);
const uniform = (data) => buffer(data, GPUBufferUsage.UNIFORM);

async function readBack(src) {
  const dst = device.createBuffer({ size: src.size, usage: GPUBufferUsage.MAP_READ | GPUBufferUsage.COPY_DST });
  const enc = device.createCommandEncoder();
  enc.copyBufferToBuffer(src, 0, dst, 0, src.size);
  device.queue.submit([enc.finish()]);
  await dst.mapAsync(GPUMapMode.READ);
  const out = new Float32Array(dst.getMappedRange().slice(0));
  dst.unmap();
  dst.destroy();
  return out;
}

// Dispatches one workgroup more than the elements need, so that every bounds
// guard is exercised; bindings are bound with their exact data sizes.
async function run(desc, elements, entries) {
  const pipeline = await computePipeline(desc);
  await checked(`${desc.name} dispatch`, async () => {
    const bindGroup = device.createBindGroup({
      layout: pipeline.getBindGroupLayout(0),
      entries: entries.map(([binding, b, size]) => ({ binding, resource: { buffer: b, size } })),
    });
    const enc = device.createCommandEncoder();
    const pass = enc.beginComputePass();
    pass.setPipeline(pipeline);
    pass.setBindGroup(0, bindGroup);
    pass.dispatchWorkgroups(Math.ceil(elements / desc.workgroup_size) + 1);
    pass.end();
    device.queue.submit([enc.finish()]);
    await device.queue.onSubmittedWorkDone();
  });
}

function assertSentinels(out, from, label) {
  for (let i = from; i < out.length; i++) {
    if (out[i] !== Math.fround(SENTINEL)) assert.fail(`${label}: float ${i} past the data was written (${out[i]})`);
  }
}

// One ULP of an f32 of magnitude |x| (normal range).
const ulp = (x) => (x === 0 ? 2 ** -149 : 2 ** (Math.floor(Math.log2(Math.abs(x))) - 23));

test('every source compiles with no message, alone or with the preludes it needs', async () => {
  for (const [name, code] of Object.entries(prelude)) await compile(name, code);
  for (const desc of catalogue) await compile(desc.name, `${allPreludes}\n${desc.shader}`);
  await compile('idempotent_newton alone', byName('idempotent_newton').shader);
  await compile('assembled module', text('module.wgsl'));
  await compile('vertex stage', `${prelude.hom_vec4}\n${text('dehomogenize_vertex.wgsl')}`);
});

test('the catalogue creates the four compute pipelines with their workgroup sizes', async () => {
  assert.deepEqual(catalogue.map((d) => d.kind), [0, 1, 2, 3]);
  const files = ['fs_distance_batch', 'pgl_action_batch', 'geodesic_rk4_step', 'idempotent_newton'];
  for (const [k, desc] of catalogue.entries()) {
    assert.equal(desc.shader, text(`${files[k]}.wgsl`), `${desc.name}: catalogue text`);
    const entry = new WgslReflect(`${allPreludes}\n${desc.shader}`).entry.compute;
    assert.deepEqual(entry.map((e) => e.name), [desc.entry_point]);
    assert.deepEqual(entry[0].workgroupSize, [desc.workgroup_size, 1, 1]);
    await computePipeline(desc);
  }
});

test('bindings and buffer layouts agree with the host records', () => {
  const reflect = new WgslReflect(text('module.wgsl'));
  for (const [name, host] of Object.entries(layouts)) {
    const s = reflect.structs.find((x) => x.name === name);
    assert.ok(s, `struct ${name} in the module`);
    assert.equal(s.size, host.size, `${name} size`);
    assert.deepEqual(Object.fromEntries(s.members.map((m) => [m.name, m.offset])), host.offsets, `${name} offsets`);
  }
  const pglData = reflect.structs.find((x) => x.name === 'PGL4').members[0];
  assert.equal(pglData.size, 64);
  assert.equal(pglData.type.stride, 16, 'PGL4.data stride: arrays in uniforms need a 16-byte stride');

  const binding = (e) =>
    e.resources
      .map((r) => [r.group, r.binding, r.name, r.resourceType === 0 ? 'uniform' : r.access, r.type.name,
        r.type.stride ?? r.size])
      .sort((a, b) => a[1] - b[1]);
  const entries = Object.fromEntries(reflect.entry.compute.map((e) => [e.name, binding(e)]));
  assert.deepEqual(entries, {
    fs_distance_batch: [[0, 0, 'positions', 'read', 'array', 16], [0, 1, 'distances', 'read_write', 'array', 4],
      [0, 2, 'reference', 'uniform', 'HomVec4', 16]],
    pgl_action_batch: [[0, 0, 'input_points', 'read', 'array', 16], [0, 1, 'output_points', 'read_write', 'array', 16],
      [0, 2, 'transform', 'uniform', 'PGL4', 64]],
    geodesic_rk4_step: [[0, 0, 'states_in', 'read', 'array', 32], [0, 1, 'states_out', 'read_write', 'array', 32],
      [0, 2, 'params', 'uniform', 'RK4Params', 16]],
    idempotent_newton_step: [[0, 0, 'matrices', 'read_write', 'array', 4]],
  });

  const vertex = new WgslReflect(`${prelude.hom_vec4}\n${text('dehomogenize_vertex.wgsl')}`);
  const mvp = vertex.uniforms.find((x) => x.name === 'mvp');
  assert.equal(mvp.size, 64);
  assert.equal(mvp.type.stride, 16, 'mvp stride');
  assert.deepEqual(vertex.entry.vertex.map((e) => e.name), ['dehomogenize_vertex']);
});

// Acceptance interval of fs_distance_batch for the exact distance `theta` of
// the f32 inputs the shader read.
// - hom_dot(p, q): error <= g4 * sum|p_i q_i| <= g4 |p||q| (Cauchy-Schwarz),
//   g4 = 4u / (1 - 4u); hom_dot(v, v): relative error <= g4.
// - hom_norm = sqrt = 1 / inverseSqrt: g4 / 2 + 2 ULP + 2.5 ULP <= 11u relative.
// - n1 * n2: 23u; the division: 2.5 ULP = 5u more. So the cosine before the
//   clamp is within 4u + 28u cos + O(u^2) of the exact one: delta = 40u.
// - acos over that range: the union, for x in [c - delta, c + delta] clamped
//   to [0, 1], of acos(x) +- 6.77e-5 and of atan2(y, x) +- 4096 ULP, where y
//   bounds sqrt(1 - x*x) evaluated in f32 (x*x and the subtraction each
//   correctly rounded, sqrt within 9u).
function distanceInterval(theta) {
  const c = Math.cos(theta);
  const delta = 40 * U;
  const xlo = Math.max(0, c - delta);
  const xhi = Math.min(1, c + delta);
  const ylo = (x) => Math.sqrt(Math.max(0, (1 - x * x * (1 + U)) * (1 - U))) * (1 - 9 * U);
  const yhi = (x) => Math.sqrt(Math.max(0, (1 - x * x * (1 - U)) * (1 + U))) * (1 + 9 * U);
  const lo1 = Math.atan2(ylo(xhi), xhi);
  const hi1 = Math.atan2(yhi(xlo), xlo);
  const lo = Math.min(lo1 - 4096 * ulp(lo1), Math.acos(xhi) - 6.77e-5);
  const hi = Math.max(hi1 + 4096 * ulp(hi1), Math.acos(xlo) + 6.77e-5);
  return [lo, hi];
}

for (const prefix of ['distance', 'distance_oblique']) {
  test(`fs_distance_batch agrees with cpuFSDistanceBatch (${prefix})`, async () => {
    const positions = f32s(`${prefix}_positions.bin`);
    const expected = f64s(`${prefix}_expected.bin`);
    const n = expected.length;
    const spare = 64 * 4;
    const out = storage(new Float32Array(n), spare);
    await run(byName('fs_distance_batch'), n, [
      [0, storage(positions), positions.byteLength],
      [1, out, n * 4 + spare],
      [2, uniform(f32s(`${prefix}_reference.bin`)), 16],
    ]);
    const got = await readBack(out);
    let worst = 0;
    for (let i = 0; i < n; i++) {
      const p = positions.subarray(4 * i, 4 * i + 4);
      if (p.every((x) => x === 0)) {
        assert.equal(got[i], 0, `point ${i}: the norm floor gives 0`);
        continue;
      }
      const [lo, hi] = distanceInterval(expected[i]);
      if (!(got[i] >= lo && got[i] <= hi)) {
        assert.fail(`point ${i} (${[...p]}): ${got[i]} outside [${lo}, ${hi}] around ${expected[i]}`);
      }
      worst = Math.max(worst, Math.abs(got[i] - expected[i]));
    }
    assertSentinels(got, n, 'distances');
    if (prefix === 'distance') {
      // (2,0,0,0), (-1,0,0,0): same point as the reference; (0,1,0,0): orthogonal.
      assert.ok(got[0] <= distanceInterval(0)[1] && got[1] <= distanceInterval(0)[1]);
      const [lo, hi] = distanceInterval(Math.PI / 2);
      assert.ok(got[2] >= lo && got[2] <= hi);
    }
  });
}

// Each output component sums four products of f32 inputs: its error is at
// most g4 * sum_j |m_kj p_j|, whatever the order or fusing.
test('pgl_action_batch agrees with cpuPGLActionBatch', async () => {
  const input = f32s('action_input.bin');
  const m = f32s('action_transform.bin');
  const expected = f64s('action_expected.bin');
  const n = input.length / 4;
  const spare = 3 * 16;
  const out = storage(new Float32Array(4 * n), spare);
  await run(byName('pgl_action_batch'), n, [
    [0, storage(input), input.byteLength],
    [1, out, 16 * n + spare],
    [2, uniform(m), 64],
  ]);
  const got = await readBack(out);
  const g4 = (4 * U) / (1 - 4 * U);
  for (let i = 0; i < n; i++) {
    for (let k = 0; k < 4; k++) {
      let magnitude = 0;
      for (let j = 0; j < 4; j++) magnitude += Math.abs(m[4 * j + k] * input[4 * i + j]);
      const tol = g4 * magnitude * (1 + 1e-9);
      const e = expected[4 * i + k];
      if (!(Math.abs(got[4 * i + k] - e) <= tol)) {
        assert.fail(`point ${i} row ${k}: ${got[4 * i + k]} vs ${e}, tolerance ${tol}`);
      }
    }
  }
  assertSentinels(got, 4 * n, 'output_points');
});

test('pgl_action_batch with a translation by (1, 0, 0) is exact', async () => {
  const input = new Float32Array([0, 0, 0, 1, 1, 0, 0, 0]);
  const out = storage(new Float32Array(8), 16);
  await run(byName('pgl_action_batch'), 2, [
    [0, storage(input), 32],
    [1, out, 48],
    [2, uniform(f32s('action_translate.bin')), 64],
  ]);
  const got = await readBack(out);
  assert.deepEqual([...got.subarray(0, 8)], [1, 0, 0, 1, 1, 0, 0, 0]);
  assertSentinels(got, 8, 'output_points');
});

// Running error bound of f32 arithmetic: each value carries a bound on the
// distance of the f32 result from the exact one (correctly rounded + - *;
// sums bounded by the magnitudes of their terms, so any order is covered).
const exact = (v) => ({ v, e: 0 });
const mul = (a, b) => {
  const v = a.v * b.v;
  return { v, e: Math.abs(a.v) * b.e + Math.abs(b.v) * a.e + a.e * b.e + U * (Math.abs(a.v) + a.e) * (Math.abs(b.v) + b.e) };
};
const add = (a, b) => ({ v: a.v + b.v, e: a.e + b.e + U * (Math.abs(a.v) + a.e + Math.abs(b.v) + b.e) });
const neg = (a) => ({ v: -a.v, e: a.e });
const divExact = (a, k) => ({ v: a.v / k, e: (a.e + 5 * U * (Math.abs(a.v) + a.e)) / Math.abs(k) });

function rk4Bound(s, h) {
  const rhs = (y) => {
    let sq = mul(y[4], y[4]);
    for (let j = 5; j < 8; j++) sq = add(sq, mul(y[j], y[j]));
    return [y[4], y[5], y[6], y[7], ...y.slice(0, 4).map((q) => neg(mul(sq, q)))];
  };
  const addS = (a, b) => a.map((x, j) => add(x, b[j]));
  const scaleS = (a, k) => a.map((x) => mul(x, k));
  const y = [...s].map(exact);
  const hh = exact(h);
  const half = mul(exact(0.5), hh);
  const k1 = rhs(y);
  const k2 = rhs(addS(y, scaleS(k1, half)));
  const k3 = rhs(addS(y, scaleS(k2, half)));
  const k4 = rhs(addS(y, scaleS(k3, hh)));
  const combined = addS(addS(k1, scaleS(k2, exact(2))), addS(scaleS(k3, exact(2)), k4));
  return addS(y, scaleS(combined, divExact(hh, 6))).map((x) => x.e);
}

test('geodesic_rk4_step agrees with an f64 RK4 step and with the great circle', async () => {
  const states = f32s('rk4_states.bin');
  const n = states.length / 8;
  const steps = [0, 0.01, 0.25];
  for (const [k, dt] of steps.entries()) {
    const params = f32s(`rk4_params_${k}.bin`);
    assert.equal(params[0], Math.fround(dt));
    const expected = f64s(`rk4_expected_${k}.bin`);
    const spare = 2 * 32;
    const out = storage(new Float32Array(8 * n), spare);
    await run(byName('geodesic_rk4_step'), n, [
      [0, storage(states), states.byteLength],
      [1, out, 32 * n + spare],
      [2, uniform(params), 16],
    ]);
    const got = await readBack(out);
    for (let i = 0; i < n; i++) {
      const s = states.subarray(8 * i, 8 * i + 8);
      const bound = rk4Bound(s, params[0]);
      for (let j = 0; j < 8; j++) {
        const g = got[8 * i + j];
        if (dt === 0) {
          assert.equal(g, s[j], `dt = 0 leaves state ${i} unchanged`);
        } else if (!(Math.abs(g - expected[8 * i + j]) <= bound[j] * (1 + 1e-9))) {
          assert.fail(`dt ${dt} state ${i} field ${j}: ${g} vs ${expected[8 * i + j]}, bound ${bound[j]}`);
        }
      }
    }
    assertSentinels(got, 8 * n, 'states_out');
    // State 0 is q = (1, 0, 0, 0), v = (0, 1, 0, 0): the exact solution is
    // (cos t, sin t, 0, 0; -sin t, cos t, 0, 0). RK4's local error is C h^5;
    // for this state the Taylor expansion gives C = 1/120 for q and about
    // 0.07 for v (the stages re-evaluate |v|^2 off the sphere): allow 0.1.
    const h = params[0];
    const circle = [Math.cos(h), Math.sin(h), 0, 0, -Math.sin(h), Math.cos(h), 0, 0];
    const bound = rk4Bound(states.subarray(0, 8), h);
    for (let j = 0; j < 8; j++) {
      assert.ok(Math.abs(expected[j] - circle[j]) <= h ** 5 / 10, `f64 step within O(dt^5), field ${j}`);
      assert.ok(Math.abs(got[j] - circle[j]) <= h ** 5 / 10 + bound[j], `GPU step within O(dt^5), field ${j}`);
    }
  }
});

function newtonBound(p) {
  const a = [...p].map(exact);
  const mm = (x, y) => {
    const r = new Array(16);
    for (let i = 0; i < 4; i++) {
      for (let j = 0; j < 4; j++) {
        let sum = exact(0);
        for (let k = 0; k < 4; k++) sum = add(sum, mul(x[k * 4 + i], y[j * 4 + k]));
        r[j * 4 + i] = sum;
      }
    }
    return r;
  };
  const p2 = mm(a, a);
  const p3 = mm(p2, a);
  return p2.map((x, i) => add(mul(exact(3), x), neg(mul(exact(2), p3[i]))));
}

const diag = (d) => { const m = new Array(16).fill(0); d.forEach((x, i) => (m[5 * i] = x)); return m; };

test('idempotent_newton_step refines complete matrices and leaves a trailing one alone', async () => {
  const cases = [diag([1, 1, 1, 1]), new Array(16).fill(0), diag([1, 0, 1, 0]), diag([0.9, 0.1, 1, 0]),
    Array.from({ length: 16 }, (_, i) => Math.sin(3 * i + 1) * 0.7)];
  const matrices = new Float32Array([...cases.flat(), 7, 8, 9, 10]);
  const out = storage(matrices);
  await run(byName('idempotent_newton'), cases.length, [[0, out, matrices.byteLength]]);
  const got = await readBack(out);
  cases.forEach((_, c) => {
    const want = newtonBound(matrices.subarray(16 * c, 16 * c + 16));
    want.forEach(({ v, e }, i) => {
      const g = got[16 * c + i];
      if (!(Math.abs(g - v) <= e * (1 + 1e-9))) assert.fail(`matrix ${c} element ${i}: ${g} vs ${v}, bound ${e}`);
    });
  });
  for (const c of [0, 1, 2]) assert.deepEqual([...got.subarray(16 * c, 16 * c + 16)], cases[c], `fixed point ${c}`);
  const d = got.subarray(48, 64);
  const e = newtonBound(matrices.subarray(48, 64));
  assert.ok(Math.abs(d[0] - 0.972) <= e[0].e + 1e-7 && Math.abs(d[5] - 0.028) <= e[5].e + 1e-7);
  assert.deepEqual([d[10], d[15]], [1, 0]);
  assert.deepEqual([...got.subarray(80)], [7, 8, 9, 10], 'trailing incomplete matrix');

  // With 20 floats only the first matrix is processed.
  const twenty = new Float32Array([...diag([0.9, 0.1, 1, 0]), 0.5, 0.5, 0.5, 0.5]);
  const buf = storage(twenty);
  await run(byName('idempotent_newton'), 1, [[0, buf, twenty.byteLength]]);
  const r = await readBack(buf);
  assert.ok(Math.abs(r[0] - 0.972) < 1e-6 && Math.abs(r[5] - 0.028) < 1e-6);
  assert.deepEqual([...r.subarray(16)], [0.5, 0.5, 0.5, 0.5]);
});

// The vertex stage in a render pipeline: each point is drawn as one pixel of
// a 256 x 256 float target; the fragment stage copies what it receives.
test('dehomogenize_vertex matches the CPU dehomogenisation and MVP product', async () => {
  const W = 256;
  const positions = f32s('vertex_positions.bin');
  const normals = f32s('vertex_normals.bin');
  const uvs = f32s('vertex_uvs.bin');
  const expected = f64s('vertex_expected.bin');
  const mvp = f32s('vertex_mvp.bin');
  const n = positions.length / 4;
  const vertexModule = await compile('vertex stage', `${prelude.hom_vec4}\n${text('dehomogenize_vertex.wgsl')}`);
  const fragmentModule = await compile('fragment stage', `${FRAGMENT_INPUT}
struct Two {
    @location(0) a: vec4<f32>,
    @location(1) b: vec4<f32>,
}
@fragment fn varyings(in: FragmentInput) -> Two {
    return Two(vec4<f32>(in.world_position, in.card_index), vec4<f32>(in.world_normal, in.uv.x));
}
@fragment fn position(in: FragmentInput) -> @location(0) vec4<f32> {
    return vec4<f32>(in.frag_position.x, in.frag_position.y, in.frag_position.z, in.uv.y);
}`);
  const vertexBuffer = (data) => buffer(data, GPUBufferUsage.VERTEX);
  const buffers = [
    { arrayStride: 16, attributes: [{ shaderLocation: 0, offset: 0, format: 'float32x4' }] },
    { arrayStride: 16, attributes: [{ shaderLocation: 1, offset: 0, format: 'float32x4' }] },
    { arrayStride: 8, attributes: [{ shaderLocation: 2, offset: 0, format: 'float32x2' }] },
  ];
  const vbs = [vertexBuffer(positions), vertexBuffer(normals), vertexBuffer(uvs)];
  const mvpBuffer = uniform(mvp);

  async function draw(entryPoint, targets) {
    const textures = targets.map(() => device.createTexture({
      size: [W, W], format: 'rgba32float', usage: GPUTextureUsage.RENDER_ATTACHMENT | GPUTextureUsage.COPY_SRC,
    }));
    const readBuffers = await checked(`draw ${entryPoint}`, async () => {
      const pipeline = device.createRenderPipeline({
        layout: 'auto',
        vertex: { module: vertexModule, entryPoint: 'dehomogenize_vertex', buffers },
        fragment: { module: fragmentModule, entryPoint, targets: targets.map(() => ({ format: 'rgba32float' })) },
        primitive: { topology: 'point-list' },
      });
      const bindGroup = device.createBindGroup({
        layout: pipeline.getBindGroupLayout(0), entries: [{ binding: 0, resource: { buffer: mvpBuffer } }],
      });
      const enc = device.createCommandEncoder();
      const pass = enc.beginRenderPass({
        colorAttachments: textures.map((t) => ({
          view: t.createView(), loadOp: 'clear', storeOp: 'store', clearValue: [-9, -9, -9, -9],
        })),
      });
      pass.setPipeline(pipeline);
      pass.setBindGroup(0, bindGroup);
      vbs.forEach((b, i) => pass.setVertexBuffer(i, b));
      pass.draw(n);
      pass.end();
      const out = textures.map((t) => {
        const b = device.createBuffer({ size: W * W * 16, usage: GPUBufferUsage.COPY_DST | GPUBufferUsage.MAP_READ });
        enc.copyTextureToBuffer({ texture: t }, { buffer: b, bytesPerRow: W * 16 }, [W, W]);
        return b;
      });
      device.queue.submit([enc.finish()]);
      return out;
    });
    return Promise.all(readBuffers.map(async (b) => {
      await b.mapAsync(GPUMapMode.READ);
      const data = new Float32Array(b.getMappedRange().slice(0));
      b.unmap();
      return data;
    }));
  }

  const [a, b] = await draw('varyings', [0, 1]);
  const [pos] = await draw('position', [0]);
  // Passing varyings through the rasterizer is outside WGSL's accuracy
  // tables; for a point every fragment gets the vertex's own values, and we
  // allow 4 ULP for the implementation's interpolation arithmetic.
  const close = (got, want, tol) => Math.abs(got - want) <= tol + 4 * ulp(want);
  for (let i = 0; i < n; i++) {
    const [wx, wy, wz, nx, ny, nz, cx, cy, cz, cw] = expected.subarray(10 * i, 10 * i + 10);
    const fx = ((cx / cw + 1) / 2) * W;
    const fy = ((1 - cy / cw) / 2) * W;
    // Each world coordinate is one f32 division: 2.5 ULP.
    const divTol = (x) => 2.5 * ulp(x);
    let found = -1;
    for (let dy = -1; dy <= 1 && found < 0; dy++) {
      for (let dx = -1; dx <= 1 && found < 0; dx++) {
        const t = (Math.floor(fy) + dy) * W + Math.floor(fx) + dx;
        if (t >= 0 && t < W * W && close(a[4 * t], wx, divTol(wx)) && close(a[4 * t + 1], wy, divTol(wy))) found = t;
      }
    }
    assert.ok(found >= 0, `vertex ${i}: no pixel near (${fx}, ${fy}) holds its world position`);
    const t = found;
    assert.ok(close(a[4 * t + 2], wz, divTol(wz)), `vertex ${i}: world_position.z`);
    assert.equal(a[4 * t + 3], 0, `vertex ${i}: card_index`);
    for (const [got, want] of [[b[4 * t], nx], [b[4 * t + 1], ny], [b[4 * t + 2], nz]]) {
      assert.ok(close(got, want, divTol(want)), `vertex ${i}: world_normal ${got} vs ${want}`);
    }
    assert.ok(close(b[4 * t + 3], uvs[2 * i], 0) && close(pos[4 * t + 3], uvs[2 * i + 1], 0), `vertex ${i}: uv`);
    // The fragment lies at the pixel that holds the projected point.
    assert.ok(Math.abs(pos[4 * t] - fx) <= 0.5 + 1e-3 && Math.abs(pos[4 * t + 1] - fy) <= 0.5 + 1e-3,
      `vertex ${i}: fragment (${pos[4 * t]}, ${pos[4 * t + 1]}) vs projected (${fx}, ${fy})`);
    // Depth z / w: the clip components carry g4 * sum|mvp_kj p_j| plus the
    // world position's 2.5 ULP through the matrix; the divide is fixed
    // function, allowed 4 ULP like the varyings.
    const p4 = [wx, wy, wz, 1];
    const row = (k) => {
      let mag = 0;
      for (let j = 0; j < 4; j++) mag += Math.abs(mvp[4 * j + k]) * (Math.abs(p4[j]) + (j < 3 ? divTol(p4[j]) : 0));
      return mag * (4 * U / (1 - 4 * U)) + [0, 1, 2].reduce((s, j) => s + Math.abs(mvp[4 * j + k]) * divTol(p4[j]), 0);
    };
    const depthTol = (row(2) + Math.abs(cz / cw) * row(3)) / Math.abs(cw);
    assert.ok(close(pos[4 * t + 2], cz / cw, depthTol), `vertex ${i}: depth ${pos[4 * t + 2]} vs ${cz / cw}`);
  }
});
