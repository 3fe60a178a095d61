// The engine's WebAssembly module (zevra-viewer.wasm, a WASI reactor) and the
// C interface of web/viewer/zevra_viewer.h as JavaScript values. Numbers
// cross as they are: f64 stays f64, and the matrices are read as the f32
// bytes the engine wrote.

// WASI calls the module might import: none is needed, so each answers
// ENOSYS (52), and an exit ends the call that made it.
function wasiStubs(module) {
  const stubs = {};
  for (const { module: from, name } of WebAssembly.Module.imports(module)) {
    if (from !== 'wasi_snapshot_preview1') continue;
    stubs[name] = name === 'proc_exit'
      ? (code) => { throw new Error(`the engine exited with status ${code}`); }
      : () => 52;
  }
  return { wasi_snapshot_preview1: stubs };
}

export async function loadEngine(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url}: HTTP ${response.status}`);
  const module = await WebAssembly.compile(await response.arrayBuffer());
  const instance = await WebAssembly.instantiate(module, wasiStubs(module));
  const x = instance.exports;
  x._initialize?.();
  const viewer = x.zevra_viewer_create();
  if (!viewer) throw new Error('the engine has no memory for a viewer');

  // Views are made afresh on every read: a growing memory detaches old ones.
  const bytes = (ptr, length) => new Uint8Array(x.memory.buffer, ptr, length);
  const utf8 = new TextDecoder();
  const text = (ptr, length) => utf8.decode(bytes(ptr, length));
  const encoder = new TextEncoder();

  const pipelines = [];
  for (let i = 0; i < x.zevra_pipeline_count(); i++) {
    pipelines.push({
      kind: x.zevra_pipeline_kind(i),
      workgroupSize: x.zevra_pipeline_workgroup_size(i),
      entryPoint: text(x.zevra_pipeline_text(i, 0), x.zevra_pipeline_text_length(i, 0)),
      shader: text(x.zevra_pipeline_text(i, 1), x.zevra_pipeline_text_length(i, 1)),
    });
  }
  const lanes = x.zevra_scene_size(0);
  const stateSize = x.zevra_record_size(2);

  return {
    wgsl: {
      compute: text(x.zevra_wgsl(0), x.zevra_wgsl_length(0)),
      vertex: text(x.zevra_wgsl(1), x.zevra_wgsl_length(1)),
      fragment: text(x.zevra_wgsl(2), x.zevra_wgsl_length(2)),
    },
    pipelines,
    records: { homVec4: x.zevra_record_size(0), pgl4: x.zevra_record_size(1), geodesicState: stateSize,
      rk4Params: x.zevra_record_size(3) },
    scene: {
      lanes,
      tracedRows: x.zevra_scene_size(1),
      drawnRows: x.zevra_scene_size(2),
      start: bytes(x.zevra_scene_start(viewer), lanes * stateSize).slice(),
      params: bytes(x.zevra_scene_params(viewer), x.zevra_record_size(3)).slice(),
      colours: new Float32Array(x.memory.buffer, x.zevra_scene_colours(viewer), 2 * lanes).slice(),
    },

    key(tag, code, mods) {
      // A code that does not fit is passed as too long, which names no key.
      const { read, written } = encoder.encodeInto(code, bytes(x.zevra_viewer_code_buffer(viewer), 64));
      return x.zevra_viewer_key(viewer, tag, read === code.length ? written : 65, mods) === 1;
    },
    char: (codePoint) => x.zevra_viewer_char(viewer, codePoint),
    pointerMove: (px, py, dx, dy) => x.zevra_viewer_pointer_move(viewer, px, py, dx, dy),
    button: (tag, button, px, py, mods) => x.zevra_viewer_button(viewer, tag, button, px, py, mods) === 1,
    wheel: (dx, dy, mode, px, py) => x.zevra_viewer_wheel(viewer, dx, dy, mode, px, py),

    // Ends the frame; returns { paused, wireframe, motion }.
    frame(dt, aspect) {
      const state = x.zevra_viewer_frame(viewer, dt, aspect);
      return { paused: (state & 1) !== 0, wireframe: (state & 2) !== 0, motion: (state & 4) !== 0 };
    },
    cameraPosition: () => Array.from(new Float64Array(x.memory.buffer, x.zevra_viewer_camera(viewer), 4)),
    mvp: () => bytes(x.zevra_viewer_mvp(viewer), 64),
    motion: () => bytes(x.zevra_viewer_motion(viewer), 64),
  };
}
