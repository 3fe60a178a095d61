// The text over the view: frames per second, the camera's point of S³, what
// is drawn, and (in index.html) the bindings; a note while paused.

// With a fixed frame time (the stepped mode) there is no rate to show.
export function createOverlay(doc, fixedDt = null) {
  const stats = doc.getElementById('stats');
  const camera = doc.getElementById('camera');
  const mode = doc.getElementById('mode');
  const paused = doc.getElementById('paused');
  let fps = 0;
  let shownAt = -Infinity;
  let lastTime = null;
  const coordinate = (name, v) => `${name} ${v < 0 || Object.is(v, -0) ? '−' : '+'}${Math.abs(v).toFixed(6)}`;
  return {
    // `now` in milliseconds of real time, `pos` the camera's four f64.
    update(now, pos, state, points) {
      if (lastTime !== null && now > lastTime) fps = fps === 0 ? 1000 / (now - lastTime) : 0.9 * fps + 100 / (now - lastTime);
      lastTime = now;
      // The exact values, for whoever reads the page rather than the text.
      camera.dataset.pos = JSON.stringify(pos);
      camera.textContent = `camera ${['x', 'y', 'z', 'w'].map((n, i) => coordinate(n, pos[i])).join('  ')}`;
      mode.textContent = `${points} points as ${state.wireframe ? 'lines' : 'points'} · rigid motion ${state.motion ? 'on (pgl_action_batch)' : 'off'}`;
      paused.hidden = !state.paused;
      if (now - shownAt >= 250) {
        stats.textContent = fixedDt === null ? `${fps.toFixed(1)} fps` : `stepped, ${fixedDt} s a frame`;
        shownAt = now;
      }
    },
  };
}
