// DOM events into the engine as they arrive: keys by KeyboardEvent.code,
// mouse buttons, pointer moves with their movement, and the wheel. Bound
// inputs keep the browser from acting on them too (Space would scroll, F1
// open help, a right click the context menu).

// GLFW's modifier bits: Shift, Control, Alt, Super, Caps Lock, Num Lock.
const mods = (e) => (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0) | (e.metaKey ? 8 : 0) |
  (e.getModifierState?.('CapsLock') ? 16 : 0) | (e.getModifierState?.('NumLock') ? 32 : 0);

// InputEventTag values.
const KEY_PRESS = 0;
const KEY_RELEASE = 1;
const KEY_REPEAT = 2;
const MOUSE_PRESS = 4;
const MOUSE_RELEASE = 5;

export function attachInput(engine, canvas) {
  const held = new Set();
  const buttons = new Set();
  let at = [0, 0];  // the pointer's last position
  window.addEventListener('keydown', (e) => {
    if (engine.key(e.repeat ? KEY_REPEAT : KEY_PRESS, e.code, mods(e))) e.preventDefault();
    held.add(e.code);
    const chars = [...e.key];
    if (chars.length === 1 && !e.ctrlKey && !e.metaKey) engine.char(chars[0].codePointAt(0));
  });
  window.addEventListener('keyup', (e) => {
    held.delete(e.code);
    if (engine.key(KEY_RELEASE, e.code, mods(e))) e.preventDefault();
  });
  // Keys and buttons released while the page had no focus send no event.
  window.addEventListener('blur', () => {
    for (const code of held) engine.key(KEY_RELEASE, code, 0);
    for (const button of buttons) engine.button(MOUSE_RELEASE, button, at[0], at[1], 0);
    held.clear();
    buttons.clear();
  });
  canvas.addEventListener('mousedown', (e) => {
    buttons.add(e.button);
    if (engine.button(MOUSE_PRESS, e.button, e.clientX, e.clientY, mods(e))) e.preventDefault();
  });
  window.addEventListener('mouseup', (e) => {
    buttons.delete(e.button);
    engine.button(MOUSE_RELEASE, e.button, e.clientX, e.clientY, mods(e));
  });
  window.addEventListener('pointermove', (e) => {
    at = [e.clientX, e.clientY];
    engine.pointerMove(e.clientX, e.clientY, e.movementX, e.movementY);
  });
  canvas.addEventListener('wheel', (e) => {
    engine.wheel(e.deltaX, e.deltaY, e.deltaMode, e.clientX, e.clientY);
    e.preventDefault();
  }, { passive: false });
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());
}
