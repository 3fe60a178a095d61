// The GPU side of the viewer, on the engine's own WGSL and catalogue: the
// scene's curves are traced once by geodesic_rk4_step (one lane per curve,
// one dispatch per step, each step's states copied behind the last), then
// every frame pgl_action_batch moves the traced points by the rigid motion
// (while it runs) and dehomogenize_vertex draws them with mvpGpu as its `mvp`
// uniform, as points or, in wireframe, as lines from each point to the next.

const BACKGROUND = { r: 13 / 255, g: 17 / 255, b: 23 / 255, a: 1 };
const DEPTH_FORMAT = 'depth24plus';

// Creates what the scene needs and traces it; rejects on a WebGPU validation
// error, naming what failed.
export async function createRenderer(device, context, format, engine) {
  const { scene, records, wgsl } = engine;
  const { lanes, tracedRows, drawnRows } = scene;
  const stateSize = records.geodesicState;
  const rowBytes = lanes * stateSize;
  const use = GPUBufferUsage;

  device.pushErrorScope('validation');
  const computeModule = device.createShaderModule({ label: 'buildWgslModule', code: wgsl.compute });
  const vertexModule = device.createShaderModule({ label: 'dehomogenize_vertex', code: wgsl.vertex });
  const fragmentModule = device.createShaderModule({ label: 'viewer fragment', code: wgsl.fragment });
  const compute = (entry) => {
    const desc = engine.pipelines.find((p) => p.entryPoint === entry);
    if (!desc || !wgsl.compute.includes(desc.shader)) throw new Error(`${entry}: not in the engine's catalogue`);
    return {
      pipeline: device.createComputePipeline({ label: entry, layout: 'auto', compute: { module: computeModule, entryPoint: entry } }),
      groups: (invocations) => Math.ceil(invocations / desc.workgroupSize),
    };
  };
  const rk4 = compute('geodesic_rk4_step');
  const action = compute('pgl_action_batch');

  const buffer = (label, size, usage, data) => {
    const b = device.createBuffer({ label, size, usage: usage | use.COPY_DST });
    if (data) device.queue.writeBuffer(b, 0, data);
    return b;
  };
  const ping = [buffer('states 0', rowBytes, use.STORAGE | use.COPY_SRC, scene.start),
    buffer('states 1', rowBytes, use.STORAGE | use.COPY_SRC)];
  const params = buffer('RK4Params', records.rk4Params, use.UNIFORM, scene.params);
  const traced = buffer('traced', tracedRows * rowBytes, use.STORAGE | use.VERTEX);
  const moved = buffer('moved', tracedRows * rowBytes, use.STORAGE | use.VERTEX);
  const motion = buffer('motion', records.pgl4, use.UNIFORM);
  const mvp = buffer('mvp', records.pgl4, use.UNIFORM);

  // Per point the fragment stage's uv: its curve's colour and shade.
  const uv = new Float32Array(2 * lanes * drawnRows);
  for (let row = 0; row < drawnRows; row++) uv.set(scene.colours, 2 * lanes * row);
  const uvBuffer = buffer('uv', uv.byteLength, use.VERTEX, uv);
  // Wireframe: a segment from each drawn point to the next one of its curve.
  const segments = new Uint32Array(2 * lanes * (drawnRows - 1));
  for (let i = 0; i < lanes * (drawnRows - 1); i++) segments.set([i, i + lanes], 2 * i);
  const segmentBuffer = buffer('segments', segments.byteLength, use.INDEX, segments);

  const bind = (pipeline, buffers) => device.createBindGroup({
    layout: pipeline.getBindGroupLayout(0),
    entries: buffers.map((b, binding) => ({ binding, resource: { buffer: b } })),
  });
  const encoder = device.createCommandEncoder({ label: 'trace' });
  encoder.copyBufferToBuffer(ping[0], 0, traced, 0, rowBytes);
  const steppers = [bind(rk4.pipeline, [ping[0], ping[1], params]), bind(rk4.pipeline, [ping[1], ping[0], params])];
  for (let row = 1; row < tracedRows; row++) {
    const pass = encoder.beginComputePass();
    pass.setPipeline(rk4.pipeline);
    pass.setBindGroup(0, steppers[(row - 1) % 2]);
    pass.dispatchWorkgroups(rk4.groups(lanes));
    pass.end();
    encoder.copyBufferToBuffer(ping[row % 2], 0, traced, row * rowBytes, rowBytes);
  }
  device.queue.submit([encoder.finish()]);
  // Read as HomVec4s, a state is its position then its velocity: the motion
  // moves both, and the vertex stage reads the positions.
  const mover = bind(action.pipeline, [traced, moved, motion]);
  const moveGroups = action.groups((tracedRows * rowBytes) / records.homVec4);

  // Slot 0 the point, slot 1 the next point of its curve (one row on), which
  // the vertex stage takes as its normal; slot 2 the uv.
  const position = (location) => ({ arrayStride: stateSize, attributes: [{ shaderLocation: location, offset: 0, format: 'float32x4' }] });
  const vertexBuffers = [position(0), position(1),
    { arrayStride: 8, attributes: [{ shaderLocation: 2, offset: 0, format: 'float32x2' }] }];
  const draw = (topology, entryPoint) => device.createRenderPipeline({
    label: `${topology} ${entryPoint}`,
    layout: 'auto',
    vertex: { module: vertexModule, entryPoint: 'dehomogenize_vertex', buffers: vertexBuffers },
    fragment: { module: fragmentModule, entryPoint, targets: [{ format }] },
    primitive: { topology },
    depthStencil: { format: DEPTH_FORMAT, depthWriteEnabled: true, depthCompare: 'less' },
  });
  const points = draw('point-list', 'shade_point');
  const lines = draw('line-list', 'shade_line');
  const mvpGroups = new Map([points, lines].map((p) => [p, bind(p, [mvp])]));
  const error = await device.popErrorScope();
  if (error) throw new Error(`WebGPU refused the viewer's pipelines: ${error.message}`);

  let depth = null;
  return {
    // One frame: `state` is what the engine's frame returned.
    draw(state) {
      const texture = context.getCurrentTexture();
      if (!depth || depth.width !== texture.width || depth.height !== texture.height) {
        depth?.destroy();
        depth = device.createTexture({ size: [texture.width, texture.height], format: DEPTH_FORMAT, usage: GPUTextureUsage.RENDER_ATTACHMENT });
      }
      device.queue.writeBuffer(mvp, 0, engine.mvp());
      const enc = device.createCommandEncoder({ label: 'frame' });
      if (state.motion) {
        device.queue.writeBuffer(motion, 0, engine.motion());
        const pass = enc.beginComputePass();
        pass.setPipeline(action.pipeline);
        pass.setBindGroup(0, mover);
        pass.dispatchWorkgroups(moveGroups);
        pass.end();
      }
      const source = state.motion ? moved : traced;
      const pass = enc.beginRenderPass({
        colorAttachments: [{ view: texture.createView(), loadOp: 'clear', storeOp: 'store', clearValue: BACKGROUND }],
        depthStencilAttachment: { view: depth.createView(), depthLoadOp: 'clear', depthStoreOp: 'discard', depthClearValue: 1 },
      });
      const pipeline = state.wireframe ? lines : points;
      pass.setPipeline(pipeline);
      pass.setBindGroup(0, mvpGroups.get(pipeline));
      pass.setVertexBuffer(0, source, 0, drawnRows * rowBytes);
      pass.setVertexBuffer(1, source, rowBytes, drawnRows * rowBytes);
      pass.setVertexBuffer(2, uvBuffer);
      if (state.wireframe) {
        pass.setIndexBuffer(segmentBuffer, 'uint32');
        pass.drawIndexed(segments.length);
      } else {
        pass.draw(lanes * drawnRows);
      }
      pass.end();
      device.queue.submit([enc.finish()]);
    },
    points: lanes * drawnRows,
  };
}
