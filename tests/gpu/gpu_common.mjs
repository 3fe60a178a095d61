// What the GPU checks share: the WebGPU device (the npm package `webgpu` on
// Mesa's software OpenGL ES driver, with EGL_PLATFORM=surfaceless and a
// writable XDG_RUNTIME_DIR in the environment), and the vertex stage's output
// as a fragment stage reads it.
import { create, globals } from 'webgpu';

Object.assign(globalThis, globals);

// The instance and adapter are returned with the device, and the caller must
// keep them referenced until it is done: collecting the instance tears the
// device down under its user (a pending mapAsync then never settles).
export async function openDevice() {
  const gpu = create(['backend=opengles']);
  const adapter = await gpu.requestAdapter({ featureLevel: 'compatibility' });
  if (!adapter) {
    throw new Error(
      'no WebGPU adapter: the OpenGL ES backend needs Mesa (libegl-mesa0, libgles2, libgl1-mesa-dri), ' +
        'EGL_PLATFORM=surfaceless and a writable XDG_RUNTIME_DIR');
  }
  const device = await adapter.requestDevice();
  return { gpu, adapter, device };
}

// dehomogenize_vertex's VertexOutput, location for location.
export const FRAGMENT_INPUT = `
struct FragmentInput {
    @builtin(position) frag_position: vec4<f32>,
    @location(0) world_position: vec3<f32>,
    @location(1) world_normal: vec3<f32>,
    @location(2) uv: vec2<f32>,
    @location(3) card_index: f32,
}`;
